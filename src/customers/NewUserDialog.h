#pragma once

#include "customers/PaymentDialog.h"
#include <QPointer>
#include <QWidget>
#include <functional>

class CustomerAccounts;
class Prompter;
class QLineEdit;

// "New User": checks the entry in its order, asks the amount paid for the
// time, draws the PIN and stores the account; closes after every attempt
// that got past the checks and the payment.
class NewUserDialog : public QWidget
{
    Q_OBJECT
public:
    // `seller` names the operator account now logged in.
    NewUserDialog(CustomerAccounts &accounts, Prompter &prompter, std::function<QString()> seller,
                  QWidget *parent = nullptr);
    PaymentDialog *paymentDialog() const { return m_payment; }

    // The "&Add" button.
    void add();

signals:
    void added(qint64 aa);
    // Reached the store, added or not: the customer list is read again.
    void finished();

private:
    void buildUi();
    void addUser(qint64 minutes);
    void store(qint64 minutes, const Payment &payment);

    CustomerAccounts &m_accounts;
    Prompter &m_prompter;
    std::function<QString()> m_seller;
    QPointer<PaymentDialog> m_payment;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_lastname = nullptr;
    QLineEdit *m_telephone = nullptr;
    QLineEdit *m_hours = nullptr;
    QLineEdit *m_minutes = nullptr;
};
