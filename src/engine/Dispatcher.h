#pragma once

#include "engine/Command.h"
#include "engine/Slot.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class CommandChannel;
class Prompter;

// A command on its way to a client, from the dispatch to its connection.
struct PendingCommand
{
    Command command = Command::StartTerm;
    qint64 aa = 0;
    qint64 amount = 0;
    QString pin;
};

// The commands in flight to the clients. The operator's go one at a time
// through the command channel, a second refused while one is in flight;
// customers' account starts each through a channel of their own, so that
// neither waits for the other. What a connection does is the engine's: it
// hears of it through the signals below, and answers on the channel given.
class Dispatcher : public QObject
{
    Q_OBJECT
public:
    // `slotOf` finds a computer of the roster (nullptr for none);
    // `newAccountChannel` makes a channel to the command port for each
    // customer-account start.
    Dispatcher(CommandChannel &channel, std::function<CommandChannel *()> newAccountChannel, Prompter &prompter,
               std::function<const Slot *(qint64)> slotOf, QObject *parent = nullptr);

    // Sends an operator's command; false, with nothing sent, when refused.
    bool dispatch(Command command, qint64 aa, qint64 amount = 0, const QString &pin = QString());
    // True, with the operator told, while another command is in flight.
    bool refusedWhileBusy(Command command, const Slot &s);
    // Sends a customer-account start at once, whatever else is in flight.
    void startAccount(const Slot &s, qint64 minutes, const QString &pin);
    // Closes `channel` with nothing sent; the operator's command is
    // forgotten at once.
    void drop(CommandChannel &channel);

    QString pcCommand() const { return m_pending ? commandWord(m_pending->command) : m_lastWord; }
    // Whether an operator's command, or an operator's start, is in flight to that computer.
    bool commandTo(qint64 aa) const { return m_pending && m_pending->aa == aa; }
    bool operatorStarting(qint64 aa) const { return commandTo(aa) && isStart(m_pending->command); }
    bool accountStarting(qint64 aa) const { return m_accountStarts.contains(aa); }
    // The computers a customer-account start is on its way to.
    QList<qint64> startingAccounts() const { return m_accountStarts.keys(); }

signals:
    // The client accepted the connection of the operator's command, or of an
    // account start: the handler writes on `channel` (an empty message closes
    // it with nothing sent).
    void connected(const PendingCommand &command, CommandChannel *channel);
    void accountConnected(const PendingCommand &command, CommandChannel *channel);
    // The connection failed; the command is no longer in flight.
    void failed(const PendingCommand &command, const QString &description);
    void accountFailed(const PendingCommand &command, const QString &description);

private:
    void onConnected();
    void onFailed(const QString &description);

    CommandChannel &m_channel;
    std::function<CommandChannel *()> m_newAccountChannel;
    Prompter &m_prompter;
    std::function<const Slot *(qint64)> m_slotOf;
    std::optional<PendingCommand> m_pending;
    QString m_lastWord;
    QHash<qint64, CommandChannel *> m_accountStarts;
};
