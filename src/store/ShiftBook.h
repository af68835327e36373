#pragma once

#include "store/BookArea.h"
#include "store/Records.h"

#include <QList>

// Shifts and the cash drawer. The books hold the rule of one open shift per
// console; every bill confirmed and every account sale made while a shift is
// open at this connection's console belongs to it.
class ShiftBook : protected BookArea
{
public:
    // This console's open shift, if any.
    Result<std::optional<ShiftRow>> openShift();
    // Refused while a shift is open at this console.
    Result<qint64> beginShift(const QString &operatorName, const QDateTime &at, Money cash);
    // Closes an open shift once: a second close is refused.
    Result<void> endShift(qint64 shift, const QDateTime &at, Money counted, Money expected);
    Result<ShiftRow> shift(qint64 aa);
    // Newest first; every console's, or only those opened by `operatorName`.
    Result<QList<ShiftRow>> shifts(const QString &operatorName = {});
    Result<ShiftFigures> figures(qint64 shift);
    // The shift's bills, oldest first, and its account sales.
    Result<QList<KinRow>> shiftBills(qint64 shift);
    Result<QList<TimeSaleRow>> shiftSales(qint64 shift);
    // Inside the bill's own transaction: the bill joins the shift open at
    // this console, when there is one.
    bool joinOpenShift(qint64 kin);

protected:
    explicit ShiftBook(SqlStore &sql)
        : BookArea(sql)
    {}
};
