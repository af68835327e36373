#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// What covers a screen while the computer is locked: the café's name and, on
// the screen that takes the logon, a box for the customer's PIN with what
// the counter answers and says.
class LockWindow : public QWidget
{
    Q_OBJECT
public:
    explicit LockWindow(bool takesLogon, QWidget *parent = nullptr);

    void setCafe(const QString &name);
    // What the console answered, or what keeps the customer from logging on.
    void setAnswer(const QString &text);
    // A text the counter sent.
    void setMessage(const QString &text);
    void setLogonEnabled(bool enabled);
    // A cover stays up until the session hides it; a demo's window may be closed.
    void setClosable(bool closable) { m_closable = closable; }

signals:
    void pinEntered(const QString &pin);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildUi(bool takesLogon);
    void submit();

    QLabel *m_cafe = nullptr;
    QLabel *m_answer = nullptr;
    QLabel *m_message = nullptr;
    QLineEdit *m_pin = nullptr;
    QPushButton *m_logOn = nullptr;
    bool m_closable = false;
};
