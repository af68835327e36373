#pragma once

#include "store/ChargeKinds.h"
#include "store/Records.h"
#include "base/Result.h"

#include <QDateTime>
#include <QString>

class Bill;
class CafeStore;
class CustomerStore;

// Writes the time charges into the books, each step in one transaction:
// the start with its flag, the end, the confirmed bill, a move, and the
// settlement of a customer's account. `keepFlag` says another charge of the
// same kind runs on that computer, whose flag stays set.
class ChargeRecorder
{
public:
    ChargeRecorder(CafeStore &cafe, CustomerStore &customers);

    // The open row of a charge started on `computer` at `start`.
    static KinRow startRow(const QString &computer, const QDateTime &start);
    // The new row's key.
    Result<qint64> record(const QString &computer, ComputerFlag flag, const KinRow &row);
    // The end of a charge, stored at once with its flag cleared, so that a
    // restart never brings it back as running; the bill's total comes on
    // confirmation. Refused when the books cannot write it or the row no
    // longer runs.
    Result<void> recordEnd(ComputerFlag flag, const QString &computer, qint64 transaction, const QDateTime &end,
                           const QString &used, bool keepFlag);
    // The end of an account's charge; a charge with no row (0) clears only its flag.
    Result<void> recordAccountEnd(const QString &computer, qint64 transaction, const QDateTime &end,
                                  const QString &used, bool keepFlag);
    // Writes a confirmed bill into the books, one write; the error text on failure.
    Result<void> storeBill(const Bill &bill, bool keepFlag);
    // The running row and the flag go to `to`, in one transaction.
    Result<void> move(ComputerFlag flag, qint64 transaction, const QString &from, const QString &to,
                      bool keepSourceFlag);
    // Takes the minutes used off the account in use with that PIN and clears
    // its in-use mark; minutes added meanwhile stay.
    Result<void> settleAccount(const QString &pin, qint64 used);
    // Clears the in-use mark of an account whose charge is gone.
    Result<void> clearAccountMark(qint64 account);

private:
    CafeStore &m_cafe;
    CustomerStore &m_customers;
};
