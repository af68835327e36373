#include "ClientAgent.h"

#include "link/Protocol.h"
#include "link/TcpChannel.h"

#include <QFile>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QPointer>
#include <QProcess>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

ClientAgent::ClientAgent(Options options, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_command(new QTcpServer(this))
    , m_text(new QTcpServer(this))
    , m_probe(new QTcpServer(this))
    , m_consoleHosts([this] {
        QList<QHostAddress> hosts;
        for (const QString &c : m_options.consoles)
            if (const auto a = Protocol::ipv4(c))
                hosts << *a;
        return hosts;
    }())
{
    m_expiry.setSingleShot(true);
    m_expiry.setTimerType(Qt::PreciseTimer);
    connect(&m_expiry, &QTimer::timeout, this, &ClientAgent::countdown);
}

std::optional<QString> ClientAgent::start()
{
    const Ports &p = m_options.ports;
    const QList<std::pair<QTcpServer *, quint16>> servers = {
        {m_command, p.command}, {m_text, p.text}, {m_probe, p.probe}};
    for (const auto &[server, port] : servers) {
        if (!server->listen(m_options.listen, port))
            return QStringLiteral("cannot listen on %1 port %2: %3")
                .arg(m_options.listen.toString())
                .arg(port)
                .arg(server->errorString());
        connect(server, &QTcpServer::newConnection, this, [this, server, port] { accept(server, port); });
    }

    if (m_options.broadcast) {
        m_udp = new QUdpSocket(this);
        // Several agents on one machine share the broadcast port.
        if (!m_udp->bind(QHostAddress::AnyIPv4, p.broadcastRemote,
                         QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
            std::fprintf(stderr, "korvane-client: no broadcasts: cannot bind port %d: %s\n", p.broadcastRemote,
                         qPrintable(m_udp->errorString()));
        } else {
            // Join on the interface that holds the listening address, so a
            // loopback agent stays on loopback.
            QNetworkInterface iface;
            if (m_options.listen != QHostAddress(QHostAddress::AnyIPv4))
                for (const QNetworkInterface &i : QNetworkInterface::allInterfaces())
                    for (const QNetworkAddressEntry &e : i.addressEntries())
                        if (e.ip() == m_options.listen || (m_options.listen.isLoopback() && e.ip().isLoopback()))
                            iface = i;
            const bool joined =
                iface.isValid() ? m_udp->joinMulticastGroup(p.group, iface) : m_udp->joinMulticastGroup(p.group);
            // The system's own words for this ("No such device", or none at all)
            // do not tell what to set up.
            const QString group = p.group.toString();
            if (!joined && iface.isValid())
                std::fprintf(stderr,
                             "korvane-client: no broadcasts: cannot join %s on %s (%s): the interface needs"
                             " multicast (ip link set %s multicast on)\n",
                             qPrintable(group), qPrintable(iface.name()), qPrintable(m_udp->errorString()),
                             qPrintable(iface.name()));
            else if (!joined)
                std::fprintf(stderr,
                             "korvane-client: no broadcasts: cannot join %s, as no route leads to it (%s): add one"
                             " through the interface on the cafe's network (ip route add 224.0.0.0/4 dev IFACE),"
                             " or give --listen that interface's address\n",
                             qPrintable(group), qPrintable(m_udp->errorString()));
            connect(m_udp, &QUdpSocket::readyRead, this, &ClientAgent::datagrams);
        }
    }

    if (!m_options.screenSocket.isEmpty())
        if (auto error = listenForScreens())
            return error;

    m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_stdin, &QSocketNotifier::activated, this, &ClientAgent::readStdin);

    emitEvent(QStringLiteral("ready"), 0, QString(),
              {{QStringLiteral("listen"), m_options.listen.toString()}, {QStringLiteral("offset"), p.offset}});
    return std::nullopt;
}

std::optional<QString> ClientAgent::listenForScreens()
{
    const QString path = m_options.screenSocket;
    const QByteArray file = QFile::encodeName(path);
    // A socket left by an agent that died would refuse every screen; any
    // other file there is not ours to remove.
    struct stat st;
    if (::lstat(file.constData(), &st) == 0 && S_ISSOCK(st.st_mode))
        QLocalServer::removeServer(path);
    m_screens = new QLocalServer(this);
    m_screens->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_screens->listen(path))
        return QStringLiteral("cannot open the screens' socket %1: %2").arg(path, m_screens->errorString());
    // Opened to the group only once it is the group's: no moment when others could connect.
    if (!m_options.screenGroup.isEmpty()) {
        const group *g = ::getgrnam(m_options.screenGroup.toLocal8Bit().constData());
        if (!g || ::chown(file.constData(), uid_t(-1), g->gr_gid) != 0 || ::chmod(file.constData(), 0660) != 0)
            return QStringLiteral("cannot give the screens' socket %1 to group %2: %3")
                .arg(path, m_options.screenGroup,
                     g ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("no such group"));
    }
    connect(m_screens, &QLocalServer::newConnection, this, &ClientAgent::screenConnected);
    return std::nullopt;
}

