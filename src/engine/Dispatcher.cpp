#include "engine/Dispatcher.h"

#include "link/CommandChannel.h"
#include "base/Prompter.h"

Dispatcher::Dispatcher(CommandChannel &channel, std::function<CommandChannel *()> newAccountChannel,
                       Prompter &prompter, std::function<const Slot *(qint64)> slotOf, QObject *parent)
    : QObject(parent)
    , m_channel(channel)
    , m_newAccountChannel(std::move(newAccountChannel))
    , m_prompter(prompter)
    , m_slotOf(std::move(slotOf))
{
    connect(&m_channel, &CommandChannel::connected, this, &Dispatcher::onConnected);
    connect(&m_channel, &CommandChannel::failed, this, &Dispatcher::onFailed);
    connect(&m_channel, &CommandChannel::finished, this, [this] { m_pending.reset(); });
}

bool Dispatcher::dispatch(Command command, qint64 aa, qint64 amount, const QString &pin)
{
    const Slot *s = m_slotOf(aa);
    if (!s)
        return false;
    // Whoever asks, a charge never starts on top of another.
    if (isStart(command) && !s->isFree())
        return false;
    if (refusedWhileBusy(command, *s))
        return false;
    m_pending = PendingCommand{command, aa, amount, pin};
    m_lastWord = commandWord(command);
    m_channel.open(s->address);
    return true;
}

bool Dispatcher::refusedWhileBusy(Command command, const Slot &s)
{
    // A customer's start on its way there is a command in flight too.
    const bool starting = m_accountStarts.contains(s.aa);
    if (!m_pending && !m_channel.isBusy() && !starting)
        return false;
    // The command in flight keeps its word and its computer.
    const Slot *busy = m_pending && !starting ? m_slotOf(m_pending->aa) : nullptr;
    const QString busyName = busy ? busy->name : s.name;
    m_prompter.tell(QStringLiteral("The previous command to ") + busyName + QStringLiteral(" is still in progress ")
                        + busyCode(command),
                    Prompter::Icon::Critical);
    return true;
}

void Dispatcher::startAccount(const Slot &s, qint64 minutes, const QString &pin)
{
    CommandChannel *channel = m_newAccountChannel();
    channel->setParent(this);
    m_accountStarts.insert(s.aa, channel);
    const PendingCommand p{Command::StartUser, s.aa, minutes, pin};
    connect(channel, &CommandChannel::connected, this, [this, channel, p] { emit accountConnected(p, channel); });
    const auto done = [this, channel, aa = s.aa] {
        m_accountStarts.remove(aa);
        channel->deleteLater();
    };
    connect(channel, &CommandChannel::finished, this, done);
    connect(channel, &CommandChannel::failed, this, [this, done, p](const QString &description) {
        done();
        emit accountFailed(p, description);
    });
    channel->open(s.address);
}

void Dispatcher::drop(CommandChannel &channel)
{
    // Closed with nothing sent and forgotten before its error is shown, so
    // that the channel's timer cannot report it again behind the box.
    channel.send(QByteArray());
    if (&channel == &m_channel)
        m_pending.reset();
}

void Dispatcher::onConnected()
{
    if (!m_pending)
        return;
    // A copy: the handler may drop the command it is handed.
    const PendingCommand p = *m_pending;
    emit connected(p, &m_channel);
}

void Dispatcher::onFailed(const QString &description)
{
    if (!m_pending)
        return;
    const PendingCommand p = *m_pending;
    m_pending.reset();
    emit failed(p, description);
}
