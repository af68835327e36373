#include "customers/CustomerTableModel.h"

#include "customers/CustomerAccounts.h"

CustomerTableModel::CustomerTableModel(CustomerAccounts &accounts, QObject *parent)
    : QAbstractTableModel(parent)
    , m_accounts(accounts)
{}

int CustomerTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }
int CustomerTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant CustomerTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || role != Qt::DisplayRole)
        return {};
    const CustomerRow &c = m_rows.at(index.row());
    switch (index.column()) {
    case Key:
        return c.aa;
    case Name:
        return c.name;
    case LastName:
        return c.lastname;
    case Telephone:
        return c.telephone;
    case Pin:
        return c.password;
    case Time:
        return c.time;
    case UsedTime:
        return c.usedtime;
    case TimeLeft:
        return c.timeleft;
    case InUse:
        return c.timer;
    case PcUsed:
        return c.pcused;
    default:
        return {};
    }
}

QVariant CustomerTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"",     "NAME",      "LAST NAME", "TELEPHONE", "PIN",
                                                    "TIME", "USED TIME", "TIME LEFT", "",          ""};
    return section >= 0 && section < ColumnCount ? QVariant(QString::fromLatin1(titles[section])) : QVariant();
}

bool CustomerTableModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && !m_atEnd; }

void CustomerTableModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    const Result<QList<CustomerRow>> page = m_accounts.page(m_rows.isEmpty() ? 0 : m_rows.last().aa, PageSize);
    if (!page) {
        m_atEnd = true;
        emit failed(page.error());
        return;
    }
    m_atEnd = page->size() < PageSize;
    if (page->isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page->size() - 1));
    m_rows.append(*page);
    endInsertRows();
}

void CustomerTableModel::getUsers()
{
    beginResetModel();
    m_rows.clear();
    m_atEnd = false;
    endResetModel();
}
