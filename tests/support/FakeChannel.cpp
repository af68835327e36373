#include "FakeChannel.h"

#include "link/TcpChannel.h"

FakeChannel::FakeChannel(QObject *parent)
    : CommandChannel(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(TcpChannel::DefaultTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this,
            [this] { failOne(QStringLiteral("Nothing was sent on the connection")); });
}

FakeChannel *FakeChannel::spawn()
{
    auto *child = new FakeChannel;
    child->m_root = m_root;
    child->m_timer.setInterval(m_root->m_timer.interval());
    m_root->m_spawned.removeIf([](const QPointer<FakeChannel> &c) { return c.isNull(); });
    m_root->m_spawned.append(child);
    return child;
}

QList<FakeChannel *> FakeChannel::inFlight()
{
    if (m_busy)
        return {this};
    QList<FakeChannel *> list;
    for (FakeChannel *c : std::as_const(m_spawned))
        if (c && c->m_busy)
            list << c;
    return list;
}

void FakeChannel::open(const QString &address)
{
    m_address = address;
    m_root->m_opened.append(address);
    m_busy = true;
    m_connected = false;
    switch (m_root->m_outcome) {
    case Outcome::Connect:
        QTimer::singleShot(0, this, &FakeChannel::connectOne);
        break;
    case Outcome::Fail: {
        const QString description = m_root->m_description;
        QTimer::singleShot(0, this, [this, description] { failOne(description); });
        break;
    }
    case Outcome::Hang:
        break;
    }
}

void FakeChannel::connectNow()
{
    for (FakeChannel *c : inFlight())
        c->connectOne();
}

void FakeChannel::failNow(const QString &description)
{
    for (FakeChannel *c : inFlight())
        c->failOne(description);
}

void FakeChannel::connectOne()
{
    if (!m_busy || m_connected)
        return;
    m_connected = true;
    m_timer.start();
    emit connected();
}

void FakeChannel::failOne(const QString &description)
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
        m_root->m_sent.append(message);
    // The message is written and the channel closes, later, as a socket does.
    QTimer::singleShot(0, this, [this] {
        m_connected = false;
        m_busy = false;
        emit finished();
    });
}
