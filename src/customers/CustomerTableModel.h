#pragma once

#include "store/Records.h"

#include <QAbstractTableModel>
#include <QList>

class CustomerAccounts;

// The customer grid: every account of users.dat by key, read a page at a
// time as the view scrolls. Columns: key, NAME, LAST NAME, TELEPHONE, PIN,
// TIME, USED TIME, TIME LEFT, in use, computer; the window shows three.
class CustomerTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Key, Name, LastName, Telephone, Pin, Time, UsedTime, TimeLeft, InUse, PcUsed, ColumnCount };
    static constexpr int PageSize = 200;

    explicit CustomerTableModel(CustomerAccounts &accounts, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // `getUsers`: forget the rows and read them again from the start.
    void getUsers();
    const CustomerRow &account(int row) const { return m_rows.at(row); }

signals:
    // A page could not be read; the grid stops growing until getUsers().
    void failed(const QString &text);

private:
    CustomerAccounts &m_accounts;
    QList<CustomerRow> m_rows;
    bool m_atEnd = false;
};
