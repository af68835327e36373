#include "customers/AccountSalesModel.h"

#include "base/Format.h"

void AccountSalesModel::setSales(QList<TimeSaleRow> sales)
{
    beginResetModel();
    m_sales = std::move(sales);
    endResetModel();
}

int AccountSalesModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_sales.size(); }

int AccountSalesModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant AccountSalesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_sales.size())
        return {};
    const TimeSaleRow &s = m_sales.at(index.row());
    if (role == Qt::TextAlignmentRole && (index.column() == Bought || index.column() == Paid))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Date:
        return Format::shortDate(s.at.date());
    case Time:
        return Format::longTime(s.at.time());
    case Bought:
        return Format::minutes(s.minutes);
    case Paid:
        return Format::amount(s.amount);
    case Seller:
        return s.seller;
    case Reason:
        return s.reason;
    }
    return {};
}

QVariant AccountSalesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const titles[ColumnCount] = {"DATE", "TIME", "BOUGHT", "PAID", "SOLD BY", "REASON"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
