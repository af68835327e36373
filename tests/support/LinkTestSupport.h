#pragma once

// Fixtures of the link tests: korvane-client agents run as processes, and
// loopback addresses private to one test process so that tests running at
// the same time never meet on a port.

#include <QCoreApplication>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include "link/TcpChannel.h"

#include <algorithm>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace linktest {

constexpr int Offset = 20000;

// 127.X.net.host with X chosen by the process id.
inline QString address(int net, int host)
{
    const int x = 20 + int(QCoreApplication::applicationPid() % 200);
    return QStringLiteral("127.%1.%2.%3").arg(x).arg(net).arg(host);
}

inline QString clientBinary()
{
    const QString dir = qEnvironmentVariable("KORVANE_BIN_DIR", QCoreApplication::applicationDirPath() + "/../app");
    return dir + QStringLiteral("/korvane-client");
}

// Sends `message` through `c` to `address`: the failure text, or empty
// once delivered.
inline QString deliver(TcpChannel &c, const QString &address, const QByteArray &message)
{
    QSignalSpy done(&c, &CommandChannel::finished);
    QSignalSpy failed(&c, &CommandChannel::failed);
    auto conn = QObject::connect(&c, &CommandChannel::connected, &c, [&c, message] { c.send(message); });
    c.open(address);
    (void)QTest::qWaitFor([&] { return !done.isEmpty() || !failed.isEmpty(); }, 10000);
    QObject::disconnect(conn);
    if (!failed.isEmpty())
        return failed.first().first().toString();
    return done.isEmpty() ? QStringLiteral("no outcome") : QString();
}
inline bool deliver(const QString &address, quint16 port, const QByteArray &message)
{
    TcpChannel c(port);
    return deliver(c, address, message).isEmpty();
}
// The same from the local address `from`, as a console or a client computer sends.
inline bool deliver(const QString &from, const QString &address, quint16 port, const QByteArray &message)
{
    TcpChannel c(port);
    c.setLocalAddress(QHostAddress(from));
    return deliver(c, address, message).isEmpty();
}

class Agent
{
public:
    Agent()
    {
        QObject::connect(&m_proc, &QProcess::readyReadStandardOutput, &m_proc, [this] { pump(); });
    }
    ~Agent() { stop(); }

    bool start(const QString &listen, QStringList extra = {}, int offset = Offset)
    {
        m_events.clear();
        m_buffer.clear();
        // Connections to loopback leave from 127.0.0.1 unless bound elsewhere.
        if (!extra.contains(QStringLiteral("--console")))
            extra << QStringLiteral("--console") << QStringLiteral("127.0.0.1");
        if (!QFile::exists(clientBinary())) {
            qWarning("no korvane-client at %s", qPrintable(clientBinary()));
            return false;
        }
        // An agent goes with the test, even one killed on a timeout.
        m_proc.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_proc.start(clientBinary(), QStringList{"--listen", listen, "--port-offset", QString::number(offset)} + extra);
        if (!m_proc.waitForStarted(5000))
            return false;
        return QTest::qWaitFor([this] { return has("ready") || m_proc.state() == QProcess::NotRunning; }, 10000)
               && has("ready");
    }
    void stop()
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    void write(const QByteArray &line) { m_proc.write(line); }
    QString errors() { return QString::fromLocal8Bit(m_proc.readAllStandardError()); }

    const QList<QJsonObject> &events() const { return m_events; }
    bool has(const QString &event) const { return count(event) > 0; }
    int count(const QString &event) const
    {
        int n = 0;
        for (const QJsonObject &e : m_events)
            n += e.value("event").toString() == event;
        return n;
    }
    // The latest event of that kind, or an empty object.
    QJsonObject last(const QString &event) const
    {
        for (auto it = m_events.crbegin(); it != m_events.crend(); ++it)
            if (it->value("event").toString() == event)
                return *it;
        return {};
    }
    bool waitFor(const QString &event, int atLeast = 1, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return count(event) >= atLeast; }, ms);
    }

private:
    void pump()
    {
        m_buffer += m_proc.readAllStandardOutput();
        qsizetype eol;
        while ((eol = m_buffer.indexOf('\n')) >= 0) {
            m_events.append(QJsonDocument::fromJson(m_buffer.left(eol)).object());
            m_buffer.remove(0, eol + 1);
        }
    }

    QProcess m_proc;
    QByteArray m_buffer;
    QList<QJsonObject> m_events;
};

// A port where connections hang: a listener whose one-entry backlog is
// already full, so the kernel drops further handshakes.
class HangingPort
{
public:
    bool open(const QString &address, quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(QHostAddress(address).toIPv4Address());
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(m_fd, 0) != 0)
            return false;
        // Fill the backlog; these never get accepted.
        for (int i = 0; i < 3; ++i) {
            auto *s = new QTcpSocket;
            s->connectToHost(QHostAddress(address), port);
            m_fillers.append(s);
        }
        // Once one filler sits in the queue, the rest (and every later
        // connection) hang.
        return QTest::qWaitFor(
            [this] {
                return std::any_of(m_fillers.cbegin(), m_fillers.cend(),
                                   [](QTcpSocket *s) { return s->state() == QAbstractSocket::ConnectedState; });
            },
            5000);
    }
    ~HangingPort()
    {
        qDeleteAll(m_fillers);
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    int m_fd = -1;
    QList<QTcpSocket *> m_fillers;
};

// Reads each accepted connection to its end; `messages` get whole texts.
class Receiver : public QObject
{
public:
    bool listen(const QString &address, quint16 port)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                auto *buf = new QByteArray;
                connect(s, &QTcpSocket::readyRead, s, [s, buf] { *buf += s->readAll(); });
                connect(s, &QTcpSocket::disconnected, this, [this, s, buf] {
                    if (s->isOpen())
                        *buf += s->readAll();
                    messages.append(*buf);
                    peers.append(s->peerAddress().toString());
                    delete buf;
                    s->deleteLater();
                });
            }
        });
        return m_server.listen(QHostAddress(address), port);
    }
    QList<QByteArray> messages;
    QStringList peers;

private:
    QTcpServer m_server;
};

} // namespace linktest
