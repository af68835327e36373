#pragma once

#include "link/PinThrottle.h"
#include "link/Ports.h"
#include "base/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QQueue>
#include <QTcpServer>
#include <functional>
#include <optional>

class CafeStore;
class Clock;
class CommandChannel;
class QTcpSocket;
class QTimer;

// What decides a request that reached the logon port from a computer of the
// roster: the port knows sockets and addresses, the rules know customers.
class LogonRules
{
public:
    struct Answer
    {
        enum class Kind { Accepted, Refused, UnknownPin };
        Kind kind = Kind::Refused;
        QByteArray refusal; // sent back to the computer's text port
        qint64 minutes = 0; // the credit of an accepted account
    };
    virtual ~LogonRules() = default;
    // A PIN from computer `aa` at address `peer`; a failure when the books
    // cannot be read.
    virtual Result<Answer> pin(qint64 aa, const QString &peer, const QString &pin) = 0;
    // "closeme" from computer `aa`: whether it ended a customer-account
    // charge. `at`: when the customer left, if not now.
    virtual bool closeme(qint64 aa, const QDateTime &at) = 0;
};

// Listens on the client computers' logon port. Only the roster's computers
// are heard, each on a few connections at once; a client address that keeps
// sending unknown PINs is paused (see PinThrottle); each computer gets its
// refusals in a queue of its own, so that no computer can keep another's
// customers waiting.
class LogonPort : public QObject
{
    Q_OBJECT
public:
    static constexpr int RequestTimeoutMs = 3000; // a silent connection is closed after this
    static constexpr int MaxRequestBytes = 256;   // a PIN is short; more is not a request
    static constexpr int MaxConnectionsPerAddress = 4;
    static constexpr int MaxPendingConnections = 512; // all addresses together: the descriptors' bound
    static constexpr int MaxRepliesPerAddress = 4;

    // `newReplyChannel` gives a channel to the text port; one is made per
    // address while it has refusals to send. The rules must outlive the port.
    LogonPort(CafeStore &cafe, LogonRules &rules, std::function<CommandChannel *()> newReplyChannel,
              const Clock &clock, QObject *parent = nullptr);
    ~LogonPort() override;

    // Listens on the logon port; an error text (with what to do) when it cannot.
    std::optional<QString> listen(const Ports &ports, const QHostAddress &address = QHostAddress::AnyIPv4);
    bool isListening() const { return m_server.isListening(); }

    // One request as it arrived from a peer; public so that tests can drive it.
    void handleRequest(const QString &peer, const QByteArray &request);
    // A database error while serving customers: told once until a PIN is
    // served again, as every customer meets the same broken file.
    void storeFailed(const QString &cause);

signals:
    void refused(const QString &peer, const QString &text);
    void accepted(const QString &peer, qint64 aa, qint64 minutes);
    void closed(const QString &peer, qint64 aa);
    void failedToServe(const QString &description);
    // An address was paused for guessing PINs; signalled once per address
    // until it has been quiet for a day.
    void guessing(const QString &peer);
    // Unknown PINs from the whole café reached the café's limit.
    void cafeGuessing();

private:
    struct Connection
    {
        QTimer *timer = nullptr;
        quint32 address = 0;
    };
    // The refusals waiting for one address, the first in flight.
    struct Outbox
    {
        CommandChannel *channel = nullptr;
        QQueue<QByteArray> texts;
    };

    void acceptPending();
    bool mayConnect(const QString &peer, quint32 address);
    void readFrom(QTcpSocket *socket);
    void drop(QTcpSocket *socket);
    void refuse(const QString &peer, const QByteArray &text);
    // The roster key of the computer at an address; 0 when none.
    Result<qint64> computerAt(const QString &peer);
    void sendNextReply(const QString &peer);
    void servePin(const QString &peer, const QString &pin);
    void serveCloseme(const QString &peer, qint64 secondsAgo);

    CafeStore &m_cafe;
    LogonRules &m_rules;
    std::function<CommandChannel *()> m_newReplyChannel;
    const Clock &m_clock;
    QDateTime m_listeningSince;
    PinThrottle m_throttle;
    // Roster addresses, parsed: an address is compared as an address.
    QHash<quint32, qint64> m_roster;
    bool m_rosterRead = false;
    QElapsedTimer m_rosterAge;
    bool m_storeFailing = false;
    QTcpServer m_server;
    QHash<QTcpSocket *, Connection> m_pending;
    QHash<quint32, int> m_connectionsFrom;
    QHash<QString, Outbox> m_outboxes;
};
