#include "link/TcpChannel.h"

#include "link/Protocol.h"

#include <QTcpSocket>
#include <QTimer>

TcpChannel::TcpChannel(quint16 port, QObject *parent)
    : CommandChannel(parent)
    , m_port(port)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TcpChannel::onTimeout);
}

TcpChannel::~TcpChannel() { dropSocket(); }

void TcpChannel::open(const QString &address)
{
    if (m_state != Idle) {
        qWarning("TcpChannel: open() while a message is in flight to %s", qPrintable(m_address));
        return;
    }
    m_address = address;
    m_state = Connecting;
    const quint64 attempt = ++m_attempt;
    // Failures are reported from the event loop, as a socket would.
    const auto failLater = [this, attempt](const QString &description) {
        QTimer::singleShot(0, this, [this, attempt, description] {
            if (m_attempt == attempt && m_state == Connecting)
                fail(description);
        });
    };

    const auto host = Protocol::ipv4(address);
    if (!host) {
        failLater(address.trimmed().isEmpty() ? QStringLiteral("No address was given")
                                              : QStringLiteral("Not an IPv4 address: \"%1\"").arg(address));
        return;
    }

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &TcpChannel::onConnected);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &TcpChannel::onBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, &TcpChannel::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TcpChannel::onError);
    if (!m_local.isNull() && !m_socket->bind(m_local, 0)) {
        failLater(QStringLiteral("Cannot send from %1: %2").arg(m_local.toString(), m_socket->errorString()));
        return;
    }
    m_timer->start(m_timeoutMs);
    m_socket->connectToHost(*host, m_port);
}

void TcpChannel::send(const QByteArray &message)
{
    if (m_state != Connected || !m_socket) {
        qWarning("TcpChannel: send() without a connection");
        return;
    }
    m_state = Sending;
    m_timer->start(m_timeoutMs);
    if (message.isEmpty()) {
        m_socket->disconnectFromHost();
        return;
    }
    if (m_socket->write(message) != message.size())
        fail(m_socket->errorString());
}

void TcpChannel::onConnected()
{
    if (m_state != Connecting)
        return;
    m_state = Connected;
    // The handler must send now; a channel left connected is aborted later.
    m_timer->start(m_timeoutMs);
    emit connected();
}

void TcpChannel::onBytesWritten()
{
    if (m_state != Sending || !m_socket)
        return;
    if (m_socket->bytesToWrite() == 0)
        m_socket->disconnectFromHost();
}

void TcpChannel::onDisconnected()
{
    if (m_state == Sending && m_socket && m_socket->bytesToWrite() == 0)
        finish();
    else if (m_state != Idle)
        fail(QStringLiteral("The connection was closed before the message was sent"));
}

void TcpChannel::onError()
{
    if (m_state == Idle || !m_socket)
        return;
    // The peer closing after taking the whole message is a delivery.
    if (m_state == Sending && m_socket->error() == QAbstractSocket::RemoteHostClosedError
        && m_socket->bytesToWrite() == 0) {
        finish();
        return;
    }
    fail(m_socket->errorString());
}

void TcpChannel::onTimeout()
{
    switch (m_state) {
    case Idle:
        return;
    case Connecting:
        fail(QStringLiteral("Connection timed out"));
        return;
    case Connected:
        fail(QStringLiteral("Nothing was sent on the connection"));
        return;
    case Sending:
        fail(QStringLiteral("The message could not be sent in time"));
        return;
    }
}

void TcpChannel::fail(const QString &description)
{
    m_timer->stop();
    dropSocket();
    m_state = Idle;
    emit failed(description);
}

void TcpChannel::finish()
{
    m_timer->stop();
    dropSocket();
    m_state = Idle;
    emit finished();
}

void TcpChannel::dropSocket()
{
    if (!m_socket)
        return;
    QTcpSocket *s = m_socket;
    m_socket = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}