void ClientAgent::screenConnected()
{
    while (QLocalSocket *s = m_screens->nextPendingConnection()) {
        m_screenSockets.append(s);
        connect(s, &QLocalSocket::disconnected, this, [this, s] {
            m_screenSockets.removeOne(s);
            s->deleteLater();
        });
        connect(s, &QLocalSocket::readyRead, this, [this, s] {
            while (s->canReadLine())
                line(s->readLine(MaxLineBytes));
            if (s->bytesAvailable() > MaxLineBytes)
                s->abort();
        });
    }
    // What a new screen needs to show: the state and the café's name.
    emitEvent(QStringLiteral("status"), 0, QString());
}

void ClientAgent::accept(QTcpServer *server, quint16 port)
{
    while (QTcpSocket *s = server->nextPendingConnection()) {
        const QString peer = QHostAddress(s->peerAddress().toIPv4Address()).toString();
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        if (port == m_options.ports.probe) {
            // Presence only: the console closes at once; so do we.
            emitEvent(QStringLiteral("probe"), port, QString(), {{QStringLiteral("from"), peer}});
            // The console is back: a logoff it has not heard of can reach it now.
            if (fromConsole(s->peerAddress()))
                tellLeft();
            s->disconnectFromHost();
            continue;
        }
        // Anyone on the network can reach these ports: a customer must not
        // unlock his own computer by sending it a command.
        if (!fromConsole(s->peerAddress())) {
            emitEvent(QStringLiteral("refused"), port, QString(), {{QStringLiteral("from"), peer}});
            s->abort();
            continue;
        }
        // The message is everything until the sender closes.
        auto buffer = std::make_shared<QByteArray>();
        QPointer<QTcpSocket> guard(s);
        connect(s, &QTcpSocket::readyRead, this, [this, s, buffer, port, peer] {
            *buffer += s->readAll();
            if (buffer->size() > MaxMessageBytes) {
                s->disconnect(this);
                s->abort();
                s->deleteLater();
                emitEvent(
                    QStringLiteral("error"), port, QString(),
                    {{QStringLiteral("from"), peer}, {QStringLiteral("error"), QStringLiteral("message too long")}});
            }
        });
        connect(s, &QTcpSocket::disconnected, this, [this, s, buffer, port, peer] {
            *buffer += s->readAll();
            received(port, *buffer, peer);
        });
        QTimer::singleShot(MessageTimeoutMs, this, [this, guard, port, peer] {
            if (!guard || guard->state() != QAbstractSocket::ConnectedState)
                return;
            guard->disconnect(this);
            guard->abort();
            guard->deleteLater();
            emitEvent(QStringLiteral("error"), port, QString(),
                      {{QStringLiteral("from"), peer},
                       {QStringLiteral("error"), QStringLiteral("message not ended in time")}});
        });
    }
}

void ClientAgent::received(quint16 port, const QByteArray &message, const QString &peer)
{
    if (port == m_options.ports.command) {
        command(message, peer);
        return;
    }
    const QString text = Protocol::decodeText(message);
    emitEvent(QStringLiteral("message"), port, text, {{QStringLiteral("from"), peer}});
    runHook(QStringLiteral("message"), text);
    if (message == Protocol::invalidPassword() && m_pinSent.isValid() && m_pinSent.elapsed() < MessageTimeoutMs)
        pinRefused();
}

void ClientAgent::pinRefused()
{
    m_pinSent.invalidate();
    // Refused unseen while paused: the console counted nothing.
    if (m_guesses.isPaused(0))
        return;
    m_guesses.failed(0);
    // As long as the console's pause: until the oldest of the wrong PINs
    // that reached a limit leaves its window.
    if (const qint64 secs = m_guesses.pausedForSecs(0); secs > 0)
        emitEvent(QStringLiteral("paused"), 0, QString(), {{QStringLiteral("wait"), secs}});
}

