#include "link/LogonPort.h"

#include "link/CommandChannel.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
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

LogonPort::LogonPort(CafeStore &cafe, LogonRules &rules, std::function<CommandChannel *()> newReplyChannel,
                     const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_cafe(cafe)
    , m_rules(rules)
    , m_newReplyChannel(std::move(newReplyChannel))
    , m_clock(clock)
    , m_throttle(clock)
{
    m_server.setMaxPendingConnections(MaxPendingConnections);
    connect(&m_server, &QTcpServer::newConnection, this, &LogonPort::acceptPending);
}

LogonPort::~LogonPort()
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

std::optional<QString> LogonPort::listen(const Ports &ports, const QHostAddress &address)
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

void LogonPort::acceptPending()
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

bool LogonPort::mayConnect(const QString &peer, quint32 address)
{
    if (m_pending.size() >= MaxPendingConnections || m_connectionsFrom.value(address) >= MaxConnectionsPerAddress)
        return false;
    // A machine the roster does not know has nothing to ask; books that
    // cannot be read are told when its request is served.
    const auto aa = computerAt(peer);
    return !aa || *aa != 0;
}

void LogonPort::drop(QTcpSocket *socket)
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

void LogonPort::readFrom(QTcpSocket *socket)
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

void LogonPort::handleRequest(const QString &peer, const QByteArray &request)
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

Result<qint64> LogonPort::computerAt(const QString &peer)
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
            return failure(rows.error());
        m_roster.clear();
        for (const ComputerRow &r : *rows)
            if (const auto a = Protocol::ipv4(r.ip))
                m_roster.insert(a->toIPv4Address(), r.aa); // the last of a shared address wins
        m_rosterRead = true;
        m_rosterAge.start();
    }
    return m_roster.value(key, 0);
}

void LogonPort::serveCloseme(const QString &peer, qint64 secondsAgo)
{
    const auto aa = computerAt(peer);
    if (!aa) {
        storeFailed(aa.error());
        return;
    }
    if (*aa == 0)
        return;
    // A logoff from before this console listened could not reach it: it ends
    // the charge when the customer left. One claimed from since then is not
    // believed, or a customer could send one and use the time for nothing.
    const QDateTime at = m_clock.now().addSecs(-secondsAgo);
    if (m_rules.closeme(*aa, at < m_listeningSince ? at : QDateTime()))
        emit closed(peer, *aa);
}

void LogonPort::servePin(const QString &peer, const QString &pin)
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
    const auto answer = m_rules.pin(*aa, peer, pin);
    if (!answer) {
        storeFailed(answer.error());
        refuse(peer, Protocol::invalidPassword());
        return;
    }
    switch (answer->kind) {
    case LogonRules::Answer::Kind::Accepted:
        m_storeFailing = false;
        emit accepted(peer, *aa, answer->minutes);
        return;
    case LogonRules::Answer::Kind::UnknownPin: {
        const PinThrottle::Notice notice = m_throttle.failed(key);
        if (notice.address)
            emit guessing(peer);
        if (notice.cafe)
            emit cafeGuessing();
        break;
    }
    case LogonRules::Answer::Kind::Refused:
        break;
    }
    refuse(peer, answer->refusal);
}

void LogonPort::storeFailed(const QString &cause)
{
    if (m_storeFailing)
        return;
    m_storeFailing = true;
    emit failedToServe(cause);
}

void LogonPort::refuse(const QString &peer, const QByteArray &text)
{
    emit refused(peer, QString::fromLatin1(text));
    Outbox &box = m_outboxes[peer];
    if (box.texts.size() >= MaxRepliesPerAddress)
        return; // a flood: drop rather than let replies pile up without end
    box.texts.enqueue(text);
    if (!box.channel)
        sendNextReply(peer);
}

void LogonPort::sendNextReply(const QString &peer)
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
