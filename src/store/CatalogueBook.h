#pragma once

#include "store/BookArea.h"
#include "store/Records.h"
#include "base/Money.h"

#include <QList>
#include <QVariant>

// The catalogue: products and their categories.
class CatalogueBook : protected BookArea
{
public:
    Result<QList<ProductRow>> products();
    // Names compare without regard to letter case (every alphabet), blanks
    // included; a name is otherwise ordinary data.
    Result<QList<CategoryRow>> categories(); // in table order
    Result<bool> hasCategory(const QString &name);
    Result<qint64> addCategory(const QString &name);
    Result<void> deleteCategory(qint64 aa);
    // A page of the products of one category (table order), or of every
    // product by category when `category` is nullopt.
    Result<QList<ProductRow>> productPage(const std::optional<QString> &category, qint64 offset, qint64 limit);
    // A product of that description other than the row `except`.
    Result<bool> hasProduct(const QString &desc, qint64 except = 0);
    Result<qint64> addProduct(const ProductRow &row);
    Result<void> deleteProduct(qint64 aa);
    Result<void> setProductDesc(qint64 aa, const QString &desc);
    Result<void> setProductPrice(qint64 aa, Money price);

protected:
    explicit CatalogueBook(SqlStore &sql)
        : BookArea(sql)
    {}
};
