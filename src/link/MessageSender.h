#pragma once

#include "base/Result.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class Broadcaster;
class CommandChannel;

// Operator messages: to one computer over its text port, on a channel of
// our own, or to every computer as one datagram. Texts travel in the
// console's code page.
class MessageSender : public QObject
{
    Q_OBJECT
public:
    using ChannelFactory = std::function<CommandChannel *()>;

    // The factory makes the text-port channel at its first use; a channel
    // without a parent becomes ours.
    MessageSender(Broadcaster &broadcaster, ChannelFactory factory, QObject *parent = nullptr);
    void setChannelFactory(ChannelFactory factory) { m_factory = std::move(factory); }

    // Starts sending; false when a message is still in flight or no channel
    // could be made. delivered() or failed() follows.
    bool sendTo(const QString &address, const QString &text);
    // One datagram to the group; the reason when nothing could be sent.
    Result<void> sendToAll(const QString &text);
    bool isBusy() const;

signals:
    void delivered();
    void failed(const QString &description);

private:
    void onConnected();

    Broadcaster &m_broadcaster;
    ChannelFactory m_factory;
    QPointer<CommandChannel> m_channel;
    QString m_text;
};
