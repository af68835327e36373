#pragma once

#include "customers/AddTimeDialog.h"
#include "customers/CardWindow.h"
#include "customers/NewUserDialog.h"
#include "customers/PaymentDialog.h"
#include "store/Records.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

class AccountSalesModel;
class Clock;
class CustomerAccounts;
class CustomerTableModel;
class PrintTargetDialog;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// "User": the customer desk. Lists the accounts, shows the chosen one's
// details and time, and from there adds customers, deletes them (not the
// cashier), tops up their time and prints their card.
class CustomerWindow : public QWidget
{
    Q_OBJECT
public:
    // `role` names the operator account now logged in ("admin" or "user",
    // the cashier); asked each time, so a change of operator counts at once.
    CustomerWindow(CustomerAccounts &accounts, Prompter &prompter, const Clock &clock, PrintTargetDialog &printTarget,
                   const QString &printLog, std::function<QString()> role, QWidget *parent = nullptr);

    // Reads the accounts again from the start.
    void getUsers();
    // The accounts changed elsewhere (another counter): read again, the
    // chosen account kept, unless time is being added to it.
    void followBooks();
    // Delete shown or hidden as the operator now logged in may use it.
    void followRole();
    // Where "New User" comes from when the console keeps one for every
    // opener; unset, the window makes its own.
    void setNewUserOpener(std::function<NewUserDialog *()> open) { m_openNewUser = std::move(open); }
    void selectRow(int row);
    const std::optional<CustomerRow> &selected() const { return m_selected; }

    // The buttons' actions.
    void addNew();
    void deleteCustomer();
    void enterAddTime();
    // Asks the amount paid; the time is stored once it is given.
    void save();
    void cancel();
    void printCard();
    // A click on the label "PIN".
    void showPin();

    void setTimeToAdd(qint64 minutes);
    AddTimeDialog *addTimeDialog() const { return m_addTime; }
    NewUserDialog *newUserDialog() const { return m_newUser; }
    PaymentDialog *paymentDialog() const { return m_payment; }
    CardWindow *cardWindow() const { return m_card; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void clearDetails();
    void browseMode();
    void tellFailure(const QString &text);
    bool cashier() const;
    void store(qint64 aa, qint64 minutes, const Payment &payment);
    void showSales();

    CustomerAccounts &m_accounts;
    Prompter &m_prompter;
    const Clock &m_clock;
    PrintTargetDialog &m_printTarget;
    QString m_printLog;
    std::function<QString()> m_role;
    std::function<NewUserDialog *()> m_openNewUser;

    CustomerTableModel *m_model = nullptr;
    AccountSalesModel *m_sales = nullptr;
    std::optional<CustomerRow> m_selected;
    std::optional<qint64> m_toAdd;
    QPointer<AddTimeDialog> m_addTime;
    QPointer<NewUserDialog> m_newUser;
    QPointer<CardWindow> m_card;
    QPointer<PaymentDialog> m_payment;
    bool m_readReported = false;

    QTableView *m_grid = nullptr;
    QTableView *m_salesGrid = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_lastname = nullptr;
    QLineEdit *m_telephone = nullptr;
    QLineEdit *m_pin = nullptr;
    QLineEdit *m_used = nullptr;
    QLineEdit *m_left = nullptr;
    QLabel *m_pinLabel = nullptr;
    QLabel *m_toAddLabel = nullptr;
    QPushButton *m_addTimeButton = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_addNewButton = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_printCard = nullptr;
};
