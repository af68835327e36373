#include "catalogue/ProductsModel.h"

#include "catalogue/Catalogue.h"
#include "store/CafeStore.h"
#include "base/Format.h"

ProductsModel::ProductsModel(Catalogue &catalogue, QObject *parent)
    : QAbstractTableModel(parent)
    , m_catalogue(catalogue)
{}

void ProductsModel::showCategory(const QString &category) { reset(category, false); }
void ProductsModel::showAll() { reset(std::nullopt, true); }
void ProductsModel::clear() { reset(std::nullopt, false); }

void ProductsModel::reset(std::optional<QString> category, bool all)
{
    beginResetModel();
    m_category = std::move(category);
    m_all = all;
    m_rows.clear();
    m_more = m_all || m_category;
    endResetModel();
    // The first page at once: what the window shows is what is stored now.
    if (canFetchMore({}))
        fetchMore({});
}

std::optional<ProductRow> ProductsModel::product(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return std::nullopt;
    return m_rows.at(row);
}

int ProductsModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int ProductsModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : (m_all ? 3 : 2); }

QVariant ProductsModel::data(const QModelIndex &index, int role) const
{
    const std::optional<ProductRow> p = product(index.row());
    if (!p)
        return {};
    if (role == Qt::TextAlignmentRole && index.column() == Price)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case Product:
        return p->desc;
    case Price:
        return role == Qt::EditRole ? Format::amount(p->price) : Format::currency(p->price);
    case Category:
        return p->category;
    }
    return {};
}

QVariant ProductsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (!m_titled)
        return QString();
    switch (section) {
    case Product:
        return QStringLiteral("PRODUCT");
    case Price:
        return QStringLiteral("PRICE");
    case Category:
        return QStringLiteral("CATEGORY");
    }
    return {};
}

Qt::ItemFlags ProductsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (m_all && index.isValid() && index.column() != Category)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ProductsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const std::optional<ProductRow> p = product(index.row());
    if (!p || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const QString text = value.toString();
    // The operator is told of a refusal in a box whose event loop may fetch
    // more rows: the row is reached again afterwards.
    if (index.column() == Product) {
        if (!m_catalogue.rename(*p, text))
            return false;
        m_rows[index.row()].desc = text;
    } else {
        const std::optional<Money> price = m_catalogue.reprice(*p, text);
        if (!price)
            return false;
        m_rows[index.row()].price = *price;
    }
    emit dataChanged(index, index);
    return true;
}

bool ProductsModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && m_more; }

void ProductsModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const auto page = m_catalogue.cafe().productPage(m_all ? std::nullopt : m_category, m_rows.size(), PageSize);
    if (!page) {
        m_more = false;
        m_catalogue.tellFailure(page.error());
        return;
    }
    m_more = page->size() == PageSize;
    if (page->isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page->size() - 1));
    m_rows.append(*page);
    endInsertRows();
}
