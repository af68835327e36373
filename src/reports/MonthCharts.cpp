#include "reports/MonthCharts.h"

#include "store/CafeStore.h"
#include "store/KinBook.h"

Money MonthCharts::highestDay() const
{
    qint64 most = 0;
    for (const ChartBook::DayTakings &d : days)
        most = std::max(most, d.time.units() + d.extras.units() + d.accountTime.units());
    return Money::fromUnits(most);
}

qint64 MonthCharts::busiestHour() const
{
    qint64 most = 0;
    for (const auto &day : inUse)
        for (const qint64 s : day)
            most = std::max(most, s);
    return most;
}

Result<MonthCharts> MonthCharts::read(CafeStore &cafe, const QDate &month)
{
    KinBook book(cafe);
    const Result<bool> ready = book.schemaReady();
    if (!ready)
        return failure(ready.error());
    if (!*ready)
        return failure(QStringLiteral("The daily sums of the transactions are still being prepared. Open"
                                      " Transactions > Show Transactions once, then the charts."));
    MonthCharts c;
    c.first = QDate(month.year(), month.month(), 1);
    const QDate last = c.first.addMonths(1).addDays(-1);
    const auto takings = cafe.takingsByDay(c.first, last);
    const auto hours = takings ? cafe.hoursInUse(c.first, last) : Result<QList<ChartBook::HourInUse>>(failure(""));
    const auto lengths = hours ? cafe.lengths(c.first, last) : Result<ChartBook::Lengths>(failure(""));
    if (!takings || !hours || !lengths)
        return failure(!takings ? takings.error() : !hours ? hours.error() : lengths.error());
    int next = 0;
    for (QDate d = c.first; d <= last; d = d.addDays(1)) {
        if (next < takings->size() && takings->at(next).day == d)
            c.days << takings->at(next++);
        else
            c.days << ChartBook::DayTakings{d, {}, {}, {}};
    }
    for (const ChartBook::HourInUse &h : *hours)
        if (h.hour >= 0 && h.hour < 24)
            c.inUse[h.day.dayOfWeek() - 1][h.hour] += h.seconds;
    c.charges = lengths->charges;
    c.chargeSeconds = lengths->seconds;
    return c;
}
