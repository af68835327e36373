#pragma once

#include "admin/Login.h"

#include <QDialog>

class CafeStore;
class Prompter;
class QComboBox;
class QLineEdit;
class QPushButton;
class UserSettings;

// Asks for the operator account and its password. In normal mode it opens the
// console; in relogin mode the running console only changes its role.
class LoginWindow : public QDialog
{
    Q_OBJECT
public:
    enum class Mode { Normal, Relogin };

    LoginWindow(CafeStore &store, Prompter &prompter, QWidget *parent = nullptr);

    void setMode(Mode mode) { m_mode = mode; }
    Mode mode() const { return m_mode; }

    // Shows the first-run notice while the console has never loaded.
    void noticeFirstRun(const UserSettings &settings);

    QComboBox *accountList() const { return m_account; }
    QLineEdit *passwordField() const { return m_password; }
    QPushButton *okButton() const { return m_ok; }

    // OK: `auth` or `authrelogin` by the mode.
    void auth();

signals:
    // A matching account; the window closes after this.
    void loggedIn(Login::Role role, LoginWindow::Mode mode);

private:
    void buildUi();

    Login m_login;
    Prompter &m_prompter;
    Mode m_mode = Mode::Normal;
    QComboBox *m_account = nullptr;
    QLineEdit *m_password = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
