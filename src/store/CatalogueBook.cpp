#include "store/CatalogueBook.h"

#include "store/StoreValues.h"

#include <QSqlRecord>
#include <algorithm>

using namespace StoreValues;

namespace {
ProductRow productFrom(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), q.value(1).toString(), Money::fromUnits(q.value(2).toLongLong()),
            q.value(3).toString()};
}
} // namespace

Result<QList<ProductRow>> CatalogueBook::products()
{
    return SqlStore::collect<ProductRow>(
        sql(), run(QStringLiteral("SELECT aa, \"desc\", price, category FROM products ORDER BY category, aa")),
        [](const QSqlQuery &q) {
            ProductRow p;
            p.aa = q.value(0).toLongLong();
            p.desc = q.value(1).toString();
            p.price = Money::fromUnits(q.value(2).toLongLong());
            p.category = q.value(3).toString();
            return p;
        });
}

Result<QList<CategoryRow>> CatalogueBook::categories()
{
    const auto rows = SqlStore::collect<CategoryRow>(
        sql(), run(QStringLiteral("SELECT aa, name FROM groups ORDER BY aa")), [](const QSqlQuery &q) {
            return CategoryRow{q.value(0).toLongLong(), q.value(1).toString()};
        });
    if (!rows)
        return booksFailure(lastError());
    return *rows;
}

Result<bool> CatalogueBook::hasCategory(const QString &name)
{
    auto q = run(QStringLiteral("SELECT count(*) FROM groups WHERE fold(name) = ?"), {fold(name)});
    if (!q || !q->next())
        return booksFailure(lastError());
    return q->value(0).toLongLong() > 0;
}

Result<qint64> CatalogueBook::addCategory(const QString &name)
{
    auto q = run(QStringLiteral("INSERT INTO groups (name) VALUES (?) RETURNING aa"), {name});
    if (!q)
        return booksFailure(lastError());
    if (!q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<void> CatalogueBook::deleteCategory(qint64 aa)
{
    if (!exec(QStringLiteral("DELETE FROM groups WHERE aa = ?"), {aa}))
        return booksFailure(lastError());
    return {};
}

Result<QList<ProductRow>> CatalogueBook::productPage(const std::optional<QString> &category, qint64 offset,
                                                     qint64 limit)
{
    const auto rows =
        category ? SqlStore::collect<ProductRow>(
            sql(),
            run(QStringLiteral("SELECT aa, \"desc\", price, category FROM products"
                               " WHERE fold(category) = ? ORDER BY aa LIMIT ? OFFSET ?"),
                {fold(*category), limit, offset}),
            productFrom)
                 : SqlStore::collect<ProductRow>(sql(),
                                                 run(QStringLiteral("SELECT aa, \"desc\", price, category FROM products"
                                                                    " ORDER BY fold(category), aa LIMIT ? OFFSET ?"),
                                                     {limit, offset}),
                                                 productFrom);
    if (!rows)
        return booksFailure(lastError());
    return *rows;
}

Result<bool> CatalogueBook::hasProduct(const QString &desc, qint64 except)
{
    auto q =
        run(QStringLiteral("SELECT count(*) FROM products WHERE fold(\"desc\") = ? AND aa <> ?"), {fold(desc), except});
    if (!q || !q->next())
        return booksFailure(lastError());
    return q->value(0).toLongLong() > 0;
}

Result<qint64> CatalogueBook::addProduct(const ProductRow &row)
{
    auto q = run(QStringLiteral("INSERT INTO products (\"desc\", price, category) VALUES (?, ?, ?) RETURNING aa"),
                 {row.desc, row.price.units(), row.category});
    if (!q)
        return booksFailure(lastError());
    if (!q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<void> CatalogueBook::deleteProduct(qint64 aa)
{
    if (!exec(QStringLiteral("DELETE FROM products WHERE aa = ?"), {aa}))
        return booksFailure(lastError());
    return {};
}

Result<void> CatalogueBook::setProductDesc(qint64 aa, const QString &desc)
{
    if (!exec(QStringLiteral("UPDATE products SET \"desc\" = ? WHERE aa = ?"), {desc, aa}))
        return booksFailure(lastError());
    return {};
}

Result<void> CatalogueBook::setProductPrice(qint64 aa, Money price)
{
    if (!exec(QStringLiteral("UPDATE products SET price = ? WHERE aa = ?"), {price.units(), aa}))
        return booksFailure(lastError());
    return {};
}
