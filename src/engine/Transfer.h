#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class CafeStore;
class Clock;
class CommandChannel;
class Engine;
class Prompter;

// Moves a running normal or prepaid time charge from the computer in use to
// a free one. Two steps, each on its own command channel: the new computer
// is unlocked with the time to continue from, and only once it has accepted
// is the old computer locked. The transaction stays the same row and
// follows the charge.
class Transfer : public QObject
{
    Q_OBJECT
public:
    using ChannelFactory = std::function<CommandChannel *()>;

    static inline const QString Placeholder = QStringLiteral("-ΕΠΙΛΟΓΗ-");

    // What the window shows of the charge to move; the end and the prepaid
    // seconds only for a prepaid charge.
    struct Fields
    {
        QString computer;
        QString status; // the status word
        QString endTime, startTime, address, transaction;
        QString seconds; // used of a normal charge, left of a prepaid one
        QString prepaidSeconds;
    };

    enum class Answer {
        NoChoice,    // the placeholder is still shown
        Declined,    // No to the question, or a move already in flight
        TargetTaken, // the chosen computer is no longer free
        SourceGone,  // the charge has ended meanwhile
        Started,     // the new computer is being reached
    };

    // The factory makes the two channels (new computer, old computer) at
    // their first use; a channel without a parent becomes ours.
    Transfer(Engine &engine, CafeStore &cafe, Prompter &prompter, const Clock &clock, ChannelFactory factory,
             QObject *parent = nullptr);

    void setChannelFactory(ChannelFactory factory) { m_factory = std::move(factory); }

    // Prepares the move of aa's charge; false when it runs none to move.
    bool load(qint64 aa);
    qint64 source() const { return m_source; }
    QString sourceName() const { return m_sourceName; }
    // A prepaid charge moves with the time it has left, a normal one with the time it has used.
    bool prepaid() const { return m_prepaid; }
    Fields fields() const { return m_fields; }
    // Names of the computers whose three roster flags are all false.
    QStringList freeComputers();
    // What the new computer is to receive as of now: seconds used of a
    // normal charge, or remaining seconds (plus one) of a prepaid one.
    qint64 seconds() const;

    // The OK button: checks, asks, and starts the move.
    Answer ok(const QString &chosen);
    bool isBusy() const;

signals:
    // The new computer could not be reached: nothing has changed.
    void failed();
    // The move is over (the window closes).
    void ended();
    void busyChanged(bool busy);

private:
    // The step in flight; each moves a prepaid charge as well as a normal one.
    enum class Step {
        Idle,
        UnlockingNew, // the new computer is being reached
        LockingOld,   // the charge runs on the new one; the old is being locked
    };

    void ensureChannels();
    void startNew(qint64 target, const QString &name, const QString &address);
    void endNew();
    void onNewConnected();
    void onNewFailed(const QString &description);
    void onOldConnected();
    void onOldFinished();
    void onOldFailed(const QString &description);
    void setStep(Step step);
    // Whether the loaded charge still runs on the source as it was loaded.
    bool sourceUnchanged() const;

    Engine &m_engine;
    CafeStore &m_cafe;
    Prompter &m_prompter;
    const Clock &m_clock;
    ChannelFactory m_factory;
    QPointer<CommandChannel> m_newChannel; // Winsock1
    QPointer<CommandChannel> m_oldChannel; // Winsock2

    qint64 m_source = 0;
    QString m_sourceName;
    QString m_sourceAddress;
    qint64 m_transaction = 0;
    bool m_prepaid = false;
    Fields m_fields;

    Step m_step = Step::Idle;
    bool m_deciding = false;
    qint64 m_target = 0;
    QString m_targetName;
};
