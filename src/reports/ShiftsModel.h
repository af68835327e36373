#pragma once

#include "store/Records.h"

#include <QAbstractTableModel>
#include <QList>

// The shifts an operator may see, newest first, with the drawer's figures
// of those closed.
class ShiftsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Opened, Closed, Operator, Console, OpeningCash, Expected, Counted, Difference, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setShifts(QList<ShiftRow> shifts);
    const ShiftRow &shift(int row) const { return m_shifts.at(row); }
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<ShiftRow> m_shifts;
};
