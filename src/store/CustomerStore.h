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
    // Marks the account in use by a logon from `peer`, only while it is free
    // and holds two minutes or more: of two counters taking it at once, one
    // does. False when it could not be taken.
    Result<bool> claim(qint64 aa, const QString &peer);
    // Takes `used` minutes off every in-use account with that PIN, never
    // below zero, and frees it. An account no longer in use pays nothing, so
    // a charge is paid once. How many accounts paid.
    Result<int> spend(const QString &pin, qint64 used);
    // Frees the in-use mark of every account with that PIN, or of one account.
    Result<void> release(const QString &pin);
    Result<void> release(qint64 aa);
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
