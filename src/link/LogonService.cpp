#include "link/LogonService.h"

#include "engine/CommandChannel.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QTcpSocket>
#include <QTimer>

namespace {
QString peerText(const QHostAddress &a)
{
    bool mapped = false;
    const quint32 v4 = a.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : a.toString();
}
} // namespace

LogonService::LogonService(CafeStore &cafe, CustomerStore &customers, CommandChannel &reply, Engine engine,
                           const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_cafe(cafe)
    , m_customers(customers)
    , m_reply(reply)
    , m_engine(std::move(engine))
    , m_clock(clock)
    , m_throttle(clock)
{
    m_server.setMaxPendingConnections(MaxPendingConnections);
    connect(&m_server, &QTcpServer::newConnection, this, &LogonService::acceptPending);
    connect(&m_reply, &CommandChannel::connected, this, [this] {
        if (!m_replies.isEmpty())
            m_reply.send(m_replies.head().second);
    });
    // A refusal that cannot be delivered is dropped without a word, as the client is gone.
    connect(&m_reply, &CommandChannel::finished, this, [this] {
        if (!m_replies.isEmpty())
            m_replies.dequeue();
        sendNextReply();
    });
    connect(&m_reply, &CommandChannel::failed, this, [this] {
        if (!m_replies.isEmpty())
            m_replies.dequeue();
        sendNextReply();
    });
}

LogonService::~LogonService()
{
    // The sockets must not call back into a service that is half destroyed.
    const auto sockets = m_pending.keys();
    m_pending.clear();
    for (QTcpSocket *s : sockets) {
        s->disconnect(this);
        delete s;
    }
    m_server.close();
}

std::optional<QString> LogonService::listen(const Ports &ports, const QHostAddress &address)
{
    if (m_server.listen(address, ports.logon)) {
        m_listeningSince = m_clock.now();
        return std::nullopt;
    }
    QString advice;
    if (ports.logon < 1024)
        advice = QStringLiteral(" Ports below 1024 need the capability to bind them: run"
                                " \"sudo setcap cap_net_bind_service=+ep\" on the korvane program,"
                                " or start it with --port-offset.");
    else
        advice = QStringLiteral(" Close the other program that uses it, or choose another --port-offset.");
    return QStringLiteral("Customers cannot log on: port %1 cannot be opened (%2).%3")
        .arg(ports.logon)
        .arg(m_server.errorString(), advice);
}

void LogonService::acceptPending()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_pending.size() >= MaxPendingConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, socket] { drop(socket); });
        timer->start(RequestTimeoutMs);
        m_pending.insert(socket, timer);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (socket->bytesAvailable() == 0)
                drop(socket);
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void LogonService::drop(QTcpSocket *socket)
{
    if (!m_pending.remove(socket))
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void LogonService::readFrom(QTcpSocket *socket)
{
    if (!m_pending.contains(socket))
        return;
    // The first arrival is the whole request; whatever follows is not read.
    const QByteArray data = socket->read(MaxRequestBytes + 1);
    const QString peer = peerText(socket->peerAddress());
    const bool oversized = data.size() > MaxRequestBytes || socket->bytesAvailable() > 0;
    drop(socket);
    if (oversized || data.isEmpty())
        return;
    handleRequest(peer, data);
}

void LogonService::handleRequest(const QString &peer, const QByteArray &request)
{
    QString text = QString::fromLatin1(request);
    // A client typed by hand (netcat, telnet) ends its line; the line end is not part of the PIN.
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (const auto ago = Protocol::parseCloseme(text.toLatin1()))
        serveCloseme(peer, *ago);
    else
        servePin(peer, text);
}

Result<qint64> LogonService::computerAt(const QString &peer)
{
    const auto address = Protocol::ipv4(peer);
    if (!address)
        return qint64(0);
    const quint32 key = address->toIPv4Address();
    // Read again on a miss, so that a computer added meanwhile is found.
    if (!m_rosterRead || !m_roster.contains(key)) {
        const auto rows = m_cafe.computers();
        if (!rows)
            return failure(m_cafe.lastError());
        m_roster.clear();
        for (const ComputerRow &r : *rows)
            if (const auto a = Protocol::ipv4(r.ip))
                m_roster.insert(a->toIPv4Address(), r.aa); // the last of a shared address wins
        m_rosterRead = true;
    }
    return m_roster.value(key, 0);
}

void LogonService::serveCloseme(const QString &peer, qint64 secondsAgo)
{
    const auto aa = computerAt(peer);
    if (!aa) {
        storeFailed(aa.error());
        return;
    }
    // Only a customer-account charge ends here; anything else stays as it is.
    if (*aa == 0 || m_engine.statusOf(*aa) != SlotState::Account)
        return;
    // A logoff from before this console listened could not reach it: it ends
    // the charge when the customer left. One claimed from since then is not
    // believed, or a customer could send one and use the time for nothing.
    const QDateTime at = m_clock.now().addSecs(-secondsAgo);
    m_engine.endaccount(*aa, at < m_listeningSince ? at : QDateTime());
    emit closed(peer, *aa);
}

void LogonService::servePin(const QString &peer, const QString &pin)
{
    const auto address = Protocol::ipv4(peer);
    const quint32 key = address ? address->toIPv4Address() : 0;
    // A guessing client is answered unseen: no look-up, and so nothing learnt.
    if (m_throttle.isPaused(key)) {
        refuse(peer, Protocol::invalidPassword());
        return;
    }
    const auto aa = computerAt(peer);
    if (!aa) {
        storeFailed(aa.error());
        refuse(peer, Protocol::invalidPassword());
        return;
    }
    // A request from an address the roster does not know concerns no computer.
    if (*aa == 0) {
        refuse(peer, Protocol::invalidPassword());
        return;
    }
    // A charge already runs there (the client rebooted, or lies): starting an
    // account on top of it would orphan that charge.
    if (m_engine.statusOf(*aa) != SlotState::Free) {
        refuse(peer, Protocol::computerBusy());
        return;
    }
    const auto accounts =
        pin.isEmpty() ? Result<QList<CustomerRow>>(QList<CustomerRow>()) : m_customers.accountsWithPin(pin);
    if (!accounts) {
        storeFailed(m_customers.lastError());
        refuse(peer, Protocol::invalidPassword());
        return;
    }
    if (accounts->isEmpty()) {
        if (m_throttle.failed(key))
            emit guessing(peer);
        refuse(peer, Protocol::invalidPassword());
        return;
    }
    for (const CustomerRow &a : *accounts) {
        if (a.timeleft < 2) {
            refuse(peer, Protocol::timeExpired());
            return;
        }
        if (a.timer) {
            refuse(peer, Protocol::pinInUse());
            return;
        }
    }
    CustomerRow account = accounts->first();
    account.timer = true;
    account.pcused = peer;
    if (!m_customers.updateAccount(account)) {
        storeFailed(m_customers.lastError());
        refuse(peer, Protocol::invalidPassword());
        return;
    }
    m_throttle.succeeded(key);
    m_storeFailing = false;
    emit accepted(peer, *aa, account.timeleft);
    m_engine.startaccount(*aa, account.timeleft, account.password);
}

void LogonService::accountStartFailed(const QString &pin)
{
    const auto accounts = m_customers.accountsWithPin(pin);
    if (!accounts) {
        storeFailed(m_customers.lastError());
        return;
    }
    for (CustomerRow a : *accounts) {
        if (!a.timer)
            continue;
        a.timer = false;
        if (!m_customers.updateAccount(a))
            storeFailed(m_customers.lastError());
    }
}

void LogonService::storeFailed(const QString &cause)
{
    // Every customer meets the same broken file: tell it once, not per PIN,
    // until a logon succeeds again.
    if (m_storeFailing)
        return;
    m_storeFailing = true;
    emit failedToServe(cause);
}

void LogonService::refuse(const QString &peer, const QByteArray &text)
{
    emit refused(peer, QString::fromLatin1(text));
    if (m_replies.size() >= MaxQueuedReplies)
        return; // a flood: drop rather than let replies pile up without end
    m_replies.enqueue({peer, text});
    if (m_replies.size() == 1)
        sendNextReply();
}

void LogonService::sendNextReply()
{
    if (m_replies.isEmpty() || m_reply.isBusy())
        return;
    m_reply.open(m_replies.head().first);
}
