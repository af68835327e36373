#pragma once

#include "reports/KinPagesModel.h"

// The listing of the transactions browser: normal and prepaid time charges,
// ten columns, the key hidden in column 8.
class TransactionsModel : public KinPagesModel
{
    Q_OBJECT
public:
    enum Column { Computer, Date, StartTime, EndTime, Time, Charge, Extra, Total, Key, Reason, Branch, ColumnCount };

    using KinPagesModel::KinPagesModel;

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
