#pragma once

#include "link/CommandChannel.h"

#include <QByteArrayList>
#include <QPointer>
#include <QStringList>
#include <QTimer>

// A command channel that connects or fails when the test says so, always
// from the event loop. It records every address opened and message sent.
// Where the console makes a channel per message, spawn() gives one that
// behaves as this one is told and records here. Like the real one, a
// connection given nothing to send fails after the timeout.
class FakeChannel : public CommandChannel
{
    Q_OBJECT
public:
    enum class Outcome { Connect, Fail, Hang };

    explicit FakeChannel(QObject *parent = nullptr);

    // The outcome of the next open() calls (Connect until told otherwise).
    void willConnect() { m_outcome = Outcome::Connect; }
    void willFail(const QString &description)
    {
        m_outcome = Outcome::Fail;
        m_description = description;
    }
    // Stays connecting until connectNow() or failNow().
    void willHang() { m_outcome = Outcome::Hang; }
    // This channel, or else every spawned one in flight.
    void connectNow();
    void failNow(const QString &description);
    FakeChannel *spawn();
    // This channel's timeout, and that of those it spawns from now on.
    void setTimeoutMs(int ms) { m_timer.setInterval(ms); }

    bool isBusy() const override { return m_busy; }
    void open(const QString &address) override;
    void send(const QByteArray &message) override;
    QString address() const override { return m_address; }

    QStringList opened() const { return m_root->m_opened; }
    QByteArrayList sent() const { return m_root->m_sent; }
    int openCount() const { return int(m_root->m_opened.size()); }

private:
    QList<FakeChannel *> inFlight();
    void connectOne();
    void failOne(const QString &description);

    FakeChannel *m_root = this;
    QList<QPointer<FakeChannel>> m_spawned;
    Outcome m_outcome = Outcome::Connect;
    QString m_description;
    QString m_address;
    QStringList m_opened;
    QByteArrayList m_sent;
    bool m_busy = false;
    bool m_connected = false;
    QTimer m_timer;
};
