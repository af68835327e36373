#pragma once

#include <QAbstractTableModel>
#include <QList>

class CafeStore;

// `getComputers`: the roster as the roster window lists it, key, name and address,
// read a page at a time as the view scrolls.
class RosterModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Key, Name, Address, ColumnCount };
    static constexpr int PageSize = 200;

    explicit RosterModel(CafeStore &store, QObject *parent = nullptr);

    // Reads the roster again from the start.
    void getComputers();
    QString lastError() const { return m_error; }

    qint64 key(int row) const { return m_rows.value(row).aa; }
    QString name(int row) const { return m_rows.value(row).name; }
    QString address(int row) const { return m_rows.value(row).ip; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    struct Row
    {
        qint64 aa = 0;
        QString name;
        QString ip;
    };

    CafeStore &m_store;
    QList<Row> m_rows;
    bool m_atEnd = false;
    QString m_error;
};
