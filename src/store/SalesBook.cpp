#include "store/SalesBook.h"

#include "store/StoreValues.h"

Result<qint64> SalesBook::addSale(const TimeSaleRow &sale)
{
    // The sale belongs to the shift open at this console, if any.
    auto q = run(QStringLiteral("INSERT INTO timesales (saledate, saletime, seller, account, customer, minutes,"
                                " amount, reason, shift) VALUES (?, ?, ?, ?, ?, ?, ?, ?,"
                                " (SELECT aa FROM shifts WHERE console = ? AND closedate IS NULL)) RETURNING aa"),
                 {StoreValues::date(sale.at.date()), StoreValues::time(sale.at.time()), sale.seller, sale.account,
                  sale.customer, sale.minutes, sale.amount.units(),
                  // A null text would be stored as NULL, not as no reason.
                  sale.reason.isEmpty() ? QStringLiteral("") : sale.reason, sql().console()});
    if (!q)
        return failure(QStringLiteral("The sale was not recorded: %1").arg(lastError()));
    if (!q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<void> SalesBook::markCredited(qint64 sale)
{
    return write(QStringLiteral("UPDATE timesales SET credited = 1 WHERE aa = ?"), {sale});
}

Result<void> SalesBook::dropSale(qint64 sale)
{
    return write(QStringLiteral("DELETE FROM timesales WHERE aa = ? AND credited = 0"), {sale});
}

Result<QList<qint64>> SalesBook::uncreditedSales()
{
    return SqlStore::collect<qint64>(sql(),
                                     run(QStringLiteral("SELECT aa FROM timesales WHERE credited = 0 ORDER BY aa")),
                                     [](const QSqlQuery &q) { return q.value(0).toLongLong(); });
}

TimeSaleRow SalesBook::saleFrom(const QSqlQuery &q)
{
    TimeSaleRow r;
    r.aa = q.value(0).toLongLong();
    r.at = QDateTime(StoreValues::toDate(q.value(1)), StoreValues::toTime(q.value(2)));
    r.seller = q.value(3).toString();
    r.account = q.value(4).toLongLong();
    r.customer = q.value(5).toString();
    r.minutes = q.value(6).toLongLong();
    r.amount = Money::fromUnits(q.value(7).toLongLong());
    r.reason = q.value(8).toString();
    return r;
}

Result<QList<TimeSaleRow>> SalesBook::salesOf(qint64 account)
{
    return SqlStore::collect<TimeSaleRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM timesales WHERE account = ? AND credited = 1"
                           " ORDER BY aa DESC")
                .arg(QLatin1String(SaleColumns)),
            {account}),
        saleFrom);
}

Result<Money> SalesBook::salesTotal(const QDate &from, const QDate &to)
{
    auto q = run(QStringLiteral("SELECT COALESCE(SUM(amount), 0) FROM timesales"
                                " WHERE credited = 1 AND saledate BETWEEN ? AND ?"),
                 {StoreValues::date(from), StoreValues::date(to)});
    if (!q || !q->next())
        return failure(lastError());
    return Money::fromUnits(q->value(0).toLongLong());
}
