#include "link/Broadcaster.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QVariant>

Broadcaster::Broadcaster(QObject *parent)
    : QObject(parent)
{}

std::optional<QString> Broadcaster::bind(const Ports &ports)
{
    m_ports = ports;
    if (m_socket.bind(QHostAddress::AnyIPv4, ports.broadcastLocal, QAbstractSocket::ShareAddress)) {
        // The café's own network only.
        m_socket.setSocketOption(QAbstractSocket::MulticastTtlOption, QVariant(1));
        m_socket.setSocketOption(QAbstractSocket::MulticastLoopbackOption, QVariant(1));
        if (!ports.multicastInterface.isEmpty())
            m_socket.setMulticastInterface(QNetworkInterface::interfaceFromName(ports.multicastInterface));
        return std::nullopt;
    }
    return QStringLiteral("Messages to all computers cannot be sent: UDP port %1 cannot be opened (%2)."
                          " Close the other program that uses it, or choose another --port-offset.")
        .arg(ports.broadcastLocal)
        .arg(m_socket.errorString());
}

Result<void> Broadcaster::send(const QByteArray &datagram)
{
    if (!isBound())
        return failure(QStringLiteral("the broadcast port %1 is not open").arg(m_ports.broadcastLocal));
    if (m_socket.writeDatagram(datagram, m_ports.group, m_ports.broadcastRemote) == datagram.size())
        return {};
    return failure(QStringLiteral("%1 (to %2, port %3)")
                       .arg(m_socket.errorString(), m_ports.group.toString())
                       .arg(m_ports.broadcastRemote));
}
