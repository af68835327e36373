#pragma once

#include "customers/CustomerAccounts.h"

#include <QDialog>
#include <functional>
#include <optional>

class Prompter;
class QLabel;
class QLineEdit;

// "Amount Paid": the money taken for time put on an account. The amount
// starts as the tariff's price of those minutes and can be changed; zero
// needs a reason, as a bill closed without charge does.
class PaymentDialog : public QDialog
{
    Q_OBJECT
public:
    PaymentDialog(Prompter &prompter, QString seller, QWidget *parent = nullptr);

    // Shows whose time, the minutes and the offered amount (none when the
    // tariff gave none).
    void offer(const QString &customer, qint64 minutes, const std::optional<Money> &amount);
    // The "&OK" button: emits paid() and closes, or tells what is wrong.
    void confirm();

signals:
    void paid(const Payment &payment);

private:
    void followAmount();

    Prompter &m_prompter;
    QString m_seller;
    QLineEdit *m_customer = nullptr;
    QLineEdit *m_time = nullptr;
    QLineEdit *m_amount = nullptr;
    QLabel *m_reasonLabel = nullptr;
    QLineEdit *m_reason = nullptr;
};
