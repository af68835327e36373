#pragma once

#include "store/BookArea.h"
#include "store/Records.h"
#include "base/Money.h"

#include <QList>
#include <QVariant>

// The charges: transactions (kin), the extras sold onto them, the takings,
// and a customer's transactions by PIN.
class ChargeBook : protected BookArea
{
public:
    Result<qint64> appendTransaction(const KinRow &row);
    // A failure when it cannot be read or there is no such row.
    Result<KinRow> transaction(qint64 aa);
    // The end and the bill of a charge change its row only while the row is
    // in the state the writer expects, decided by the statement itself: no
    // stale window, restart or second console can end a charge twice or
    // rewrite a confirmed bill. A row in any other state is refused with
    // what it is (also in lastError()), and nothing is written.
    // A running row of that kind ends: a normal row gets its end and time
    // used, a prepaid row only its time used (its planned end stays), an
    // account row its end and time used and is closed (no bill follows).
    Result<void> endCharge(ComputerFlag kind, qint64 aa, const QDateTime &end, const QString &used);
    // The confirmed bill (charges, time used, extras, total, reason, and a
    // normal row's end) closes a row that has ended and is not confirmed.
    Result<void> confirmCharge(const KinRow &bill, bool prepaid);
    // The running rows of a computer of one kind (ChargeKind::openRow).
    Result<QList<KinRow>> openCharges(ComputerFlag kind, const QString &computer);
    // A running row to another computer; refused, as an end is, once it has ended.
    Result<void> moveTransaction(qint64 aa, const QString &computer);
    // Charges that have ended but whose bill was not confirmed.
    Result<QList<KinRow>> unconfirmed();
    // The sums over the transactions that started on a day; rows without
    // a total (still running) count as zero.
    Result<Takings> takingsOn(const QDate &day);

    Result<QList<ExtraRow>> extras(qint64 key);
    // nullopt when the transaction has no extras, a sum otherwise; a
    // failure when they cannot be read, or add up to no exact amount within
    // the limit.
    Result<std::optional<Money>> sumExtras(qint64 key);
    Result<qint64> addExtra(const ExtraRow &row);
    Result<void> deleteExtra(qint64 aa);
    // Sets the quantity and recomputes the line (quantity × unit price);
    // false, nothing written, when the line would pass the amount limit.
    Result<bool> setExtraQuantity(qint64 aa, qint64 quantity);

    // One unit of a product onto a transaction, unless that product is on it
    // already or its bill is confirmed; decided and written in one go.
    enum class Sale { Added, AlreadyThere, Confirmed };
    Result<Sale> sellExtra(qint64 key, const QString &desc, Money price);

    // The computer of the newest open customer-account row; empty when none.
    Result<QString> openAccountComputer(const QString &pin);
    Result<bool> hasAccountTransactions(const QString &pin);
    // Every transaction with that PIN, of any date, with its extras, at once.
    Result<void> deleteAccountTransactions(const QString &pin);
    // Every open transaction of any kind, in key order.
    Result<QList<KinRow>> openTransactions();
    // How many open customer-account transactions carry this PIN.
    Result<qint64> openAccountCharges(const QString &pin);

    // The columns kinFrom() reads, in its order.
    static constexpr const char *KinColumns =
        "aa, computer, startdate, starttime, enddate, endtime, ptime, enab, pretimeenab, userenab, userpin, type,"
        " totaltime, timecharged, extra, total, reason";
    static KinRow kinFrom(const QSqlQuery &q);

protected:
    explicit ChargeBook(SqlStore &sql)
        : BookArea(sql)
    {}

    // One conditional write of the row aa (bound last); refused when it
    // changed no row.
    Result<void> changeCharge(qint64 aa, const QString &sql, QVariantList values, bool confirming);
private:
    // The operator's words for a write the one-running-charge rules refused.
    std::optional<QString> conflict(const QString &computer);
};
