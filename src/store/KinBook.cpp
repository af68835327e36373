#include "store/KinBook.h"

#include "store/CafeStore.h"
#include "store/DatabaseCopy.h"
#include "store/Paths.h"
#include "store/Schema.h"
#include "store/StoreValues.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

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
    if (after && !f.branches.isEmpty()) {
        values << after->startdate << after->aa << after->aa << after->branch;
        where += QStringLiteral(" AND (startdate > ? OR aa > ? OR (aa = ? AND branch > ?))");
    } else if (after) {
        values << after->startdate << after->aa;
        where += QStringLiteral(" AND (startdate > ? OR aa > ?)");
    }
    return where;
}

// The table itself, or for several branches their tables one after the
// other, each row with its branch. The names were checked as branch names.
QString source(const KinFilter &f, const QString &table)
{
    if (f.branches.isEmpty())
        return table;
    QStringList parts;
    for (const QString &b : f.branches)
        parts << QStringLiteral("SELECT *, '%1' AS branch FROM %2.%3").arg(b, Paths::branchBook(b), table);
    return QLatin1Char('(') + parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(") AS ") + table;
}

// Sizes the bulk work's transactions so that each writes for about Target
// milliseconds, and rests a little before the next: another connection
// waiting to write (its busy handler looks every millisecond) gets in then.
class Pace
{
public:
    static constexpr qint64 TargetMs = 25;

    explicit Pace(qint64 first)
        : m_step(first)
    {}
    qint64 step() const { return m_step; }
    // Before each transaction but the first.
    void rest()
    {
        if (m_timer.isValid())
            QThread::msleep(quint64(qMax<qint64>(5, m_lastMs / 4)));
        m_timer.start();
    }
    // After each transaction.
    void took()
    {
        m_lastMs = m_timer.elapsed();
        if (m_lastMs < TargetMs / 2)
            m_step *= 2;
        else if (m_lastMs > 2 * TargetMs && m_step > 256)
            m_step /= 2;
    }

private:
    qint64 m_step;
    qint64 m_lastMs = 0;
    QElapsedTimer m_timer;
};

const QStringList ListingNames{QStringLiteral("kin_list_by_start"), QStringLiteral("kin_list_by_computer"),
                              QStringLiteral("kin_days")};
const QString Filling = QStringLiteral("kin_days_fill");

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

Result<bool> KinBook::schemaReady()
{
    const auto names = m_store.present(ListingNames + QStringList{Filling});
    if (!names)
        return failure(names.error());
    return names->size() == ListingNames.size() && !names->contains(Filling);
}

