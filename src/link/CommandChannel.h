#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// One outgoing connection at a time to one port of a client computer,
// carrying exactly one message, closed by us once the message is written.
// The engine sends every command through this seam; the real channel is a
// TCP socket (link/TcpChannel), tests use a fake that connects or fails on
// demand.
class CommandChannel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // True from open() until finished() or failed(): a command is in flight.
    virtual bool isBusy() const = 0;
    // Requests a connection to the channel's port of `address`. connected()
    // or failed() follows later from the event loop, never from inside open().
    virtual void open(const QString &address) = 0;
    // Only inside a connected() handler: writes the message (an empty one
    // closes the connection with nothing sent, as when the books refused
    // the command's charge); the channel
    // closes itself once it is written and then emits finished().
    virtual void send(const QByteArray &message) = 0;
    // The address of the connection in flight or last made.
    virtual QString address() const = 0;

signals:
    void connected();
    // Refused, unreachable, timed out, or not an address; the text says which.
    void failed(const QString &description);
    void finished();
};
