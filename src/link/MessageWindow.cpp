#include "link/MessageWindow.h"

#include "link/Ports.h"
#include "link/TcpChannel.h"
#include "base/Prompter.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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
    m_frame = new QGroupBox(this);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    auto *inner = new QVBoxLayout(m_frame);
    m_text1 = new QPlainTextEdit(m_frame);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setTabChangesFocus(true);
    auto *label = new QLabel(QStringLiteral("&Message"), m_frame);
    label->setBuddy(m_text1);
    inner->addWidget(label);
    inner->addWidget(m_text1);
    m_text2 = new QLineEdit(m_frame);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_text2->setVisible(false);
    inner->addWidget(m_text2);
    layout->addWidget(m_frame);

    auto *buttons = new QHBoxLayout;
    m_command1 = new QPushButton(QStringLiteral("Send"), this);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2 = new QPushButton(QStringLiteral("Send"), this);
    m_command2->setObjectName(QStringLiteral("Command2"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Close"));
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_command1, &QPushButton::clicked, this, &MessageWindow::sendOne);
    connect(m_command2, &QPushButton::clicked, this, &MessageWindow::sendAll);
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
    m_command1->setVisible(!all);
    m_command2->setVisible(all);
    updateButtons();
}

void MessageWindow::openForComputer(const QString &name, const QString &address)
{
    setMode(false);
    m_name = name;
    m_sending = false;
    m_text2->setText(address);
    m_frame->setTitle(QStringLiteral("Send Message To ") + name);
    m_text1->clear();
    updateButtons();
    show();
    raise();
    activateWindow();
    m_text1->setFocus();
}

void MessageWindow::openForAll()
{
    setMode(true);
    m_name.clear();
    m_sending = false;
    m_text2->clear();
    m_frame->setTitle(QStringLiteral("Sending Message To All Computers"));
    m_text1->clear();
    show();
    raise();
    activateWindow();
    m_text1->setFocus();
}

void MessageWindow::sendOne()
{
    const QString text = m_text1->toPlainText();
    if (text.isEmpty()) {
        m_prompter.tell(QStringLiteral("No Message Was Entered"));
        return;
    }
    if (!m_sender->sendTo(m_text2->text(), text))
        return;
    m_sending = true;
    m_addressee = m_name;
    updateButtons();
}

void MessageWindow::sendAll()
{
    const QString text = m_text1->toPlainText();
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

void MessageWindow::updateButtons() { m_command1->setEnabled(!m_sender->isBusy()); }

void MessageWindow::done(int result)
{
    m_sending = false;
    QDialog::done(result);
    setMode(false);
}
