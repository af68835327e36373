#include "store/KinBook.h"

#include "store/CafeStore.h"
#include "store/DatabaseCopy.h"
#include "store/Schema.h"
#include "store/StoreValues.h"

#include <QRegularExpression>

namespace {

const QString kColumns = QStringLiteral(
    "aa, computer, startdate, starttime, enddate, endtime, ptime, enab, pretimeenab, userenab, userpin, type,"
    " totaltime, timecharged, extra, total, reason");

// The WHERE clause of a listing and its values. A page starts at its
// cursor's date, so that the index is entered there and not at the range's
// first day.
QString whereOf(const KinFilter &f, QVariantList &values, const KinCursor *after = nullptr)
{
    QString from = StoreValues::date(f.from).toString();
    if (after && after->startdate > from)
        from = after->startdate;
    values << from << StoreValues::date(f.to);
    // The type is written out, a constant, so that the partial index on the
    // customers' rows applies.
    const bool user = f.kind == KinFilter::Kind::User;
    QString where = user ? QStringLiteral("type = 'user'") : QStringLiteral("type = 'normal'");
    where += QStringLiteral(" AND startdate BETWEEN ? AND ?");
    if (user) {
        values << f.pin;
        where += QStringLiteral(" AND userpin = ?");
    } else if (!f.computer.isEmpty()) {
        values << f.computer;
        where += QStringLiteral(" AND computer = ?");
    }
    if (after) {
        values << after->startdate << after->aa;
        where += QStringLiteral(" AND (startdate > ? OR aa > ?)");
    }
    return where;
}

} // namespace

KinFilter KinFilter::normal(const QDate &from, const QDate &to, const QString &computer)
{
    KinFilter f;
    f.from = from;
    f.to = to;
    f.computer = computer;
    return f;
}

KinFilter KinFilter::user(const QDate &from, const QDate &to, const QString &pin)
{
    KinFilter f;
    f.kind = Kind::User;
    f.from = from;
    f.to = to;
    f.pin = pin;
    return f;
}

bool KinFilter::validPin(const QString &pin)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,18}$"));
    return digits.match(pin).hasMatch();
}

bool KinFilter::listsNothing() const
{
    if (!from.isValid() || !to.isValid() || from > to)
        return true;
    return kind == Kind::User && !validPin(pin);
}

Result<void> KinBook::ensureSchema()
{
    auto q = m_store.run(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'kin_days'"));
    if (!q || !q->next())
        return failure(m_store.lastError());
    const bool fresh = q->value(0).toInt() == 0;
    q.reset();
    const bool ok = m_store.atomically([&] {
        for (const QString &statement : Schema::reportIndexes() + Schema::kinDaysStatements())
            if (!m_store.exec(statement))
                return false;
        return !fresh || m_store.exec(Schema::kinDaysFill());
    });
    if (!ok)
        return failure(m_store.lastError());
    return {};
}

Result<KinSums> KinBook::sums(const KinFilter &filter)
{
    KinSums s;
    if (filter.listsNothing())
        return s;
    QVariantList values;
    QString sql;
    if (filter.kind == KinFilter::Kind::Normal) {
        values << StoreValues::date(filter.from) << StoreValues::date(filter.to);
        sql = QStringLiteral("SELECT coalesce(sum(n), 0), coalesce(sum(timecharged), 0), coalesce(sum(extra), 0),"
                             " coalesce(sum(total), 0) FROM kin_days WHERE type = 'normal'"
                             " AND startdate BETWEEN ? AND ?");
        if (!filter.computer.isEmpty()) {
            values << filter.computer;
            sql += QStringLiteral(" AND computer = ?");
        }
    } else { // one customer's rows are few, and their PIN is not in kin_days
        sql = QStringLiteral("SELECT count(*), 0, 0, 0 FROM kin WHERE ") + whereOf(filter, values);
    }
    auto q = m_store.run(sql, values);
    if (!q || !q->next())
        return failure(m_store.lastError());
    s.count = q->value(0).toLongLong();
    s.timecharged = Money::fromUnits(q->value(1).toLongLong());
    s.extra = Money::fromUnits(q->value(2).toLongLong());
    s.total = Money::fromUnits(q->value(3).toLongLong());
    return s;
}

Result<KinPage> KinBook::page(const KinFilter &filter, int limit, const KinCursor &after)
{
    KinPage page{{}, after};
    if (filter.listsNothing())
        return page;
    QVariantList values;
    const QString where = whereOf(filter, values, &after);
    values << limit;
    auto q = m_store.run(
        QStringLiteral("SELECT %1 FROM kin WHERE %2 ORDER BY startdate, aa LIMIT ?").arg(kColumns, where), values);
    if (!q)
        return failure(m_store.lastError());
    page.rows.reserve(limit);
    while (q->next()) {
        page.rows.append(CafeStore::kinFrom(*q));
        // The stored text, so that a date the program cannot read still moves on.
        page.next = {q->value(2).toString(), page.rows.last().aa};
    }
    return page;
}

Result<ExtraLines> KinBook::extrasOf(qint64 key)
{
    const auto rows = m_store.extras(key);
    if (!rows)
        return failure(rows.error());
    const Result<std::optional<Money>> sum = m_store.sumExtras(key);
    if (!sum)
        return failure(sum.error());
    ExtraLines e;
    for (const ExtraRow &r : *rows)
        e.lines << QStringLiteral("%1 X %2").arg(r.itemquant).arg(r.itemdesc);
    e.sum = sum->value_or(Money());
    return e;
}

Result<qint64> KinBook::deleteFinished()
{
    qint64 deleted = 0;
    const bool ok = m_store.atomically([&] {
        if (!m_store.exec(QStringLiteral("DELETE FROM extra WHERE \"key\" NOT IN"
                                         " (SELECT aa FROM kin WHERE enab = 1 OR pretimeenab = 1 OR userenab = 1)")))
            return false;
        auto q = m_store.run(QStringLiteral("DELETE FROM kin WHERE enab = 0 AND pretimeenab = 0 AND userenab = 0"));
        if (!q)
            return false;
        deleted = q->numRowsAffected();
        return true;
    });
    if (!ok)
        return failure(m_store.lastError());
    return deleted;
}

Result<QString> KinBook::delall(const QString &backupFolder, const QDateTime &now)
{
    const Result<QString> copy = DatabaseCopy::datedCopy(m_store.path(), backupFolder, now);
    if (!copy)
        return failure(QStringLiteral("Nothing was deleted: the copy of the books failed. ") + copy.error());
    if (const Result<qint64> deleted = deleteFinished(); !deleted)
        return failure(deleted.error());
    return *copy;
}
