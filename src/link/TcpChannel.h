#pragma once

#include "link/CommandChannel.h"

#include <QHostAddress>

class QTcpSocket;
class QTimer;

// The real command channel: one TCP connection to a fixed port of a client
// computer per message. A connection that neither completes nor fails
// within the timeout is reported like a refused one; a connected channel
// that is given nothing to send, or whose message cannot be written, is
// aborted after the same time. Every outcome leaves the channel idle and
// ready for the next open().
class TcpChannel : public CommandChannel
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 3000;

    explicit TcpChannel(quint16 port, QObject *parent = nullptr);
    ~TcpChannel() override;

    quint16 port() const { return m_port; }
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    int timeoutMs() const { return m_timeoutMs; }
    // Connections leave from this address (a client agent answering from
    // the address it listens on); any local address when null.
    void setLocalAddress(const QHostAddress &address) { m_local = address; }

    bool isBusy() const override { return m_state != Idle; }
    // Ignored while busy: callers check isBusy() first.
    void open(const QString &address) override;
    void send(const QByteArray &message) override;
    QString address() const override { return m_address; }

private:
    enum State { Idle, Connecting, Connected, Sending };

    void onConnected();
    void onBytesWritten();
    void onDisconnected();
    void onError();
    void onTimeout();
    void fail(const QString &description);
    void finish();
    void dropSocket();

    quint16 m_port;
    int m_timeoutMs = DefaultTimeoutMs;
    QHostAddress m_local;
    State m_state = Idle;
    QString m_address;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_timer;
    quint64 m_attempt = 0;
};