void ClientAgent::command(const QByteArray &message, const QString &peer)
{
    using C = Protocol::Command;
    const C c = Protocol::parseCommand(message);
    const QString text = QString::fromLatin1(message);
    const QJsonObject from{{QStringLiteral("from"), peer}};
    const auto refuse = [&](const QString &why) {
        emitEvent(QStringLiteral("error"), m_options.ports.command, text,
                  {{QStringLiteral("from"), peer}, {QStringLiteral("error"), why}});
    };
    // No console sends more than a year; a bigger number would overflow the
    // countdown into an unlock of some other length.
    const qint64 limit = c.kind == C::Account ? MaxUnlockSecs / 60 : MaxUnlockSecs;
    if (c.number > limit || c.number < -limit)
        return refuse(QStringLiteral("number out of range"));
    QString hook;
    switch (c.kind) {
    case C::Unknown:
        return refuse(QStringLiteral("unknown command"));
    case C::StartPc:
        unlockOpen(0);
        hook = QStringLiteral("unlock");
        break;
    case C::MovedNormal:
        unlockOpen(c.number);
        hook = QStringLiteral("unlock");
        break;
    case C::Prepaid:
    case C::MovedPrepaid:
        unlockFor(Mode::Prepaid, c.number);
        break;
    case C::Account:
        // A console that restarts tells the account again: the customer has
        // gone, so it hears that instead and the computer stays locked.
        if (m_leftAt.isValid()) {
            tellLeft();
            break;
        }
        unlockFor(Mode::Account, c.number * 60);
        break;
    case C::StopPc:
    case C::StopUser:
        lock();
        hook = QStringLiteral("lock");
        break;
    case C::Reboot:
        hook = QStringLiteral("reboot");
        break;
    case C::Logoff:
        hook = QStringLiteral("logoff");
        break;
    case C::Shutdown:
        hook = QStringLiteral("shutdown");
        break;
    case C::Powerdown:
        hook = QStringLiteral("suspend");
        break;
    }
    if (hook.isEmpty())
        hook = m_mode == Mode::Locked ? QStringLiteral("lock") : QStringLiteral("unlock");
    emitEvent(QStringLiteral("command"), m_options.ports.command, text, from);
    runHook(hook, text);
}

void ClientAgent::datagrams()
{
    while (m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_udp->receiveDatagram(MaxMessageBytes);
        const QByteArray data = d.data();
        const QJsonObject from{{QStringLiteral("from"), d.senderAddress().toString()}};
        const quint16 port = m_options.ports.broadcastRemote;
        if (!fromConsole(d.senderAddress())) {
            emitEvent(QStringLiteral("refused"), port, QString::fromLatin1(data), from);
            continue;
        }
        switch (Protocol::parseBroadcast(data)) {
        case Protocol::Broadcast::Terminate:
            // Unlock all: a computer already unlocked keeps its charge.
            if (m_mode == Mode::Locked)
                unlockOpen(0);
            emitEvent(QStringLiteral("broadcast"), port, QString::fromLatin1(data), from);
            runHook(QStringLiteral("unlock"), QString::fromLatin1(data));
            break;
        case Protocol::Broadcast::Shutdown:
            emitEvent(QStringLiteral("broadcast"), port, QString::fromLatin1(data), from);
            runHook(QStringLiteral("shutdown"), QString::fromLatin1(data));
            break;
        case Protocol::Broadcast::Message: {
            const QString text = Protocol::decodeText(data);
            emitEvent(QStringLiteral("message"), port, text, from);
            runHook(QStringLiteral("message"), text);
            break;
        }
        }
    }
}

bool ClientAgent::fromConsole(const QHostAddress &peer) const
{
    return m_consoleHosts.contains(QHostAddress(peer.toIPv4Address()));
}

void ClientAgent::readStdin()
{
    char buf[4096];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        // End of input: the agent goes on serving its ports.
        m_stdin->setEnabled(false);
        if (!m_stdinBuffer.isEmpty())
            line(std::exchange(m_stdinBuffer, {}));
        return;
    }
    m_stdinBuffer.append(buf, n);
    qsizetype eol;
    while ((eol = m_stdinBuffer.indexOf('\n')) >= 0) {
        const QByteArray l = m_stdinBuffer.left(eol);
        m_stdinBuffer.remove(0, eol + 1);
        line(l);
    }
    if (m_stdinBuffer.size() > MaxMessageBytes)
        m_stdinBuffer.clear();
}

