#pragma once

#include "base/Result.h"
#include "store/Records.h"

#include <QList>
#include <QString>
#include <functional>

class CafeStore;
class Clock;
class CustomerStore;

// What the customer paid for time put on an account, and who took it.
struct Payment
{
    Money amount;
    QString reason; // why nothing was taken; needed when the amount is zero
    QString seller; // the operator account logged in
};

// The customer desk's books: listing, creating, topping up and deleting the
// customer accounts of users.dat, with their transactions in icafe.dat.
// A PIN is handed back to the caller only; it never goes into an error text.
class CustomerAccounts
{
public:
    // A uniform draw in [0, 1); the system's secure source unless a test
    // gives its own.
    using Uniform = std::function<double()>;

    CustomerAccounts(CustomerStore &customers, CafeStore &cafe, const Clock &clock, Uniform uniform = {});

    // Up to `limit` accounts whose key is greater than `after`, by key.
    Result<QList<CustomerRow>> page(qint64 after, int limit);
    Result<CustomerRow> account(qint64 aa);

    // Whether an account of this first and last name exists, letter case
    // folded in every alphabet.
    Result<bool> nameTaken(const QString &name, const QString &lastname);
    // Stores a new account with a fresh PIN and sells it `minutes`; gives
    // the new key. An account whose sale fails is kept without time, and
    // the failure says so.
    Result<qint64> addUser(const QString &name, const QString &lastname, const QString &telephone, qint64 minutes,
                           const Payment &payment);

    // The account, when time can be added to it now: not while it is
    // logged on, as the charge running there would write back its own
    // figure at logoff and the minutes added would be lost.
    Result<CustomerRow> readyForTime(qint64 aa);
    // Sells minutes onto an account: the sale is recorded with its payment,
    // time and time left grow and the used time is cleared.
    Result<void> addTime(qint64 aa, qint64 minutes, const Payment &payment);
    // What those minutes cost at the first rate, as a charge of that length
    // is billed; nullopt when the tariff cannot be read or the sum is past
    // the bounds.
    std::optional<Money> offer(qint64 minutes);
    // The payment typed at the counter, or the reason it cannot be taken,
    // in the operator's words: not an amount, past the bounds, or nothing
    // taken without a reason.
    static Result<Payment> paymentFrom(const QString &amount, const QString &reason, const QString &seller);
    // Sales a crash cut short: kept when their minutes reached the account,
    // dropped when not. Run at start-up, before the desk is used.
    Result<void> settleSales();
    Result<QList<TimeSaleRow>> salesOf(qint64 aa);

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
    static std::optional<QString> refusal(const Payment &payment);
    Result<void> sell(const CustomerRow &account, qint64 minutes, const Payment &payment);

    CustomerStore &m_customers;
    CafeStore &m_cafe;
    const Clock &m_clock;
    Uniform m_uniform;
};
