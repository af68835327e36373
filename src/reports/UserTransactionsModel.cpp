#include "reports/UserTransactionsModel.h"

#include "base/Format.h"

#include <QLocale>

int UserTransactionsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant UserTransactionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    static_assert(int(Pin) == int(LeadingColumns), "the listing begins with the leading columns");
    const Line &l = line(index.row());
    if (index.column() < LeadingColumns)
        return leadingCell(l, index.column(),
                           [](const QTime &t) { return QLocale().toString(t, QLocale::ShortFormat); });
    return index.column() == Pin ? QVariant(text(l.userpin)) : QVariant();
}

QVariant UserTransactionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"COMPUTER", "DATE", "START TIME", "END TIME", "TIME", "PIN"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
