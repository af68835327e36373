#pragma once

#include <QHostAddress>
#include <QString>

// The protocol's ports and broadcast group. One override point, an offset
// added to every port (KORVANE_PORT_OFFSET or --port-offset), lets tests and
// unprivileged installs move them all above 1024 at once.
struct Ports
{
    quint16 command = 1007; // client listens: one command
    quint16 text = 1008;    // client listens: one text to show
    quint16 probe = 1009;   // client listens: presence probe
    quint16 logon = 1010;   // console listens: PIN or "closeme"
    quint16 broadcastLocal = 5000;
    quint16 broadcastRemote = 9000;
    QHostAddress group{QStringLiteral("224.0.0.1")};
    int offset = 0;
    // The interface multicast goes out of (KORVANE_MULTICAST_IF, e.g. "lo" for
    // a demo on one machine); empty: the system's choice.
    QString multicastInterface;

    static Ports withOffset(int offset);
    // Reads KORVANE_PORT_OFFSET; an option given on the command line wins.
    static Ports fromEnvironment(const QString &offsetOption = QString());
    // Parses an offset text; nullopt-like -1 when unusable.
    static int parseOffset(const QString &text);
};
