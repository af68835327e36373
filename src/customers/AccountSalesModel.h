#pragma once

#include "store/Records.h"

#include <QAbstractTableModel>
#include <QList>

// The time sold onto one account, newest first: when, how much time, what
// was paid, by whom it was sold and why nothing was taken where nothing was.
class AccountSalesModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Date, Time, Bought, Paid, Seller, Reason, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setSales(QList<TimeSaleRow> sales);
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<TimeSaleRow> m_sales;
};
