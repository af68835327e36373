#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <optional>

// Every text that travels between the console and a client program. One TCP
// connection carries one of these, with no length, terminator or line end,
// and the sender closes it after the send; a datagram carries one as well.
namespace Protocol {

// Commands, console to client, command port.
QByteArray startpc();
QByteArray stoppc();
QByteArray stopuser();
QByteArray reboot();
QByteArray logoff();
QByteArray shutdown();
QByteArray powerdown();
// "t" + seconds of a prepaid time charge.
QByteArray prepaid(qint64 seconds);
// "u" + the customer's remaining credit in minutes.
QByteArray account(qint64 minutes);
// "m" + seconds already used by a normal time charge moved here.
QByteArray movedNormal(qint64 secondsUsed);
// "p" + seconds left of a prepaid time charge moved here.
QByteArray movedPrepaid(qint64 secondsLeft);

// Refusals of the logon service, console to client, text port.
QByteArray invalidPassword();
QByteArray timeExpired();
QByteArray pinInUse();
// The PIN came from a computer that already runs a time charge.
QByteArray computerBusy();

// Datagrams with a meaning of their own; any other datagram is a message.
QByteArray terminate();
// shutdown() doubles as the broadcast "shutdown".

// Client to console, logon port: "closeme", or else the PIN as typed.
QByteArray closeme();
// A logoff the console did not hear of when it happened: "closeme" + the
// seconds since the customer logged off.
QByteArray closeme(qint64 secondsAgo);
// The seconds ago of a logoff request ("closeme" is 0); nothing for a PIN.
std::optional<qint64> parseCloseme(const QByteArray &request);

// Operator texts go in one single-byte code page: Windows-1253 (Greek ANSI),
// the code page of the counter computers this console replaces. ASCII is
// unchanged; a character the code page lacks becomes '?'.
QByteArray encodeText(const QString &text);
// Bytes the code page leaves undefined become U+FFFD.
QString decodeText(const QByteArray &bytes);

// What a client makes of a message on its command port.
struct Command
{
    enum Kind {
        Unknown,
        StartPc,
        StopPc,
        Prepaid,      // number: seconds
        Account,      // number: minutes
        MovedNormal,  // number: seconds used
        MovedPrepaid, // number: seconds left
        StopUser,
        Reboot,
        Logoff,
        Shutdown,
        Powerdown,
    };
    Kind kind = Unknown;
    qint64 number = 0;
};
// Exact texts only; a numbered command needs at least one digit after its
// letter (a leading minus allowed). One trailing line end is tolerated so
// that a command typed by hand into a terminal still counts.
Command parseCommand(const QByteArray &message);

enum class Broadcast { Terminate, Shutdown, Message };
Broadcast parseBroadcast(const QByteArray &datagram);

// A remote host as the roster holds it: a dotted IPv4 address (blanks
// around it ignored). Host names are refused so that nothing is ever
// looked up on the network.
std::optional<QHostAddress> ipv4(const QString &text);

} // namespace Protocol
