#include "link/MessageWindow.h"

#include "link/Ports.h"
#include "link/TcpChannel.h"
#include "base/Prompter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Send Message");
}

MessageWindow::MessageWindow(Broadcaster &broadcaster, Prompter &prompter, const Ports &ports, QWidget *parent)
    : QDialog(parent)
    , m_prompter(prompter)
{
    const quint16 port = ports.text;
    m_sender = new MessageSender(
        broadcaster, [port] { return new TcpChannel(port); }, this);
    connect(m_sender, &MessageSender::delivered, this, &MessageWindow::onDelivered);
    connect(m_sender, &MessageSender::failed, this, &MessageWindow::onFailed);
    buildUi();
    setMode(false);
}

void MessageWindow::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    m_recipientBox = new QGroupBox(this);
    m_recipientBox->setObjectName(QStringLiteral("recipientBox"));
    auto *inner = new QVBoxLayout(m_recipientBox);
    m_messageEdit = new QPlainTextEdit(m_recipientBox);
    m_messageEdit->setObjectName(QStringLiteral("messageEdit"));
    m_messageEdit->setTabChangesFocus(true);
    auto *label = new QLabel(QStringLiteral("&Message"), m_recipientBox);
    label->setBuddy(m_messageEdit);
    inner->addWidget(label);
    inner->addWidget(m_messageEdit);
    layout->addWidget(m_recipientBox);

    auto *buttons = new QHBoxLayout;
    m_sendOneButton = new QPushButton(QStringLiteral("Send"), this);
    m_sendOneButton->setObjectName(QStringLiteral("sendOneButton"));
    m_sendAllButton = new QPushButton(QStringLiteral("Send"), this);
    m_sendAllButton->setObjectName(QStringLiteral("sendAllButton"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Close"));
    buttons->addStretch();
    buttons->addWidget(m_sendOneButton);
    buttons->addWidget(m_sendAllButton);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_sendOneButton, &QPushButton::clicked, this, &MessageWindow::sendOne);
    connect(m_sendAllButton, &QPushButton::clicked, this, &MessageWindow::sendAll);
    connect(close, &QPushButton::clicked, this, &MessageWindow::reject);
}

void MessageWindow::setChannelFactory(MessageSender::ChannelFactory factory)
{
    m_sender->setChannelFactory(std::move(factory));
}

void MessageWindow::setMode(bool all)
{
    m_all = all;
    setWindowTitle(all ? kTitle + QStringLiteral(" To All Computers") : kTitle);
    m_sendOneButton->setVisible(!all);
    m_sendAllButton->setVisible(all);
    updateButtons();
}

void MessageWindow::openForComputer(const QString &name, const QString &address)
{
    setMode(false);
    m_name = name;
    m_sending = false;
    m_address = address;
    m_recipientBox->setTitle(QStringLiteral("Send Message To ") + name);
    m_messageEdit->clear();
    updateButtons();
    show();
    raise();
    activateWindow();
    m_messageEdit->setFocus();
}

void MessageWindow::openForAll()
{
    setMode(true);
    m_name.clear();
    m_sending = false;
    m_address.clear();
    m_recipientBox->setTitle(QStringLiteral("Sending Message To All Computers"));
    m_messageEdit->clear();
    show();
    raise();
    activateWindow();
    m_messageEdit->setFocus();
}

void MessageWindow::sendOne()
{
    const QString text = m_messageEdit->toPlainText();
    if (text.isEmpty()) {
        m_prompter.tell(QStringLiteral("No Message Was Entered"));
        return;
    }
    if (!m_sender->sendTo(m_address, text))
        return;
    m_sending = true;
    m_addressee = m_name;
    updateButtons();
}

void MessageWindow::sendAll()
{
    const QString text = m_messageEdit->toPlainText();
    if (text.isEmpty()) {
        m_prompter.tell(QStringLiteral("No Message Was Entered"));
        return;
    }
    if (const auto sent = m_sender->sendToAll(text); !sent) {
        m_prompter.tell(QStringLiteral("The message could not be sent to all computers: ") + sent.error() + '.',
                        Prompter::Icon::Critical);
        return;
    }
    accept();
}

void MessageWindow::onDelivered()
{
    const bool mine = m_sending;
    m_sending = false;
    updateButtons();
    if (mine && isVisible())
        accept();
}

void MessageWindow::onFailed(const QString &description)
{
    m_sending = false;
    updateButtons();
    m_prompter.tell(QStringLiteral("The message could not be delivered to ") + m_addressee + QLatin1Char('\n')
                        + description,
                    Prompter::Icon::Critical);
}

void MessageWindow::updateButtons() { m_sendOneButton->setEnabled(!m_sender->isBusy()); }

void MessageWindow::done(int result)
{
    m_sending = false;
    QDialog::done(result);
    setMode(false);
}
