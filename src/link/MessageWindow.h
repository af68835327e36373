#pragma once

#include "link/MessageSender.h"

#include <QDialog>

class Broadcaster;
class Prompter;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct Ports;

// The message window, in one of two modes: to one computer (Command1) or to
// all computers (Command2). Closing it puts it back into one-computer mode.
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
    QGroupBox *m_frame = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
    QString m_name;
    QString m_addressee; // of the message in flight
    bool m_all = false;
    // A message of this opening is in flight; its delivery closes the window.
    bool m_sending = false;
};
