#include "reports/UserTransactionsModel.h"

#include "ui/Format.h"

#include <QLocale>

int UserTransactionsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant UserTransactionsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::DisplayRole)
        return {};
    const Line &l = line(index.row());
    const auto clock = [](qint32 seconds) {
        return seconds < 0 ? QString() : QLocale().toString(time(seconds), QLocale::ShortFormat);
    };
    switch (index.column()) {
    case Computer:
        return text(l.computer);
    case Date:
        return Format::shortDate(date(l.startdate));
    case StartTime:
        return clock(l.starttime);
    case EndTime:
        return clock(l.endtime);
    case Time:
        return text(l.totaltime);
    case Pin:
        return text(l.userpin);
    }
    return {};
}

QVariant UserTransactionsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"COMPUTER", "DATE", "START TIME", "END TIME", "TIME", "PIN"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}