void ClientAgent::line(const QByteArray &raw)
{
    const QByteArray l = raw.trimmed();
    if (l.isEmpty())
        return;
    if (l.startsWith("pin ")) {
        // The console would refuse it unseen.
        if (const qint64 secs = m_guesses.pausedForSecs(0); secs > 0)
            return emitEvent(QStringLiteral("paused"), 0, QString(), {{QStringLiteral("wait"), secs}});
        m_pinSent.start();
        // The event lines end up in logs and on the screen: a PIN shows as stars.
        sendToConsole(l.mid(4).trimmed(), QStringLiteral("****"));
    } else if (l == Protocol::closeme()) {
        logOff();
    } else if (l == "status") {
        emitEvent(QStringLiteral("status"), 0, QString());
    } else {
        emitEvent(QStringLiteral("error"), 0, QString::fromUtf8(l),
                  {{QStringLiteral("error"), QStringLiteral("expected: pin NNNN, closeme or status")}});
    }
}

void ClientAgent::sendToConsole(const QByteArray &message, const QString &shown, std::function<void(bool)> done,
                                int counter)
{
    const quint16 port = m_options.ports.logon;
    const QString text = shown.isNull() ? QString::fromLatin1(message) : shown;
    auto *channel = new TcpChannel(port, this);
    const QJsonObject request{{QStringLiteral("request"),
                               Protocol::parseCloseme(message) ? QStringLiteral("closeme") : QStringLiteral("pin")}};
    const auto ended = [this, channel, port, text, done, request, message, shown, counter](const QString &why) {
        channel->deleteLater();
        // The next counter when this one cannot be reached.
        if (!why.isNull() && counter + 1 < m_options.consoles.size())
            return sendToConsole(message, shown, done, counter + 1);
        QJsonObject extra = request;
        if (!why.isNull())
            extra.insert(QStringLiteral("error"), why);
        emitEvent(why.isNull() ? QStringLiteral("sent") : QStringLiteral("error"), port, text, extra);
        if (done)
            done(why.isNull());
    };
    if (m_options.listen != QHostAddress(QHostAddress::AnyIPv4))
        channel->setLocalAddress(m_options.listen);
    connect(channel, &CommandChannel::connected, channel, [channel, message] { channel->send(message); });
    connect(channel, &CommandChannel::finished, this, [ended] { ended(QString()); });
    connect(channel, &CommandChannel::failed, this, ended);
    if (m_options.consoles.isEmpty())
        return ended(QStringLiteral("no --console address was given"));
    channel->open(m_options.consoles.at(counter));
}

void ClientAgent::expire()
{
    const bool account = m_mode == Mode::Account;
    lock();
    emitEvent(QStringLiteral("expired"), 0, QString());
    runHook(QStringLiteral("lock"), QString());
    // An exhausted account ends its use at the console as the customer would.
    if (account)
        leave();
}

void ClientAgent::logOff()
{
    // Other charges run on at the console; the word goes all the same.
    if (m_mode != Mode::Account)
        return sendToConsole(Protocol::closeme());
    // The next customer must not find the computer open, whether or not the
    // console hears of this one leaving.
    lock();
    runHook(QStringLiteral("lock"), QString::fromLatin1(Protocol::closeme()));
    leave();
}

void ClientAgent::leave()
{
    m_leftAt.start();
    m_leaveTold = false;
    tellLeft();
}

void ClientAgent::tellLeft()
{
    if (!m_leftAt.isValid() || m_leaveTelling)
        return;
    // Said at once, the plain word that every console knows; said later, when.
    const QByteArray message = m_leaveTold ? Protocol::closeme(m_leftAt.elapsed() / 1000) : Protocol::closeme();
    m_leaveTold = m_leaveTelling = true;
    sendToConsole(message, QString(), [this](bool delivered) {
        m_leaveTelling = false;
        if (delivered)
            m_leftAt.invalidate();
    });
}

void ClientAgent::lock()
{
    // Whatever the console commands now, it has moved past a customer who left.
    m_leftAt.invalidate();
    m_mode = Mode::Locked;
    m_expiry.stop();
    m_usedBefore = 0;
    m_lengthMs = 0;
}

void ClientAgent::unlockOpen(qint64 secondsUsed)
{
    m_leftAt.invalidate();
    m_expiry.stop();
    m_mode = Mode::Open;
    m_usedBefore = qMax<qint64>(0, secondsUsed);
    m_lengthMs = 0;
    m_since.start();
}

void ClientAgent::unlockFor(Mode mode, qint64 seconds)
{
    if (seconds <= 0) {
        lock();
        return;
    }
    m_leftAt.invalidate();
    m_mode = mode;
    m_usedBefore = 0;
    m_lengthMs = seconds * 1000;
    m_since.start();
    // A warning for less time than there is at the start would say nothing new.
    m_nextWarning = std::count_if(WarnAtSecs.begin(), WarnAtSecs.end(), [seconds](qint64 w) { return w >= seconds; });
    countdown();
}

