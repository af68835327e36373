#pragma once

#include "store/SqlStore.h"

#include <QSqlQuery>

// One area of the café's books (roster, charges, tariff, catalogue,
// operators) over the connection they all share. An area writes its own
// statements; what it needs of the connection is here, so that an area
// reads as if it were the store itself.
class BookArea
{
protected:
    explicit BookArea(SqlStore &sql)
        : m_sql(sql)
    {}

    SqlStore &sql() { return m_sql; }
    std::optional<QSqlQuery> run(const QString &statement, const QVariantList &values = {})
    {
        return m_sql.run(statement, values);
    }
    bool exec(const QString &statement, const QVariantList &values = {}) { return m_sql.exec(statement, values); }
    Result<void> write(const QString &statement, const QVariantList &values = {})
    {
        return m_sql.write(statement, values);
    }
    Result<void> atomically(const std::function<bool()> &fn) { return m_sql.atomically(fn); }
    QString lastError() const { return m_sql.lastError(); }
    void setLastError(const QString &text) { m_sql.setLastError(text); }
    static QString fold(const QString &s) { return SqlStore::fold(s); }

    static Failure booksFailure(const QString &cause)
    {
        return failure(QStringLiteral("The books could not be read or written.\n") + cause);
    }

private:
    SqlStore &m_sql;
};
