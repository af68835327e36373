#pragma once

#include "link/Ports.h"
#include "base/Result.h"

#include <QObject>
#include <QUdpSocket>
#include <optional>

// Sends one datagram to every client computer at once: the multicast group
// on the broadcast port, from the console's own broadcast port.
class Broadcaster : public QObject
{
    Q_OBJECT
public:
    explicit Broadcaster(QObject *parent = nullptr);

    // Binds the local port; an error text (with what to do) when it cannot.
    std::optional<QString> bind(const Ports &ports);
    bool isBound() const { return m_socket.state() == QAbstractSocket::BoundState; }
    // Datagrams are not acknowledged: a failure means nothing left this
    // computer, and says why (port not open, no route for multicast, ...).
    Result<void> send(const QByteArray &datagram);

private:
    QUdpSocket m_socket;
    Ports m_ports;
};
