#include "reports/ShiftsModel.h"

#include "base/Format.h"

namespace {
QString when(const QDateTime &t)
{
    return t.isValid() ? Format::shortDate(t.date()) + QLatin1Char(' ') + Format::longTime(t.time()) : QString();
}
QString amount(const std::optional<Money> &m) { return m ? Format::amount(*m) : QString(); }
} // namespace

void ShiftsModel::setShifts(QList<ShiftRow> shifts)
{
    beginResetModel();
    m_shifts = std::move(shifts);
    endResetModel();
}

int ShiftsModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_shifts.size(); }

int ShiftsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant ShiftsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shifts.size())
        return {};
    if (role == Qt::TextAlignmentRole && index.column() >= OpeningCash)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const ShiftRow &s = m_shifts.at(index.row());
    switch (index.column()) {
    case Opened:
        return when(s.opened);
    case Closed:
        return s.isOpen() ? QStringLiteral("open") : when(s.closed);
    case Operator:
        return s.operatorName;
    case Console:
        return s.console;
    case OpeningCash:
        return Format::amount(s.openingCash);
    case Expected:
        return amount(s.expected);
    case Counted:
        return amount(s.counted);
    case Difference:
        return s.counted && s.expected ? Format::amount(Money::fromUnits(s.counted->units() - s.expected->units()))
                                       : QString();
    }
    return {};
}

QVariant ShiftsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *const titles[ColumnCount] = {"OPENED",       "CLOSED",   "OPERATOR", "CONSOLE",
                                                    "OPENING CASH", "EXPECTED", "COUNTED",  "DIFFERENCE"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
