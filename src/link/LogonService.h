#pragma once

#include "engine/Slot.h"
#include "link/PinThrottle.h"
#include "link/Ports.h"
#include "ui/Result.h"

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
class QTcpSocket;
class QTimer;

// Answers the client computers' logon port: a customer's PIN starts a
// customer-account time charge on the computer the request came from, or is
// refused with a text sent back to that computer's text port; "closeme" ends
// the computer's customer-account time charge. A PIN from a computer that
// runs a time charge is refused before anything is written, and a client
// address that keeps sending unknown PINs is paused (see PinThrottle).
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
    };

    static constexpr int RequestTimeoutMs = 3000; // a silent connection is closed after this
    static constexpr int MaxRequestBytes = 256;   // a PIN is short; more is not a request
    static constexpr int MaxPendingConnections = 64;
    static constexpr int MaxQueuedReplies = 256;

    LogonService(CafeStore &cafe, CustomerStore &customers, CommandChannel &reply, Engine engine, const Clock &clock,
                 QObject *parent = nullptr);
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
    // An address was paused for guessing PINs; signalled once per address.
    void guessing(const QString &peer);

private:
    void acceptPending();
    void readFrom(QTcpSocket *socket);
    void drop(QTcpSocket *socket);
    void refuse(const QString &peer, const QByteArray &text);
    void storeFailed(const QString &cause);
    // The roster key of the computer at an address; 0 when none.
    Result<qint64> computerAt(const QString &peer);
    void sendNextReply();
    void servePin(const QString &peer, const QString &pin);
    void serveCloseme(const QString &peer, qint64 secondsAgo);

    CafeStore &m_cafe;
    CustomerStore &m_customers;
    CommandChannel &m_reply;
    Engine m_engine;
    const Clock &m_clock;
    QDateTime m_listeningSince;
    PinThrottle m_throttle;
    // Roster addresses, parsed: an address is compared as an address.
    QHash<quint32, qint64> m_roster;
    bool m_rosterRead = false;
    bool m_storeFailing = false;
    QTcpServer m_server;
    QHash<QTcpSocket *, QTimer *> m_pending;
    QQueue<QPair<QString, QByteArray>> m_replies;
};
