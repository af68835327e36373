#include "FakeChannel.h"

#include "link/TcpChannel.h"

FakeChannel::FakeChannel(QObject *parent)
    : CommandChannel(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(TcpChannel::DefaultTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { failNow(QStringLiteral("Nothing was sent on the connection")); });
}

void FakeChannel::open(const QString &address)
{
    m_address = address;
    m_opened.append(address);
    m_busy = true;
    m_connected = false;
    switch (m_outcome) {
    case Outcome::Connect:
        QTimer::singleShot(0, this, &FakeChannel::connectNow);
        break;
    case Outcome::Fail: {
        const QString description = m_description;
        QTimer::singleShot(0, this, [this, description] { failNow(description); });
        break;
    }
    case Outcome::Hang:
        break;
    }
}

void FakeChannel::connectNow()
{
    if (!m_busy || m_connected)
        return;
    m_connected = true;
    m_timer.start();
    emit connected();
}

void FakeChannel::failNow(const QString &description)
{
    if (!m_busy)
        return;
    m_timer.stop();
    m_busy = false;
    m_connected = false;
    emit failed(description);
}

void FakeChannel::send(const QByteArray &message)
{
    if (!m_connected)
        return;
    m_timer.stop();
    // An empty message closes the connection with nothing sent.
    if (!message.isEmpty())
        m_sent.append(message);
    // The message is written and the channel closes, later, as a socket does.
    QTimer::singleShot(0, this, [this] {
        m_connected = false;
        m_busy = false;
        emit finished();
    });
}
