#include "store/ChartBook.h"

#include "store/StoreValues.h"

#include <QMap>

using namespace StoreValues;

Result<QList<ChartBook::DayTakings>> ChartBook::takingsByDay(const QDate &from, const QDate &to)
{
    QMap<QDate, DayTakings> days;
    auto kin = run(QStringLiteral("SELECT startdate, CAST(sum(timecharged) AS BIGINT), CAST(sum(total) AS BIGINT) FROM kin_days"
                                  " WHERE startdate BETWEEN ? AND ? GROUP BY startdate"),
                   {date(from), date(to)});
    if (!kin)
        return failure(lastError());
    while (kin->next()) {
        DayTakings &d = days[toDate(kin->value(0))];
        d.time = Money::fromUnits(kin->value(1).toLongLong());
        d.extras = Money::fromUnits(kin->value(2).toLongLong() - kin->value(1).toLongLong());
    }
    auto sales = run(QStringLiteral("SELECT saledate, CAST(sum(amount) AS BIGINT) FROM timesales"
                                    " WHERE credited = 1 AND saledate BETWEEN ? AND ? GROUP BY saledate"),
                     {date(from), date(to)});
    if (!sales)
        return failure(lastError());
    while (sales->next())
        days[toDate(sales->value(0))].accountTime = Money::fromUnits(sales->value(1).toLongLong());
    QList<DayTakings> list;
    for (auto it = days.begin(); it != days.end(); ++it) {
        it->day = it.key();
        list << *it;
    }
    return list;
}

Result<QList<ChartBook::HourInUse>> ChartBook::hoursInUse(const QDate &from, const QDate &to)
{
    return SqlStore::collect<HourInUse>(
        sql(),
        run(QStringLiteral("SELECT day, hour, seconds FROM kin_hours WHERE day BETWEEN ? AND ? AND seconds <> 0"),
            {date(from), date(to)}),
        [](const QSqlQuery &q) {
            return HourInUse{toDate(q.value(0)), q.value(1).toInt(), q.value(2).toLongLong()};
        });
}

Result<ChartBook::Lengths> ChartBook::lengths(const QDate &from, const QDate &to)
{
    auto q = run(QStringLiteral("SELECT CAST(coalesce(sum(n), 0) AS BIGINT), CAST(coalesce(sum(seconds), 0) AS BIGINT) FROM kin_lengths"
                                " WHERE day BETWEEN ? AND ?"),
                 {date(from), date(to)});
    if (!q || !q->next())
        return failure(lastError());
    return Lengths{q->value(0).toLongLong(), q->value(1).toLongLong()};
}