Result<bool> KinBook::ensureSchema(const KinProgress &progress)
{
    for (const QString &statement : Schema::reportIndexes())
        if (!m_store.exec(statement))
            return failure(m_store.lastError());
    // A book without daily sums gets them empty, with triggers that keep the
    // days filled so far equal to the rows, and the filling before every day.
    bool filling = false;
    const auto execAll = [this](const QStringList &statements) {
        for (const QString &statement : statements)
            if (!m_store.exec(statement))
                return false;
        return true;
    };
    Result<void> ok = m_store.atomically([&] {
        const auto present = m_store.present({QStringLiteral("kin_days"), Filling});
        if (!present)
            return false;
        const QStringList names = *present;
        filling = names.contains(Filling);
        if (names.contains(QStringLiteral("kin_days")))
            return true;
        filling = true;
        return execAll(QStringList{Schema::kinDaysTable()} + Schema::kinDaysTriggers(true)
                       + QStringList{QStringLiteral("CREATE TABLE kin_days_fill (upto TEXT)"),
                                     QStringLiteral("INSERT INTO kin_days_fill VALUES (NULL)")});
    });
    if (!ok)
        return failure(m_store.lastError());
    if (!filling)
        return true;

    // The rows of the days after upto (NULL: every day): a condition and its value.
    struct After
    {
        QString where;
        QVariantList values;
    };
    const auto after = [this]() -> std::optional<After> {
        auto q = m_store.run(QStringLiteral("SELECT upto FROM kin_days_fill"));
        if (!q || !q->next()) // another window finished it meanwhile
            return std::nullopt;
        if (q->value(0).isNull())
            return After{QStringLiteral("startdate IS NOT NULL"), {}};
        return After{QStringLiteral("startdate > ?"), {q->value(0)}};
    };
    qint64 total = 0;
    if (const auto rest = after()) {
        auto q = m_store.run(QStringLiteral("SELECT count(*) FROM kin WHERE ") + rest->where, rest->values);
        if (!q || !q->next())
            return failure(m_store.lastError());
        total = q->value(0).toLongLong();
    }
    // A slice is the days up to the start date some rows on; its sums are
    // taken from the rows, and the filling moves past it, in one transaction.
    // The last slice takes every day left, and puts the ordinary triggers in.
    Pace pace(4096);
    qint64 done = 0;
    for (bool finished = false; !finished;) {
        if (progress && !progress(qMin(done, total), total))
            return false;
        pace.rest();
        const qint64 step = pace.step();
        ok = m_store.atomically([&] {
            const auto rest = after();
            if (!rest) {
                finished = true;
                return true;
            }
            auto edge = m_store.run(
                QStringLiteral("SELECT startdate FROM kin WHERE %1 ORDER BY startdate LIMIT 1 OFFSET ?").arg(rest->where),
                rest->values + QVariantList{step - 1});
            if (!edge)
                return false;
            finished = !edge->next();
            const QVariant upto = finished ? QVariant() : edge->value(0);
            edge.reset();
            const QString sums = QStringLiteral(
                "INSERT INTO kin_days SELECT type, startdate, coalesce(computer, ''), count(*),"
                " coalesce(sum(timecharged), 0), coalesce(sum(extra), 0), coalesce(sum(total), 0)"
                " FROM kin WHERE type IS NOT NULL AND %1%2 GROUP BY 1, 2, 3");
            if (!finished)
                return m_store.exec(sums.arg(rest->where, QStringLiteral(" AND startdate <= ?")),
                                    rest->values + QVariantList{upto})
                       && m_store.exec(QStringLiteral("UPDATE kin_days_fill SET upto = ?"), {upto});
            if (!m_store.exec(sums.arg(rest->where, QString()), rest->values))
                return false;
            QStringList last;
            for (const char *name : {"kin_days_insert", "kin_days_delete", "kin_days_update"})
                last << QStringLiteral("DROP TRIGGER %1").arg(QLatin1String(name));
            last << Schema::kinDaysTriggers(false) << QStringLiteral("DROP TABLE kin_days_fill");
            return execAll(last);
        });
        if (!ok)
            return failure(m_store.lastError());
        pace.took();
        done += step;
    }
    if (progress)
        progress(total, total);
    return true;
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
        sql = QStringLiteral("SELECT CAST(coalesce(sum(n), 0) AS BIGINT), CAST(coalesce(sum(timecharged), 0) AS BIGINT), CAST(coalesce(sum(extra), 0) AS BIGINT),"
                             " CAST(coalesce(sum(total), 0) AS BIGINT) FROM %1 WHERE type = 'normal'"
                             " AND startdate BETWEEN ? AND ?")
                  .arg(source(filter, QStringLiteral("kin_days")));
        if (!filter.computer.isEmpty()) {
            values << filter.computer;
            sql += QStringLiteral(" AND computer = ?");
        }
    } else { // one customer's rows are few, and their PIN is not in kin_days
        sql = QStringLiteral("SELECT count(*), 0, 0, 0 FROM %1 WHERE ").arg(source(filter, QStringLiteral("kin")))
              + whereOf(filter, values);
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
    const bool several = !filter.branches.isEmpty();
    auto q = m_store.run(QStringLiteral("SELECT %1%2 FROM %3 WHERE %4 ORDER BY startdate, aa%5 LIMIT ?")
                             .arg(kColumns, several ? QStringLiteral(", branch") : QString(),
                                  source(filter, QStringLiteral("kin")), where,
                                  several ? QStringLiteral(", branch") : QString()),
                         values);
    if (!q)
        return failure(m_store.lastError());
    page.rows.reserve(limit);
    while (q->next()) {
        page.rows.append(CafeStore::kinFrom(*q));
        if (several)
            page.rows.last().branch = Paths::branchShown(q->value(17).toString());
        // The stored text, so that a date the program cannot read still moves on.
        page.next = {q->value(2).toString(), page.rows.last().aa, several ? q->value(17).toString() : QString()};
    }
    return page;
}

Result<QStringList> KinBook::branches()
{
    if (!m_store.onServer())
        return QStringList();
    auto q = m_store.run(QStringLiteral("SELECT nspname FROM pg_namespace WHERE nspname = 'cafe'"
                                        " OR nspname LIKE 'cafe\\_%' ORDER BY nspname <> 'cafe', nspname"));
    if (!q)
        return failure(m_store.lastError());
    QStringList names;
    while (q->next())
        names << q->value(0).toString().mid(5);
    return names;
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

Result<KinDeletion> KinBook::deleteFinished(const KinProgress &progress)
{
    KinDeletion d;
    qint64 last = 0;
    {
        auto q = m_store.run(QStringLiteral("SELECT coalesce(max(aa), 0) FROM kin"));
        if (!q || !q->next())
            return failure(m_store.lastError());
        last = q->value(0).toLongLong();
    }
    Pace pace(1024);
    for (qint64 from = 0; from < last;) {
        if (progress && !progress(from, last)) {
            d.complete = false;
            return d;
        }
        pace.rest();
        const qint64 to = qMin(last, from + pace.step());
        const auto ok = m_store.atomically([&] {
            if (!m_store.exec(QStringLiteral("DELETE FROM extra WHERE \"key\" > ? AND \"key\" <= ? AND \"key\" NOT IN"
                                             " (SELECT aa FROM kin WHERE aa > ? AND aa <= ?"
                                             " AND (enab = 1 OR pretimeenab = 1 OR userenab = 1))"),
                              {from, to, from, to}))
                return false;
            auto q = m_store.run(QStringLiteral("DELETE FROM kin WHERE aa > ? AND aa <= ?"
                                                " AND enab = 0 AND pretimeenab = 0 AND userenab = 0"),
                                 {from, to});
            if (!q)
                return false;
            d.rows += q->numRowsAffected();
            return true;
        });
        if (!ok)
            return failure(m_store.lastError());
        pace.took();
        from = to;
    }
    if (progress)
        progress(last, last);
    return d;
}

Result<KinDeletion> KinBook::deleteAll(const QString &backupFolder, const QDateTime &now, const KinProgress &progress)
{
    const Result<QString> copy = DatabaseCopy::datedCopy(m_store.location(), backupFolder, now);
    if (!copy)
        return failure(QStringLiteral("Nothing was deleted: the copy of the books failed. ") + copy.error());
    Result<KinDeletion> deleted = deleteFinished(progress);
    if (deleted)
        deleted->copy = *copy;
    return deleted;
}