void ClientAgent::countdown()
{
    const qint64 leftMs = m_lengthMs - m_since.elapsed();
    if (leftMs <= 0)
        return expire();
    for (; m_nextWarning < qsizetype(WarnAtSecs.size()) && leftMs <= WarnAtSecs[m_nextWarning] * 1000; ++m_nextWarning)
        emitEvent(QStringLiteral("warning"), 0, QString(),
                  {{QStringLiteral("minutes"), WarnAtSecs[m_nextWarning] / 60}});
    const qint64 dueMs = leftMs - (m_nextWarning < qsizetype(WarnAtSecs.size()) ? WarnAtSecs[m_nextWarning] * 1000 : 0);
    // A timer's interval is an int of milliseconds: a long countdown wakes up on the way.
    m_expiry.start(int(qMin<qint64>(dueMs, 3600 * 1000)));
}

QString ClientAgent::stateText() const
{
    const qint64 leftMs = m_lengthMs - (m_since.isValid() ? m_since.elapsed() : 0);
    switch (m_mode) {
    case Mode::Locked:
        return QStringLiteral("locked");
    case Mode::Open:
        return QStringLiteral("unlocked");
    case Mode::Prepaid:
        return QStringLiteral("unlocked %1s").arg(qMax<qint64>(0, (leftMs + 999) / 1000));
    case Mode::Account:
        return QStringLiteral("unlocked %1min").arg(qMax<qint64>(0, (leftMs + 59999) / 60000));
    }
    return QString();
}

void ClientAgent::emitEvent(const QString &event, quint16 port, const QString &text, QJsonObject extra)
{
    extra.insert(QStringLiteral("event"), event);
    extra.insert(QStringLiteral("port"), port);
    extra.insert(QStringLiteral("text"), text);
    extra.insert(QStringLiteral("state"), stateText());
    // What the screens show: the charge, and its time used or left.
    static const char *const charges[] = {nullptr, "normal", "prepaid", "account"};
    if (m_mode != Mode::Locked)
        extra.insert(QStringLiteral("charge"), QLatin1String(charges[int(m_mode)]));
    if (m_mode == Mode::Open)
        extra.insert(QStringLiteral("used"), m_usedBefore + m_since.elapsed() / 1000);
    else if (m_mode != Mode::Locked)
        extra.insert(QStringLiteral("left"), qMax<qint64>(0, (m_lengthMs - m_since.elapsed() + 999) / 1000));
    if (event == QLatin1String("status"))
        extra.insert(QStringLiteral("cafe"), m_options.cafeName);
    const QByteArray out = QJsonDocument(extra).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    // A copy: a screen aborted here leaves the list at once.
    const QList<QLocalSocket *> screens = m_screenSockets;
    for (QLocalSocket *s : screens) {
        // A screen that stopped reading is not waited for without end.
        if (s->bytesToWrite() > MaxMessageBytes)
            s->abort();
        else
            s->write(out);
    }
}

void ClientAgent::runHook(const QString &name, const QString &text)
{
    if (m_options.hooks.value(name).isEmpty())
        return;
    // One of a kind at a time: a flood of messages must not become a flood of
    // shells. What comes meanwhile runs once afterwards, with the latest text.
    Hook &h = m_hooks[name];
    h.text = text;
    h.state = stateText();
    h.again = h.running;
    if (!h.running)
        startHook(name);
}

void ClientAgent::startHook(const QString &name)
{
    Hook &h = m_hooks[name];
    h.running = true;
    h.again = false;
    auto *p = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_TEXT"), h.text);
    env.insert(QStringLiteral("KORVANE_STATE"), h.state);
    env.insert(QStringLiteral("KORVANE_EVENT"), name);
    p->setProcessEnvironment(env);
    p->setStandardInputFile(QProcess::nullDevice());
    // The hook's output must not mix with the event lines.
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    const auto ended = [this, p, name] {
        p->deleteLater();
        Hook &h = m_hooks[name];
        h.running = false;
        if (h.again)
            startHook(name);
    };
    connect(p, &QProcess::finished, this, ended);
    connect(p, &QProcess::errorOccurred, this, [name, ended](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        std::fprintf(stderr, "korvane-client: cannot run the %s hook\n", qPrintable(name));
        ended();
    });
    p->start(QStringLiteral("/bin/sh"),
             {QStringLiteral("-c"), QStringLiteral("exec 1>&2; ") + m_options.hooks.value(name)});
}
