#include "store/ShiftBook.h"

#include "store/ChargeBook.h"
#include "store/SalesBook.h"
#include "store/StoreValues.h"

using namespace StoreValues;

namespace {
const QString kShiftColumns = QStringLiteral("aa, console, operator, opendate, opentime, openingcash, closedate,"
                                             " closetime, countedcash, expectedcash");

ShiftRow shiftFrom(const QSqlQuery &q)
{
    ShiftRow r;
    r.aa = q.value(0).toLongLong();
    r.console = q.value(1).toString();
    r.operatorName = q.value(2).toString();
    r.opened = QDateTime(toDate(q.value(3)), toTime(q.value(4)));
    r.openingCash = Money::fromUnits(q.value(5).toLongLong());
    if (!q.value(6).isNull())
        r.closed = QDateTime(toDate(q.value(6)), toTime(q.value(7)));
    r.counted = toMoney(q.value(8));
    r.expected = toMoney(q.value(9));
    return r;
}
} // namespace

Result<std::optional<ShiftRow>> ShiftBook::openShift()
{
    const auto rows = SqlStore::collect<ShiftRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM shifts WHERE console = ? AND closedate IS NULL").arg(kShiftColumns),
            {sql().console()}),
        shiftFrom);
    if (!rows)
        return failure(rows.error());
    return rows->isEmpty() ? std::optional<ShiftRow>() : std::optional(rows->first());
}

Result<qint64> ShiftBook::beginShift(const QString &operatorName, const QDateTime &at, Money cash)
{
    auto q = run(QStringLiteral("INSERT INTO shifts (console, operator, opendate, opentime, openingcash)"
                                " VALUES (?, ?, ?, ?, ?) RETURNING aa"),
                 {sql().console(), operatorName, date(at.date()), time(at.time()), cash.units()});
    if (!q)
        return failure((lastError().contains(QLatin1String("UNIQUE")) || lastError().contains(QLatin1String("shifts_one_open")))
                           ? QStringLiteral("A shift is already open at this console.")
                           : QStringLiteral("The shift was not opened: %1").arg(lastError()));
    if (!q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<void> ShiftBook::endShift(qint64 shift, const QDateTime &at, Money counted, Money expected)
{
    auto q = run(QStringLiteral("UPDATE shifts SET closedate = ?, closetime = ?, countedcash = ?, expectedcash = ?"
                                " WHERE aa = ? AND closedate IS NULL"),
                 {date(at.date()), time(at.time()), counted.units(), expected.units(), shift});
    if (!q)
        return failure(QStringLiteral("The shift was not closed: %1").arg(lastError()));
    if (q->numRowsAffected() < 1)
        return failure(QStringLiteral("This shift was closed already."));
    return {};
}

Result<ShiftRow> ShiftBook::shift(qint64 aa)
{
    const auto rows = SqlStore::collect<ShiftRow>(
        sql(), run(QStringLiteral("SELECT %1 FROM shifts WHERE aa = ?").arg(kShiftColumns), {aa}), shiftFrom);
    if (!rows)
        return failure(rows.error());
    if (rows->isEmpty())
        return failure(QStringLiteral("There is no such shift."));
    return rows->first();
}

Result<QList<ShiftRow>> ShiftBook::shifts(const QString &operatorName)
{
    // A null text would bind as NULL, which equals nothing.
    const QString who = operatorName.isEmpty() ? QStringLiteral("") : operatorName;
    return SqlStore::collect<ShiftRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM shifts WHERE ? = '' OR operator = ? ORDER BY aa DESC").arg(kShiftColumns),
            {who, who}),
        shiftFrom);
}

Result<ShiftFigures> ShiftBook::figures(qint64 shift)
{
    auto bills = run(QStringLiteral("SELECT count(*), CAST(coalesce(sum(total), 0) AS BIGINT), CAST(coalesce(sum(timecharged), 0) AS BIGINT),"
                                    " count(CASE WHEN reason <> '' THEN 1 END)"
                                    " FROM kin WHERE aa IN (SELECT kin FROM shiftbills WHERE shift = ?)"),
                     {shift});
    if (!bills || !bills->next())
        return failure(lastError());
    ShiftFigures f;
    f.bills = bills->value(0).toLongLong();
    f.billTotal = Money::fromUnits(bills->value(1).toLongLong());
    f.timeCharges = Money::fromUnits(bills->value(2).toLongLong());
    f.freeBills = bills->value(3).toLongLong();
    auto sales = run(QStringLiteral("SELECT count(*), CAST(coalesce(sum(amount), 0) AS BIGINT) FROM timesales"
                                    " WHERE shift = ? AND credited = 1"),
                     {shift});
    if (!sales || !sales->next())
        return failure(lastError());
    f.sales = sales->value(0).toLongLong();
    f.salesTotal = Money::fromUnits(sales->value(1).toLongLong());
    return f;
}

Result<QList<KinRow>> ShiftBook::shiftBills(qint64 shift)
{
    return SqlStore::collect<KinRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM kin WHERE aa IN (SELECT kin FROM shiftbills WHERE shift = ?) ORDER BY aa")
                .arg(QLatin1String(ChargeBook::KinColumns)),
            {shift}),
        ChargeBook::kinFrom);
}

Result<QList<TimeSaleRow>> ShiftBook::shiftSales(qint64 shift)
{
    return SqlStore::collect<TimeSaleRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM timesales WHERE shift = ? AND credited = 1 ORDER BY aa")
                .arg(QLatin1String(SalesBook::SaleColumns)),
            {shift}),
        SalesBook::saleFrom);
}

bool ShiftBook::joinOpenShift(qint64 kin)
{
    return exec(QStringLiteral("INSERT INTO shiftbills (kin, shift)"
                               " SELECT ?, aa FROM shifts WHERE console = ? AND closedate IS NULL"
                               " ON CONFLICT (kin) DO UPDATE SET shift = excluded.shift"),
                {kin, sql().console()});
}
