#pragma once

#include "store/BookArea.h"
#include "store/Records.h"

#include <QList>

// Time sold onto customer accounts. A sale is written first, then its
// minutes go onto the account in the customers' book, then it is marked
// credited; only credited sales count. A sale left uncredited by a crash is
// settled at the next start from what the customers' book holds.
class SalesBook : protected BookArea
{
public:
    Result<qint64> addSale(const TimeSaleRow &sale);
    Result<void> markCredited(qint64 sale);
    Result<void> dropSale(qint64 sale);
    // Keys of the sales written but not yet marked credited, oldest first.
    Result<QList<qint64>> uncreditedSales();
    // The credited sales of one account, newest first.
    Result<QList<TimeSaleRow>> salesOf(qint64 account);
    // The money taken for account time from `from` to `to`, dates inclusive.
    Result<Money> salesTotal(const QDate &from, const QDate &to);

    static constexpr const char *SaleColumns =
        "aa, saledate, saletime, seller, account, customer, minutes, amount, reason";
    static TimeSaleRow saleFrom(const QSqlQuery &q);

protected:
    explicit SalesBook(SqlStore &sql)
        : BookArea(sql)
    {}
};
