#include "admin/RosterModel.h"

#include "store/CafeStore.h"

RosterModel::RosterModel(CafeStore &store, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
{
    getComputers();
}

void RosterModel::getComputers()
{
    beginResetModel();
    m_rows.clear();
    m_atEnd = false;
    m_error.clear();
    endResetModel();
    fetchMore({});
}

int RosterModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }
int RosterModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant RosterModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows.at(index.row());
    switch (index.column()) {
    case Key:
        return r.aa;
    case Name:
        return r.name;
    case Address:
        return r.ip;
    default:
        return {};
    }
}

QVariant RosterModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Name:
        return QStringLiteral("Computer Name");
    case Address:
        return QStringLiteral("IP Address");
    default:
        return QString();
    }
}

bool RosterModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && !m_atEnd; }

void RosterModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    const qint64 after = m_rows.isEmpty() ? -1 : m_rows.last().aa;
    const Result<QList<ComputerRow>> rows = m_store.computersAfter(after, PageSize);
    if (!rows) {
        m_error = rows.error();
        m_atEnd = true;
        return;
    }
    QList<Row> page;
    for (const ComputerRow &r : *rows)
        page.append({r.aa, r.pcname, r.ip});
    m_atEnd = page.size() < PageSize;
    if (page.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size() - 1));
    m_rows.append(page);
    endInsertRows();
}
