#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The commands the engine sends to a client's command port. Each has one
// row in the table behind commandInfo(): the command word the engine holds
// while it is in flight, whether it is a power command, the words of its
// question, the code that ends a refusal while another command is in
// flight, and the text that goes on the wire.
enum class Command {
    StartTerm,
    StopTerm,
    StopTermForce,
    StopUser,
    StartPre,
    StartUser,
    RebootTerm,
    LogOff,
    ShutDown,
    PowerDown,
};

struct CommandInfo
{
    Command command;
    const char *word;     // `pcCommand` while in flight
    bool power;           // asked for from a computer's pop-up menu
    const char *question; // words before the computer's name, "" when none
    const char *busyCode; // ends "The previous command ... is still in progress "
};

const CommandInfo &commandInfo(Command command);
QString commandWord(Command command);
QString busyCode(Command command);
// The question's words; empty for a command asked by no one.
QString commandQuestion(Command command);
// The command of a command word ("startterm", "rebootterm", ...).
std::optional<Command> commandNamed(const QString &word);
bool isPowerCommand(Command command);
bool isStart(Command command);
// What the client receives; `amount` is the seconds of a prepaid start or
// the minutes of an account start.
QByteArray wireText(Command command, qint64 amount = 0);
