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

    QLineEdit *currentField() const { return m_text1; }
    QLineEdit *newField() const { return m_text2; }
    QLineEdit *againField() const { return m_text3; }
    // Command1 in administrator mode, Command2 in cashier mode.
    QPushButton *changeButton() const;

    void submit();

private:
    void buildUi();

    Passwords m_passwords;
    Prompter &m_prompter;
    QGroupBox *m_frame1 = nullptr;
    QLabel *m_label1 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text3 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
};
