#include "store/BookMove.h"

#include "store/Installer.h"
#include "store/Schema.h"
#include "store/ServerAddress.h"
#include "store/SqlStore.h"

#include <QDateTime>
#include <QSqlRecord>

namespace {

struct Table
{
    QString name;
    QStringList money; // the columns whose sums must agree
};

QList<Table> cafeTables()
{
    return {{QStringLiteral("computers"), {}},
            {QStringLiteral("kin"), {QStringLiteral("timecharged"), QStringLiteral("extra"), QStringLiteral("total")}},
            {QStringLiteral("extra"), {QStringLiteral("itemprice"), QStringLiteral("charge")}},
            {QStringLiteral("rates"), {QStringLiteral("rate")}},
            {QStringLiteral("settings"), {QStringLiteral("fixed")}},
            {QStringLiteral("groups"), {}},
            {QStringLiteral("products"), {QStringLiteral("price")}},
            {QStringLiteral("users"), {}},
            {QStringLiteral("shifts"),
             {QStringLiteral("openingcash"), QStringLiteral("countedcash"), QStringLiteral("expectedcash")}},
            {QStringLiteral("shiftbills"), {}},
            {QStringLiteral("timesales"), {QStringLiteral("amount"), QStringLiteral("minutes")}}};
}

QList<Table> customerTables()
{
    return {{QStringLiteral("users"), {QStringLiteral("\"time\""), QStringLiteral("usedtime"), QStringLiteral("timeleft")}},
            {QStringLiteral("credits"), {}}};
}

// What the two books must agree on for one table: its rows and sums.
Result<QStringList> figures(SqlStore &book, const Table &t)
{
    QString sql = QStringLiteral("SELECT count(*)");
    for (const QString &c : t.money)
        sql += QStringLiteral(", CAST(coalesce(sum(%1), 0) AS BIGINT)").arg(c);
    auto q = book.run(sql + QStringLiteral(" FROM ") + t.name);
    if (!q || !q->next())
        return failure(book.lastError());
    QStringList f;
    for (int i = 0; i <= t.money.size(); ++i)
        f << q->value(i).toString();
    return f;
}

constexpr int kBatch = 200;

Result<qint64> copyTable(SqlStore &from, SqlStore &to, const Table &t)
{
    auto rows = from.run(QStringLiteral("SELECT * FROM %1").arg(t.name));
    if (!rows)
        return failure(from.lastError());
    const QSqlRecord record = rows->record();
    QStringList columns, marks;
    for (int i = 0; i < record.count(); ++i) {
        columns << QLatin1Char('"') + record.fieldName(i) + QLatin1Char('"');
        marks << QStringLiteral("?");
    }
    const QString row = QLatin1Char('(') + marks.join(QStringLiteral(", ")) + QLatin1Char(')');
    const QString insert =
        QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(t.name, columns.join(QStringLiteral(", ")));
    qint64 count = 0;
    QVariantList values;
    int inBatch = 0;
    const auto flush = [&] {
        if (inBatch == 0)
            return true;
        QStringList all;
        for (int i = 0; i < inBatch; ++i)
            all << row;
        const bool ok = to.exec(insert + all.join(QStringLiteral(", ")), values);
        values.clear();
        inBatch = 0;
        return ok;
    };
    while (rows->next()) {
        for (int i = 0; i < record.count(); ++i)
            values << rows->value(i);
        ++count;
        if (++inBatch == kBatch && !flush())
            return failure(QStringLiteral("%1: %2").arg(t.name, to.lastError()));
    }
    if (!flush())
        return failure(QStringLiteral("%1: %2").arg(t.name, to.lastError()));
    // New rows go on after the copied keys.
    if (record.contains(QStringLiteral("aa"))
        && !to.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'aa'), coalesce(max(aa), 1),"
                                   " max(aa) IS NOT NULL) FROM %1")
                        .arg(t.name)))
        return failure(QStringLiteral("%1: %2").arg(t.name, to.lastError()));
    return count;
}

// The charts' and listings' sums of the copied charges, made on the server
// in one pass each instead of by the triggers row by row.
const QStringList kSumTriggers{QStringLiteral("kin_days_change"), QStringLiteral("kin_days_update"),
                               QStringLiteral("kin_hours_change"), QStringLiteral("kin_hours_update")};

