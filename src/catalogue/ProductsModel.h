#pragma once

#include "store/Records.h"

#include <QAbstractTableModel>
#include <QList>
#include <optional>

class Catalogue;

// Products for a grid, read from the books a page at a time as the view
// scrolls: the products of one category (PRODUCT, PRICE), or the whole price
// list by category (PRODUCT, PRICE, CATEGORY) whose description and price
// can be edited in place.
class ProductsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int PageSize = 200;
    enum Column { Product, Price, Category };

    explicit ProductsModel(Catalogue &catalogue, QObject *parent = nullptr);

    void showCategory(const QString &category);
    void showAll();
    void clear();
    // The extras window's grid leaves its title row empty.
    void setTitled(bool titled) { m_titled = titled; }

    // nullopt for a row that is not there (the title row, an empty grid).
    std::optional<ProductRow> product(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // An edit is written to the books at once; a refused one leaves the
    // stored value in the cell.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    void reset(std::optional<QString> category, bool all);

    Catalogue &m_catalogue;
    std::optional<QString> m_category;
    bool m_all = false;
    bool m_titled = true;
    bool m_more = false;
    QList<ProductRow> m_rows;
};
