#include "link/MessageSender.h"

#include "link/CommandChannel.h"
#include "link/Broadcaster.h"
#include "link/Protocol.h"

MessageSender::MessageSender(Broadcaster &broadcaster, ChannelFactory factory, QObject *parent)
    : QObject(parent)
    , m_broadcaster(broadcaster)
    , m_factory(std::move(factory))
{}

bool MessageSender::isBusy() const { return m_channel && m_channel->isBusy(); }

bool MessageSender::sendTo(const QString &address, const QString &text)
{
    if (!m_channel && m_factory) {
        m_channel = m_factory();
        if (m_channel) {
            if (!m_channel->parent())
                m_channel->setParent(this);
            connect(m_channel, &CommandChannel::connected, this, &MessageSender::onConnected);
            connect(m_channel, &CommandChannel::finished, this, &MessageSender::delivered);
            connect(m_channel, &CommandChannel::failed, this, &MessageSender::failed);
        }
    }
    if (!m_channel || m_channel->isBusy())
        return false;
    m_text = text;
    m_channel->open(address);
    return true;
}

void MessageSender::onConnected() { m_channel->send(Protocol::encodeText(m_text)); }

Result<void> MessageSender::sendToAll(const QString &text) { return m_broadcaster.send(Protocol::encodeText(text)); }
