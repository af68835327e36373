#include "engine/Command.h"

#include "link/Protocol.h"

#include <array>

namespace {
constexpr std::array<CommandInfo, 10> Table = {{
    {Command::StartTerm, "startterm", false, "Start Charging", "dqtzerr444"},
    {Command::StopTerm, "stopterm", false, "Charge And Lock", "dqtzerr445"},
    {Command::StopTermForce, "stoptermforce", false, "", "dqtzerr333"},
    {Command::StopUser, "stopuser", false, "", "dqtzerr446"},
    {Command::StartPre, "startpre", false, "Start Timer On", "dqtzerr447"},
    {Command::StartUser, "startuser", false, "", "dqtzerr448"},
    {Command::RebootTerm, "rebootterm", true, "Reboot", "dqtzerr449"},
    {Command::LogOff, "logoff", true, "Log off", "dqtzerr450"},
    {Command::ShutDown, "shutdown", true, "Shut Down", "dqtzerr451"},
    {Command::PowerDown, "powerdown", true, "Suspend", "dqtzerr452"},
}};
} // namespace

const CommandInfo &commandInfo(Command command) { return Table[static_cast<size_t>(command)]; }

QString commandWord(Command command) { return QString::fromLatin1(commandInfo(command).word); }
QString busyCode(Command command) { return QString::fromLatin1(commandInfo(command).busyCode); }
QString commandQuestion(Command command) { return QString::fromLatin1(commandInfo(command).question); }

std::optional<Command> commandNamed(const QString &word)
{
    for (const CommandInfo &c : Table)
        if (word == QLatin1String(c.word))
            return c.command;
    return std::nullopt;
}

bool isPowerCommand(Command command) { return commandInfo(command).power; }

bool isStart(Command command)
{
    return command == Command::StartTerm || command == Command::StartPre || command == Command::StartUser;
}

QByteArray wireText(Command command, qint64 amount)
{
    switch (command) {
    case Command::StartTerm:
        return Protocol::startpc();
    case Command::StopTerm:
    case Command::StopTermForce:
        return Protocol::stoppc();
    case Command::StopUser:
        return Protocol::stopuser();
    case Command::StartPre:
        return Protocol::prepaid(amount);
    case Command::StartUser:
        return Protocol::account(amount);
    case Command::RebootTerm:
        return Protocol::reboot();
    case Command::LogOff:
        return Protocol::logoff();
    case Command::ShutDown:
        return Protocol::shutdown();
    case Command::PowerDown:
        return Protocol::powerdown();
    }
    return {};
}

static_assert(
    [] {
        for (size_t i = 0; i < Table.size(); ++i)
            if (static_cast<size_t>(Table[i].command) != i)
                return false;
        return true;
    }(),
    "the command table is in the order of the enum");
