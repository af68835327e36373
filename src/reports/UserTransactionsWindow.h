#pragma once

#include "reports/KinListWindow.h"

class QLineEdit;
class UserTransactionsModel;

// "Users Transactions": one customer's account time charges, found by PIN,
// over a range; listed and printed. An empty PIN does nothing.
class UserTransactionsWindow : public KinListWindow
{
    Q_OBJECT
public:
    UserTransactionsWindow(CafeStore &store, Prompter &prompter, const Clock &clock, ReportOutlet &outlet,
                           QWidget *parent = nullptr);

    void showListing() override;

protected:
    std::optional<KinFilter> currentFilter() const override;

private:
    QLineEdit *m_pin = nullptr;
};
