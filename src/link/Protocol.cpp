#include "link/Protocol.h"

#include <QHash>
#include <QStringList>
#include <array>

namespace Protocol {

namespace {

QByteArray numbered(char letter, qint64 n) { return QByteArray(1, letter) + QByteArray::number(n); }

// Windows-1253 from 0x80 to 0xFF; 0 marks a byte the code page leaves out.
constexpr std::array<char16_t, 128> HighHalf = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0,      0x2030, 0,      0x2039, 0,      0,      0,      0,      // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0,      0x2122, 0,      0x203A, 0,      0,      0,      0,      // 98
    0x00A0, 0x0385, 0x0386, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0,      0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x2015, // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x0384, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0388, 0x0389, 0x038A, 0x00BB, 0x038C, 0x00BD, 0x038E, 0x038F, // B8
    0x0390, 0x0391, 0x0392, 0x0393, 0x0394, 0x0395, 0x0396, 0x0397, // C0
    0x0398, 0x0399, 0x039A, 0x039B, 0x039C, 0x039D, 0x039E, 0x039F, // C8
    0x03A0, 0x03A1, 0,      0x03A3, 0x03A4, 0x03A5, 0x03A6, 0x03A7, // D0
    0x03A8, 0x03A9, 0x03AA, 0x03AB, 0x03AC, 0x03AD, 0x03AE, 0x03AF, // D8
    0x03B0, 0x03B1, 0x03B2, 0x03B3, 0x03B4, 0x03B5, 0x03B6, 0x03B7, // E0
    0x03B8, 0x03B9, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BE, 0x03BF, // E8
    0x03C0, 0x03C1, 0x03C2, 0x03C3, 0x03C4, 0x03C5, 0x03C6, 0x03C7, // F0
    0x03C8, 0x03C9, 0x03CA, 0x03CB, 0x03CC, 0x03CD, 0x03CE, 0,      // F8
};

const QHash<char16_t, char> &encodeTable()
{
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int i = 0; i < 128; ++i)
            if (HighHalf[i])
                t.insert(HighHalf[i], static_cast<char>(0x80 + i));
        return t;
    }();
    return table;
}

std::optional<qint64> decimal(const QByteArray &digits)
{
    const qsizetype start = digits.startsWith('-') ? 1 : 0;
    if (digits.size() == start || digits.size() - start > 18)
        return std::nullopt;
    for (qsizetype i = start; i < digits.size(); ++i)
        if (digits[i] < '0' || digits[i] > '9')
            return std::nullopt;
    return digits.toLongLong();
}

} // namespace

QByteArray startpc() { return QByteArrayLiteral("startpc"); }
QByteArray stoppc() { return QByteArrayLiteral("stoppc"); }
QByteArray stopuser() { return QByteArrayLiteral("stopuser"); }
QByteArray reboot() { return QByteArrayLiteral("reboot"); }
QByteArray logoff() { return QByteArrayLiteral("logoff"); }
QByteArray shutdown() { return QByteArrayLiteral("shutdown"); }
QByteArray powerdown() { return QByteArrayLiteral("powerdown"); }
QByteArray prepaid(qint64 seconds) { return numbered('t', seconds); }
QByteArray account(qint64 minutes) { return numbered('u', minutes); }
QByteArray movedNormal(qint64 secondsUsed) { return numbered('m', secondsUsed); }
QByteArray movedPrepaid(qint64 secondsLeft) { return numbered('p', secondsLeft); }
QByteArray invalidPassword() { return QByteArrayLiteral("Invalid or non-existing password"); }
QByteArray timeExpired() { return QByteArrayLiteral(" Your time has expired"); }
QByteArray pinInUse() { return QByteArrayLiteral(" Your PIN is already in use"); }
QByteArray computerBusy() { return QByteArrayLiteral(" This computer is already in use"); }
QByteArray terminate() { return QByteArrayLiteral("terminate"); }
QByteArray closeme() { return QByteArrayLiteral("closeme"); }
QByteArray closeme(qint64 secondsAgo) { return closeme() + QByteArray::number(secondsAgo); }

std::optional<qint64> parseCloseme(const QByteArray &request)
{
    if (!request.startsWith(closeme()))
        return std::nullopt;
    const QByteArray rest = request.mid(closeme().size());
    if (rest.isEmpty())
        return 0;
    const auto n = decimal(rest);
    return n && *n >= 0 ? n : std::nullopt;
}

QByteArray encodeText(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    const auto &table = encodeTable();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        // A surrogate pair is one character the code page cannot hold.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        out += table.value(c, '?');
    }
    return out;
}

QString decodeText(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u < 0x80)
            out += QChar(u);
        else
            out += QChar(HighHalf[u - 0x80] ? HighHalf[u - 0x80] : char16_t(0xFFFD));
    }
    return out;
}

Command parseCommand(const QByteArray &message)
{
    QByteArray m = message;
    if (m.endsWith("\r\n"))
        m.chop(2);
    else if (m.endsWith('\n'))
        m.chop(1);

    static const QHash<QByteArray, Command::Kind> words = {
        {startpc(), Command::StartPc},     {stoppc(), Command::StopPc}, {stopuser(), Command::StopUser},
        {reboot(), Command::Reboot},       {logoff(), Command::Logoff}, {shutdown(), Command::Shutdown},
        {powerdown(), Command::Powerdown},
    };
    if (const auto it = words.constFind(m); it != words.constEnd())
        return {it.value(), 0};
    if (m.isEmpty())
        return {};
    Command::Kind kind = Command::Unknown;
    switch (m.at(0)) {
    case 't':
        kind = Command::Prepaid;
        break;
    case 'u':
        kind = Command::Account;
        break;
    case 'm':
        kind = Command::MovedNormal;
        break;
    case 'p':
        kind = Command::MovedPrepaid;
        break;
    default:
        return {};
    }
    const auto n = decimal(m.mid(1));
    if (!n)
        return {};
    return {kind, *n};
}

Broadcast parseBroadcast(const QByteArray &datagram)
{
    if (datagram == terminate())
        return Broadcast::Terminate;
    if (datagram == shutdown())
        return Broadcast::Shutdown;
    return Broadcast::Message;
}

std::optional<QHostAddress> ipv4(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    quint32 value = 0;
    for (const QString &p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return std::nullopt;
        for (const QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        const uint octet = p.toUInt();
        if (octet > 255)
            return std::nullopt;
        value = (value << 8) | octet;
    }
    return QHostAddress(value);
}

} // namespace Protocol
