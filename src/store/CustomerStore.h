#pragma once

#include "store/Records.h"
#include "store/SqlStore.h"
#include "base/Result.h"

#include <QList>

// users.dat: the customer accounts with their PIN and time credit.
class CustomerStore : public SqlStore
{
public:
    Result<QList<CustomerRow>> accounts();
    // Every account with that PIN, matched as data, exactly.
    Result<QList<CustomerRow>> accountsWithPin(const QString &pin);
    // nullopt when there is no such account.
    Result<std::optional<CustomerRow>> account(qint64 aa);
    Result<qint64> addAccount(const CustomerRow &row);
    Result<void> updateAccount(const CustomerRow &row);
    // Accounts with this first and last name, ignoring letter case.
    Result<QList<CustomerRow>> accountsNamed(const QString &name, const QString &lastname);

    // Up to `limit` accounts whose key is greater than `after`, by key.
    Result<QList<CustomerRow>> accountsAfter(qint64 after, int limit);
    // Puts a sale's minutes on the account (time and time left grow, the
    // used time is cleared) once only: a sale already credited adds nothing.
    // Fails when no account has that key.
    Result<void> credit(qint64 sale, qint64 aa, qint64 minutes);
    Result<bool> credited(qint64 sale);
    Result<void> deleteAccount(qint64 aa);
};
