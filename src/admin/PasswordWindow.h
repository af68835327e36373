#pragma once

#include "admin/Passwords.h"

#include <QDialog>

class Prompter;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The administrator changes his own password, or sets the cashier's.
class PasswordWindow : public QDialog
{
    Q_OBJECT
public:
    PasswordWindow(CafeStore &store, Prompter &prompter, Passwords::Mode mode, QWidget *parent = nullptr);

    // Reads the stored password; false (after telling why) when it cannot.
    bool load();

    // The administrator's own Change, or the one that sets the cashier's.
    QPushButton *changeButton() const;

    void submit();

private:
    void buildUi();

    Passwords m_passwords;
    Prompter &m_prompter;
    QGroupBox *m_frame = nullptr;
    QLabel *m_currentLabel = nullptr;
    QLineEdit *m_current = nullptr;
    QLineEdit *m_new = nullptr;
    QLineEdit *m_again = nullptr;
    QPushButton *m_changeAdmin = nullptr;
    QPushButton *m_changeUser = nullptr;
};
