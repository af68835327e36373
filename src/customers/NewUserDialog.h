#pragma once

#include <QWidget>

class CustomerAccounts;
class Prompter;
class QLineEdit;

// "New User": checks the entry in its order, draws the PIN and stores the
// account; closes after every attempt that got past the checks.
class NewUserDialog : public QWidget
{
    Q_OBJECT
public:
    NewUserDialog(CustomerAccounts &accounts, Prompter &prompter, QWidget *parent = nullptr);

    // The "&Add" button.
    void add();

signals:
    void added(qint64 aa);
    // Reached the store, added or not: the customer list is read again.
    void finished();

private:
    void buildUi();
    void addUser(qint64 minutes);

    CustomerAccounts &m_accounts;
    Prompter &m_prompter;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_lastname = nullptr;
    QLineEdit *m_telephone = nullptr;
    QLineEdit *m_hours = nullptr;
    QLineEdit *m_minutes = nullptr;
};
