#include "link/LogonService.h"

#include "engine/CommandChannel.h"
#include "engine/Engine.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "base/Clock.h"

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

LogonService::Engine LogonService::hooksOn(::Engine &engine)
{
    return {[&engine](qint64 aa) {
                const Slot *s = engine.slot(aa);
                return s ? s->state : SlotState::Free;
            },
            [&engine](qint64 aa, qint64 minutes, const QString &pin) { engine.startaccount(aa, minutes, pin); },
            [&engine](qint64 aa, const QDateTime &at) { engine.endaccount(aa, at); },
            [&engine](qint64 aa) { return engine.startingAccounts().contains(aa); }};
}

LogonService::LogonService(CafeStore &cafe, CustomerStore &customers, std::function<CommandChannel *()> newReplyChannel,
                           Engine engine, const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_cafe(cafe)
    , m_customers(customers)
    , m_newReplyChannel(std::move(newReplyChannel))
    , m_engine(std::move(engine))
    , m_clock(clock)
    , m_throttle(clock)
{
    m_server.setMaxPendingConnections(MaxPendingConnections);
    connect(&m_server, &QTcpServer::newConnection, this, &LogonService::acceptPending);
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
    for (const Outbox &box : std::as_const(m_outboxes))
        delete box.channel;
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
        const QString peer = peerText(socket->peerAddress());
        const auto parsed = Protocol::ipv4(peer);
        const quint32 address = parsed ? parsed->toIPv4Address() : 0;
        if (!mayConnect(peer, address)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *timer = new QTimer(socket);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, socket] { drop(socket); });
        timer->start(RequestTimeoutMs);
        m_pending.insert(socket, {timer, address});
        ++m_connectionsFrom[address];
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (socket->bytesAvailable() == 0)
                drop(socket);
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

bool LogonService::mayConnect(const QString &peer, quint32 address)
{
    if (m_pending.size() >= MaxPendingConnections || m_connectionsFrom.value(address) >= MaxConnectionsPerAddress)
        return false;
    // A machine the roster does not know has nothing to ask; books that
    // cannot be read are told when its request is served.
    const auto aa = computerAt(peer);
    return !aa || *aa != 0;
}

void LogonService::drop(QTcpSocket *socket)
{
    const auto it = m_pending.constFind(socket);
    if (it == m_pending.constEnd())
        return;
    if (--m_connectionsFrom[it->address] <= 0)
        m_connectionsFrom.remove(it->address);
    m_pending.erase(it);
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
    // Read again on a miss, so that a computer added meanwhile is found,
    // but not for every connection of a machine that is not there.
    if (!m_rosterRead || (!m_roster.contains(key) && m_rosterAge.hasExpired(1000))) {
        const auto rows = m_cafe.computers();
        if (!rows)
            return failure(m_cafe.lastError());
        m_roster.clear();
        for (const ComputerRow &r : *rows)
            if (const auto a = Protocol::ipv4(r.ip))
                m_roster.insert(a->toIPv4Address(), r.aa); // the last of a shared address wins
        m_rosterRead = true;
        m_rosterAge.start();
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
    if (*aa == 0)
        return;
    // A charge already runs there (the client rebooted, or lies): starting an
    // account on top of it would orphan that charge. One start at a time
    // goes to a computer, however often its customer sends his PIN.
    if (m_engine.statusOf(*aa) != SlotState::Free || m_engine.starting(*aa)) {
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
        const PinThrottle::Notice notice = m_throttle.failed(key);
        if (notice.address)
            emit guessing(peer);
        if (notice.cafe)
            emit cafeGuessing();
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
    Outbox &box = m_outboxes[peer];
    if (box.texts.size() >= MaxRepliesPerAddress)
        return; // a flood: drop rather than let replies pile up without end
    box.texts.enqueue(text);
    if (!box.channel)
        sendNextReply(peer);
}

void LogonService::sendNextReply(const QString &peer)
{
    const auto it = m_outboxes.find(peer);
    if (it == m_outboxes.end())
        return;
    if (it->texts.isEmpty()) {
        if (it->channel)
            it->channel->deleteLater();
        m_outboxes.erase(it);
        return;
    }
    if (!it->channel) {
        CommandChannel *channel = m_newReplyChannel();
        channel->setParent(this);
        connect(channel, &CommandChannel::connected, this, [this, channel, peer] {
            const Outbox box = m_outboxes.value(peer);
            channel->send(box.texts.isEmpty() ? QByteArray() : box.texts.head());
        });
        // A refusal that cannot be delivered is dropped without a word, as the client is gone.
        const auto next = [this, peer] {
            Outbox &box = m_outboxes[peer];
            if (!box.texts.isEmpty())
                box.texts.dequeue();
            sendNextReply(peer);
        };
        connect(channel, &CommandChannel::finished, this, next);
        connect(channel, &CommandChannel::failed, this, next);
        it->channel = channel;
    }
    it->channel->open(peer);
}
