#pragma once

#include "base/Result.h"
#include "store/ChartBook.h"

#include <QList>
#include <array>

class CafeStore;

// A month at a glance: the takings of every day by kind, the computer-hours
// in use by day of the week and hour of the day, and the average length of
// a charge. All from the sums the books keep.
struct MonthCharts
{
    QDate first;                       // the month's first day
    QList<ChartBook::DayTakings> days; // every day of the month, in order
    // Seconds in use, [day of the week, Monday 0][hour].
    std::array<std::array<qint64, 24>, 7> inUse{};
    qint64 charges = 0;
    qint64 chargeSeconds = 0;

    qint64 averageSeconds() const { return charges ? chargeSeconds / charges : 0; }
    Money highestDay() const;
    qint64 busiestHour() const;

    static Result<MonthCharts> read(CafeStore &cafe, const QDate &month);
};
