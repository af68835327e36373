#pragma once

#include "engine/Slot.h"
#include "link/PinThrottle.h"
#include "link/Ports.h"
#include "base/Result.h"

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
class CustomerStore;
class Engine;
class QTcpSocket;
class QTimer;

// Answers the client computers' logon port: a customer's PIN starts a
// customer-account time charge on the computer the request came from, or is
// refused with a text sent back to that computer's text port; "closeme" ends
// the computer's customer-account time charge. A PIN from a computer that
// runs a time charge is refused before anything is written, and a client
// address that keeps sending unknown PINs is paused (see PinThrottle).
// Only the roster's computers are heard, each on a few connections at once,
// and each gets its refusals in a queue of its own, so that no computer can
// keep another's customers waiting.
class LogonService : public QObject
{
    Q_OBJECT
public:
    // What the service needs of the time-charge engine.
    struct Engine
    {
        std::function<SlotState(qint64 aa)> statusOf;
        std::function<void(qint64 aa, qint64 minutes, const QString &pin)> startaccount;
        // `at`: when the customer left, if not now.
        std::function<void(qint64 aa, const QDateTime &at)> endaccount;
        // Whether an account start is on its way to the computer.
        std::function<bool(qint64 aa)> starting;
    };
    // The hooks on the console's engine, which must outlive the service.
    static Engine hooksOn(::Engine &engine);

    static constexpr int RequestTimeoutMs = 3000; // a silent connection is closed after this
    static constexpr int MaxRequestBytes = 256;   // a PIN is short; more is not a request
    static constexpr int MaxConnectionsPerAddress = 4;
    static constexpr int MaxPendingConnections = 512; // all addresses together: the descriptors' bound
    static constexpr int MaxRepliesPerAddress = 4;

    // `newReplyChannel` gives a channel to the text port; one is made per
    // address while it has refusals to send.
    LogonService(CafeStore &cafe, CustomerStore &customers, std::function<CommandChannel *()> newReplyChannel,
                 Engine engine, const Clock &clock, QObject *parent = nullptr);
    ~LogonService() override;

    // Listens on the logon port; an error text (with what to do) when it cannot.
    std::optional<QString> listen(const Ports &ports, const QHostAddress &address = QHostAddress::AnyIPv4);
    bool isListening() const { return m_server.isListening(); }

    // One request as it arrived from a peer; public so that tests can drive it.
    void handleRequest(const QString &peer, const QByteArray &request);
    // The "startuser" command could not be delivered: the account is free again.
    void accountStartFailed(const QString &pin);

signals:
    void refused(const QString &peer, const QString &text);
    void accepted(const QString &peer, qint64 aa, qint64 minutes);
    void closed(const QString &peer, qint64 aa);
    // A database error while serving a request (the request is refused);
    // signalled once until a PIN is served again.
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
    void storeFailed(const QString &cause);
    // The roster key of the computer at an address; 0 when none.
    Result<qint64> computerAt(const QString &peer);
    void sendNextReply(const QString &peer);
    void servePin(const QString &peer, const QString &pin);
    void serveCloseme(const QString &peer, qint64 secondsAgo);

    CafeStore &m_cafe;
    CustomerStore &m_customers;
    std::function<CommandChannel *()> m_newReplyChannel;
    Engine m_engine;
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
