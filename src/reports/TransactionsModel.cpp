#include "reports/TransactionsModel.h"

#include "base/Format.h"

int TransactionsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant TransactionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && column >= Charge && column <= Total)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    static_assert(int(Charge) == int(LeadingColumns), "the listing begins with the leading columns");
    const Line &l = line(index.row());
    if (column < LeadingColumns)
        return leadingCell(l, column, Format::longTime);
    // A charge still running has no amounts yet: those cells stay empty.
    const auto amount = [](qint64 units) {
        const auto m = money(units);
        return m ? Format::currency(*m) : QString();
    };
    switch (column) {
    case Charge:
        return amount(l.timecharged);
    case Extra:
        return amount(l.extra);
    case Total:
        return amount(l.total);
    case Key:
        return l.aa;
    case Reason:
        return text(l.reason);
    case Branch:
        return text(l.branch);
    }
    return {};
}

QVariant TransactionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"COMPUTER", "DATE",  "START DATE", "END TIME", "TIME",
                                                    "CHARGE",   "EXTRA", "TOTAL",      "",         "REASON",
                                                    "BRANCH"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