QStringList sums()
{
    const QString used = QStringLiteral("(split_part(totaltime, ':', 1)::bigint * 3600"
                                        " + split_part(totaltime, ':', 2)::bigint * 60"
                                        " + split_part(totaltime, ':', 3)::bigint)");
    const QString ended = QStringLiteral("totaltime ~ '^[0-9]+:[0-9]{2}:[0-9]{2}$' AND startdate IS NOT NULL"
                                         " AND starttime ~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}$'");
    return {
        QStringLiteral("INSERT INTO kin_days SELECT type, startdate, coalesce(computer, ''), count(*),"
                       " coalesce(sum(timecharged), 0), coalesce(sum(extra), 0), coalesce(sum(total), 0) FROM kin"
                       " WHERE type IS NOT NULL AND startdate IS NOT NULL GROUP BY 1, 2, 3"),
        QStringLiteral("INSERT INTO kin_hours (day, hour, seconds) SELECT to_char(slot, 'YYYY-MM-DD'),"
                       " extract(hour FROM slot)::bigint, sum(least(s + used, e + 3600) - greatest(s, e))"
                       " FROM (SELECT extract(epoch FROM starttime::timestamp)::bigint AS s, %1 AS used FROM kin"
                       " WHERE %2) AS r JOIN hour_slots ON k < (s % 3600 + used + 3599) / 3600,"
                       " LATERAL (SELECT s - s % 3600 + k * 3600 AS e) AS x,"
                       " LATERAL (SELECT to_timestamp(e) AT TIME ZONE 'UTC' AS slot) AS t GROUP BY 1, 2")
            .arg(used, ended),
        QStringLiteral("INSERT INTO kin_lengths (day, n, seconds) SELECT startdate, count(*), sum(%1) FROM kin"
                       " WHERE %2 GROUP BY startdate")
            .arg(used, ended),
    };
}

Result<QStringList> copyBook(const QString &file, const QString &url, const QList<Table> &tables, bool cafe)
{
    SqlStore from, to;
    if (auto e = from.open(file))
        return failure(*e);
    if (auto e = to.open(url))
        return failure(*e);
    QStringList lines;
    QString problem;
    const auto done = to.atomically([&] {
        // What the new book was made with gives way to the café's own rows.
        for (const Table &t : tables)
            if (!to.exec(QStringLiteral("DELETE FROM %1").arg(t.name)))
                return false;
        if (cafe)
            for (const QString &trigger : kSumTriggers)
                if (!to.exec(QStringLiteral("ALTER TABLE kin DISABLE TRIGGER %1").arg(trigger)))
                    return false;
        for (const Table &t : tables) {
            const Result<qint64> n = copyTable(from, to, t);
            if (!n) {
                problem = n.error();
                return false;
            }
            const Result<QStringList> was = figures(from, t), is = figures(to, t);
            if (!was || !is || *was != *is) {
                problem = QStringLiteral("%1: the copy does not add up (%2 against %3)")
                              .arg(t.name, was.value_or(QStringList()).join(QLatin1Char('/')),
                                   is.value_or(QStringList()).join(QLatin1Char('/')));
                return false;
            }
            lines << QStringLiteral("%1: %2 rows").arg(t.name).arg(*n);
        }
        if (cafe) {
            for (const QString &s : sums())
                if (!to.exec(s))
                    return false;
            for (const QString &trigger : kSumTriggers)
                if (!to.exec(QStringLiteral("ALTER TABLE kin ENABLE TRIGGER %1").arg(trigger)))
                    return false;
        }
        // The planner's figures for the new rows: without them it takes the
        // tables for empty and a year's listing reads every row to sort it.
        QStringList analysed;
        for (const Table &t : tables)
            analysed << t.name;
        if (cafe)
            analysed << QStringLiteral("kin_days") << QStringLiteral("kin_hours") << QStringLiteral("kin_lengths");
        if (!to.exec(QStringLiteral("ANALYZE ") + analysed.join(QStringLiteral(", "))))
            return false;
        return to.exec(QStringLiteral("CREATE TABLE book_origin (source TEXT NOT NULL, copied TEXT NOT NULL)"))
               && to.exec(QStringLiteral("INSERT INTO book_origin VALUES (?, ?)"),
                          {file, QDateTime::currentDateTime().toString(Qt::ISODate)});
    });
    if (!done)
        return failure(QStringLiteral("%1 was not copied to %2 (nothing of it was written there): %3")
                           .arg(file, to.path(), problem.isEmpty() ? done.error() : problem));
    return lines;
}

} // namespace

namespace BookMove {

Result<Report> toServer(const Paths &from, const QString &to, const QString &branch)
{
    if (from.booksOnServer())
        return failure(QStringLiteral("The books to copy must be the files of an application folder."));
    Paths target = from;
    target.setDatabase(to);
    target.setBranch(branch);
    QList<Table> cafe = cafeTables();
    if (!branch.isEmpty())
        cafe.removeIf([](const Table &t) { return Schema::catalogueTables().contains(t.name); });
    // The server's books made as a new café's, then filled.
    if (const Installer::Report made = Installer::install(target); made.error)
        return failure(*made.error);
    Report report;
    const QList<std::tuple<QString, QString, QList<Table>, bool>> books{
        {from.cafeDatabase(), target.cafeDatabase(), cafe, true},
        {from.customerDatabase(), target.customerDatabase(), customerTables(), false}};
    for (const auto &[file, url, tables, cafe] : books) {
        SqlStore there;
        if (auto e = there.open(url))
            return failure(*e);
        if (there.tables().contains(QStringLiteral("book_origin"))) {
            report.skipped << there.path();
            continue;
        }
        there.close();
        const Result<QStringList> lines = copyBook(file, url, tables, cafe);
        if (!lines)
            return failure(lines.error());
        report.copied << *lines;
    }
    if (report.copied.isEmpty())
        return failure(QStringLiteral("The books at %1 already hold a copied café; nothing was copied again.")
                           .arg(ServerAddress::parse(to) ? ServerAddress::parse(to)->shown() : to));
    return report;
}

} // namespace BookMove
