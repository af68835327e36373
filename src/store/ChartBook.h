#pragma once

#include "store/BookArea.h"
#include "store/Records.h"

#include <QList>

// The charts' figures, from the daily and hourly sums the books keep
// (kin_days, kin_hours, kin_lengths) and the account sales by day; never by
// reading every transaction.
class ChartBook : protected BookArea
{
public:
    struct DayTakings
    {
        QDate day;
        Money time;
        Money extras;
        Money accountTime;
    };
    struct HourInUse
    {
        QDate day;
        int hour = 0;
        qint64 seconds = 0;
    };
    struct Lengths
    {
        qint64 charges = 0;
        qint64 seconds = 0;
    };

    // Days with takings only, in date order.
    Result<QList<DayTakings>> takingsByDay(const QDate &from, const QDate &to);
    Result<QList<HourInUse>> hoursInUse(const QDate &from, const QDate &to);
    // The charges that started in the range and have ended.
    Result<Lengths> lengths(const QDate &from, const QDate &to);

protected:
    explicit ChartBook(SqlStore &sql)
        : BookArea(sql)
    {}
};
