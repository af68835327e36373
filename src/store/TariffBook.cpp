#include "store/TariffBook.h"

#include "store/StoreValues.h"

#include <QSqlRecord>
#include <algorithm>

using namespace StoreValues;

Result<QList<Money>> TariffBook::rates()
{
    return SqlStore::collect<Money>(sql(), run(QStringLiteral("SELECT rate FROM rates ORDER BY aa")),
                                    [](const QSqlQuery &q) { return Money::fromUnits(q.value(0).toLongLong()); });
}

Result<void> TariffBook::setRates(const QList<Money> &rates)
{
    const auto written = atomically([&] {
        auto ids = SqlStore::collect<qint64>(sql(), run(QStringLiteral("SELECT aa FROM rates ORDER BY aa")),
                                             [](const QSqlQuery &q) { return q.value(0).toLongLong(); });
        if (!ids)
            return false;
        for (int i = 0; i < rates.size(); ++i) {
            const bool ok =
                i < ids->size()
                    ? exec(QStringLiteral("UPDATE rates SET rate = ? WHERE aa = ?"), {rates[i].units(), ids->at(i)})
                    : exec(QStringLiteral("INSERT INTO rates (rate) VALUES (?)"), {rates[i].units()});
            if (!ok)
                return false;
        }
        return true;
    });
    if (!written)
        return failure(lastError());
    return {};
}

Result<RateSettings> TariffBook::rateSettings()
{
    auto q = run(QStringLiteral("SELECT fixed, mintime, toltime, backround FROM settings ORDER BY aa"));
    if (!q)
        return failure(lastError());
    RateSettings s;
    while (q->next()) { // the last row wins
        s.fixed = Money::fromUnits(q->value(0).toLongLong());
        s.mintime = q->value(1).toLongLong();
        s.toltime = q->value(2).toLongLong();
        s.backround = q->value(3).toString();
    }
    return s;
}

Result<void> TariffBook::setRateSettings(Money fixed, qint64 mintime, qint64 toltime)
{
    return write(QStringLiteral("UPDATE settings SET fixed = ?, mintime = ?, toltime = ?"),
                 {fixed.units(), mintime, toltime});
}

Result<void> TariffBook::setBackground(const QString &path)
{
    return write(QStringLiteral("UPDATE settings SET backround = ?"), {path});
}
