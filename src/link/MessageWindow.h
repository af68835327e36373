#pragma once

#include "link/MessageSender.h"

#include <QDialog>

class Broadcaster;
class Prompter;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
struct Ports;

// The message window, in one of two modes: to one computer or to all
// computers, each with its own Send button. Closing it puts it back into one-computer mode.
class MessageWindow : public QDialog
{
    Q_OBJECT
public:
    MessageWindow(Broadcaster &broadcaster, Prompter &prompter, const Ports &ports, QWidget *parent = nullptr);

    // Where the text-port channel comes from; a TCP channel to the text port
    // unless a test says otherwise. Takes effect before the first message.
    void setChannelFactory(MessageSender::ChannelFactory factory);
    void openForComputer(const QString &name, const QString &address);
    void openForAll();
    bool allComputers() const { return m_all; }

    void done(int result) override;

private:
    void buildUi();
    void setMode(bool all);
    void sendOne();
    void sendAll();
    void onDelivered();
    void onFailed(const QString &description);
    void updateButtons();

    Prompter &m_prompter;
    MessageSender *m_sender;
    QGroupBox *m_recipientBox = nullptr;
    QPlainTextEdit *m_messageEdit = nullptr;
    QPushButton *m_sendOneButton = nullptr;
    QPushButton *m_sendAllButton = nullptr;
    QString m_address; // of the one computer
    QString m_name;
    QString m_addressee; // of the message in flight
    bool m_all = false;
    // A message of this opening is in flight; its delivery closes the window.
    bool m_sending = false;
};
