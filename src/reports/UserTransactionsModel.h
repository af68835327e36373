#pragma once

#include "reports/KinPagesModel.h"

// One customer's account time charges: six columns, no money.
class UserTransactionsModel : public KinPagesModel
{
    Q_OBJECT
public:
    enum Column { Computer, Date, StartTime, EndTime, Time, Pin, ColumnCount };

    using KinPagesModel::KinPagesModel;

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
