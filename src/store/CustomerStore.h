#pragma once

#include "store/Records.h"
#include "store/SqlStore.h"
#include "ui/Result.h"

#include <QList>

// users.dat: the customer accounts with their PIN and time credit.
class CustomerStore : public SqlStore
{
public:
    Result<QList<CustomerRow>> accounts();
    // Every account with that PIN, matched as data, exactly.
    Result<QList<CustomerRow>> accountsWithPin(const QString &pin);
    std::optional<CustomerRow> account(qint64 aa);
    Result<qint64> addAccount(const CustomerRow &row);
    bool updateAccount(const CustomerRow &row);
    // Accounts with this first and last name, ignoring letter case.
    Result<QList<CustomerRow>> accountsNamed(const QString &name, const QString &lastname);
};
