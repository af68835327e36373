#pragma once

#include <QDialog>

class Desktop;
class Prompter;
class QPushButton;

// frmAbout: the program, its version and the system information button.
class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    AboutWindow(Desktop &desktop, Prompter &prompter, QWidget *parent = nullptr);

    static QString webAddress();

    QPushButton *okButton() const { return m_ok; }
    QPushButton *sysInfoButton() const { return m_sysInfo; }

    // `StartSysInfo`.
    void startSysInfo();

private:
    Desktop &m_desktop;
    Prompter &m_prompter;
    QPushButton *m_ok = nullptr;
    QPushButton *m_sysInfo = nullptr;
};
