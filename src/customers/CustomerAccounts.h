#pragma once

#include "store/Records.h"
#include "base/Result.h"

#include <QList>
#include <QString>
#include <functional>

class CafeStore;
class CustomerStore;

// The customer desk's books: listing, creating, topping up and deleting the
// customer accounts of users.dat, with their transactions in icafe.dat.
// A PIN is handed back to the caller only; it never goes into an error text.
class CustomerAccounts
{
public:
    // A uniform draw in [0, 1); the system's secure source unless a test
    // gives its own.
    using Uniform = std::function<double()>;

    CustomerAccounts(CustomerStore &customers, CafeStore &cafe, Uniform uniform = {});

    // Up to `limit` accounts whose key is greater than `after`, by key.
    Result<QList<CustomerRow>> page(qint64 after, int limit);
    Result<CustomerRow> account(qint64 aa);

    // Whether an account of this first and last name exists, letter case
    // folded in every alphabet.
    Result<bool> nameTaken(const QString &name, const QString &lastname);
    // Stores a new account with `minutes` as its time and time left and a
    // fresh PIN; gives the new key.
    Result<qint64> addUser(const QString &name, const QString &lastname, const QString &telephone, qint64 minutes);

    // Adds to time and time left and clears the used time, in one statement.
    Result<void> addTime(qint64 aa, qint64 minutes);

    // The account and every transaction with its PIN. Refused while the
    // account is logged on at a computer.
    Result<void> deleteCustomer(qint64 aa);

    // The computer the account is logged on at now, as the books hold it;
    // empty when it is not in use.
    Result<QString> inUseAt(const CustomerRow &account);

    // A PIN no account and no transaction uses yet.
    Result<QString> drawPin();
    // The PIN of a uniform draw: every whole number of up to seven digits
    // equally likely, so that a guess finds a PIN as seldom as can be.
    static qint64 pinFrom(double uniform);

private:
    Result<bool> pinTaken(const QString &pin);

    CustomerStore &m_customers;
    CafeStore &m_cafe;
    Uniform m_uniform;
};
