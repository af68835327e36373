#include "link/Ports.h"

int Ports::parseOffset(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    // The largest base port is 9000; keep every port inside 1..65535.
    if (!ok || n < 0 || n > 65535 - 9000)
        return -1;
    return n;
}

Ports Ports::withOffset(int offset)
{
    Ports p;
    p.offset = offset;
    const auto shift = [offset](quint16 &port) { port = static_cast<quint16>(port + offset); };
    shift(p.command);
    shift(p.text);
    shift(p.probe);
    shift(p.logon);
    shift(p.broadcastLocal);
    shift(p.broadcastRemote);
    return p;
}

Ports Ports::fromEnvironment(const QString &offsetOption)
{
    const QString text = offsetOption.isEmpty() ? qEnvironmentVariable("KORVANE_PORT_OFFSET") : offsetOption;
    const int offset = text.isEmpty() ? 0 : parseOffset(text);
    Ports p = withOffset(offset < 0 ? 0 : offset);
    p.multicastInterface = qEnvironmentVariable("KORVANE_MULTICAST_IF");
    return p;
}
