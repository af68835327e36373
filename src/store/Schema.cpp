#include "store/Schema.h"

#include "base/Money.h"
#include "store/PasswordDigest.h"

#include <QRegularExpression>

namespace Schema {

QStringList cafeStatements()
{
    return QStringList{
               QStringLiteral("CREATE TABLE computers (aa INTEGER PRIMARY KEY AUTOINCREMENT, pcname TEXT, ip TEXT,"
                              " \"left\" INTEGER NOT NULL DEFAULT 0, top INTEGER NOT NULL DEFAULT 0,"
                              " timer INTEGER NOT NULL DEFAULT 0, pretime INTEGER NOT NULL DEFAULT 0,"
                              " \"user\" INTEGER NOT NULL DEFAULT 0)"),
               QStringLiteral("CREATE TABLE kin (aa INTEGER PRIMARY KEY AUTOINCREMENT, computer TEXT,"
                              " startdate TEXT, starttime TEXT, enddate TEXT, endtime TEXT, ptime INTEGER,"
                              " enab INTEGER NOT NULL DEFAULT 0, pretimeenab INTEGER NOT NULL DEFAULT 0,"
                              " userenab INTEGER NOT NULL DEFAULT 0, userpin TEXT, type TEXT, totaltime TEXT,"
                              " timecharged INTEGER, extra INTEGER, total INTEGER, reason TEXT)"),
               QStringLiteral("CREATE TABLE extra (aa INTEGER PRIMARY KEY AUTOINCREMENT, \"key\" INTEGER,"
                              " itemdesc TEXT, itemquant INTEGER, itemprice INTEGER, charge INTEGER)"),
               QStringLiteral("CREATE TABLE rates (aa INTEGER PRIMARY KEY AUTOINCREMENT, rate INTEGER)"),
               QStringLiteral("CREATE TABLE settings (aa INTEGER PRIMARY KEY AUTOINCREMENT, fixed INTEGER,"
                              " mintime INTEGER, toltime INTEGER, backround TEXT)"),
               QStringLiteral("CREATE TABLE groups (aa INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT)"),
               QStringLiteral("CREATE TABLE products (aa INTEGER PRIMARY KEY AUTOINCREMENT, \"desc\" TEXT,"
                              " price INTEGER, category TEXT)"),
               QStringLiteral(
                   "CREATE TABLE users (aa INTEGER PRIMARY KEY AUTOINCREMENT, username TEXT, password TEXT)"),
               // What the hot paths filter on.
               QStringLiteral("CREATE INDEX kin_open_normal ON kin (computer) WHERE enab = 1"),
               QStringLiteral("CREATE INDEX kin_open_prepaid ON kin (computer) WHERE pretimeenab = 1"),
               QStringLiteral("CREATE INDEX kin_open_user ON kin (computer) WHERE userenab = 1"),
               QStringLiteral("CREATE INDEX kin_by_start ON kin (startdate, type)"),
               QStringLiteral("CREATE INDEX kin_by_pin ON kin (userpin, startdate) WHERE type = 'user'"),
               QStringLiteral("CREATE INDEX extra_by_key ON extra (\"key\")"),
               QStringLiteral("CREATE INDEX computers_by_name ON computers (pcname)"),
               QStringLiteral("CREATE INDEX computers_by_ip ON computers (ip)"),
           }
           + reportIndexes() + kinDaysStatements() + boundTriggers() + ownerStatements() + occupancyStatements()
           + openRowRules();
}

namespace {
const char *const kRunning =
    "(enab = 1 AND enddate IS NULL) OR (pretimeenab = 1 AND totaltime IS NULL) OR userenab = 1";
} // namespace

QStringList openRowRules()
{
    // A second running charge on a computer, or a second account charge on
    // one PIN, is refused whoever writes it (two counters on one server
    // included). The file keeps the rule by triggers, which an older book's
    // rows cannot make fail; the server by unique indexes (serverRules).
    // Running: not ended yet. An ended charge waits for its bill with its
    // flag still set while the next charge may start.
    const QString open = QStringLiteral("((NEW.enab = 1 AND NEW.enddate IS NULL) OR (NEW.pretimeenab = 1 AND"
                                        " NEW.totaltime IS NULL) OR NEW.userenab = 1)"
                                        " AND EXISTS (SELECT 1 FROM kin WHERE computer = NEW.computer%1 AND (%2))")
                             .arg(QStringLiteral("%1"), QLatin1String(kRunning));
    const QString account = QStringLiteral("NEW.userenab = 1 AND EXISTS (SELECT 1 FROM kin WHERE userpin = NEW.userpin%1"
                                           " AND userenab = 1)");
    const QString body = QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'kin_one_open: %1'); END");
    const QString other = QStringLiteral(" AND aa <> NEW.aa");
    return {
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_one_open_insert BEFORE INSERT ON kin WHEN ") + open.arg(QString())
            + body.arg(QStringLiteral("the computer has a running charge")),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_one_open_update BEFORE UPDATE OF computer, enab,"
                       " pretimeenab, userenab, enddate, totaltime ON kin WHEN ")
            + open.arg(other) + body.arg(QStringLiteral("the computer has a running charge")),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_one_account_insert BEFORE INSERT ON kin WHEN ") + account.arg(QString())
            + body.arg(QStringLiteral("the account has a running charge")),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_one_account_update BEFORE UPDATE OF userpin, userenab ON kin"
                       " WHEN ")
            + account.arg(other) + body.arg(QStringLiteral("the account has a running charge")),
    };
}

QStringList creditStatements()
{
    // One row per sale whose minutes this book holds: crediting a sale twice
    // is refused by the key, so a step repeated after a crash adds nothing.
    return {QStringLiteral("CREATE TABLE credits (sale INTEGER PRIMARY KEY, account INTEGER NOT NULL)")};
}

namespace {
struct Column
{
    QString name;
    qint64 low;
    qint64 high;
};
using BoundedTables = QList<std::pair<QString, QList<Column>>>;

// Whoever writes, the books keep only whole numbers within the bounds:
// SQLite would keep an overflowing product as an inexact REAL (a server's
// bigint column cannot hold one).
QStringList bounded(const BoundedTables &tables, bool server = false)
{
    const QString column = server ? QStringLiteral("(NEW.%1 IS NULL OR NEW.%1 BETWEEN %2 AND %3)")
                                  : QStringLiteral("(NEW.%1 IS NULL OR (typeof(NEW.%1) = 'integer' AND NEW.%1 BETWEEN"
                                                   " %2 AND %3))");
    const QString refused =
        QStringLiteral("An amount, a price or a quantity beyond the bounds of the books was refused.");
    QStringList statements;
    for (const auto &[table, columns] : tables) {
        QStringList names, within;
        for (const Column &c : columns) {
            names << c.name;
            within << column.arg(c.name).arg(c.low).arg(c.high);
        }
        const QString when = within.join(QStringLiteral(" AND ")), of = names.join(QStringLiteral(", "));
        if (server) {
            statements << QStringLiteral("CREATE FUNCTION %1_bounded() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                                         " IF NOT (%2) THEN RAISE EXCEPTION '%3'; END IF; RETURN NEW; END $$")
                              .arg(table, when, refused)
                       << QStringLiteral("CREATE TRIGGER %1_bounded BEFORE INSERT OR UPDATE OF %2 ON %1 FOR EACH ROW"
                                         " EXECUTE FUNCTION %1_bounded()")
                              .arg(table, of);
            continue;
        }
        const QString body =
            QStringLiteral(" ON %1 WHEN NOT (%2) BEGIN SELECT RAISE(ABORT, '%3'); END").arg(table, when, refused);
        statements << QStringLiteral("CREATE TRIGGER %1_bounded_insert BEFORE INSERT").arg(table) + body
                   << QStringLiteral("CREATE TRIGGER %1_bounded_update BEFORE UPDATE OF %2").arg(table, of) + body;
    }
    return statements;
}
} // namespace

namespace {
BoundedTables cafeBounds()
{
    const qint64 price = Money::MaxPrice, amount = Money::Limit;
    return {
        {QStringLiteral("extra"),
         {{QStringLiteral("itemquant"), 0, Money::MaxQuantity},
          {QStringLiteral("itemprice"), 0, price},
          {QStringLiteral("charge"), -amount, amount}}},
        {QStringLiteral("kin"),
         {{QStringLiteral("timecharged"), -amount, amount},
          {QStringLiteral("extra"), -amount, amount},
          {QStringLiteral("total"), -amount, amount}}},
        {QStringLiteral("products"), {{QStringLiteral("price"), 0, price}}},
        {QStringLiteral("rates"), {{QStringLiteral("rate"), 0, price}}},
        {QStringLiteral("settings"), {{QStringLiteral("fixed"), 0, price}}},
    };
}

BoundedTables ownerBounds()
{
    const qint64 amount = Money::Limit;
    return {{QStringLiteral("timesales"), {{QStringLiteral("amount"), 0, amount}}},
            {QStringLiteral("shifts"),
             {{QStringLiteral("openingcash"), 0, amount},
              {QStringLiteral("countedcash"), 0, amount},
              {QStringLiteral("expectedcash"), -amount, amount}}}};
}
} // namespace

QStringList boundTriggers() { return bounded(cafeBounds()); }

QStringList ownerStatements()
{
    // Time sold onto accounts: `credited` is set once the customers' book
    // holds the minutes (see its `credits` table); nothing is taken only
    // with a reason. Shifts: one open per console, kept by the books; a
    // bill belongs to the shift open at its console when it was confirmed.
    return QStringList{
               QStringLiteral("CREATE TABLE shifts (aa INTEGER PRIMARY KEY AUTOINCREMENT, console TEXT NOT NULL,"
                              " operator TEXT NOT NULL, opendate TEXT NOT NULL, opentime TEXT NOT NULL,"
                              " openingcash INTEGER NOT NULL, closedate TEXT, closetime TEXT, countedcash INTEGER,"
                              " expectedcash INTEGER)"),
               QStringLiteral("CREATE UNIQUE INDEX shifts_one_open ON shifts (console) WHERE closedate IS NULL"),
               QStringLiteral("CREATE TABLE shiftbills (kin INTEGER PRIMARY KEY, shift INTEGER NOT NULL)"),
               QStringLiteral("CREATE INDEX shiftbills_by_shift ON shiftbills (shift)"),
               QStringLiteral("CREATE TABLE timesales (aa INTEGER PRIMARY KEY AUTOINCREMENT, saledate TEXT NOT NULL,"
                              " saletime TEXT NOT NULL, seller TEXT NOT NULL, account INTEGER NOT NULL,"
                              " customer TEXT NOT NULL,"
                              " minutes INTEGER NOT NULL CHECK (typeof(minutes) = 'integer' AND minutes > 0),"
                              " amount INTEGER NOT NULL, reason TEXT NOT NULL DEFAULT '' CHECK (amount > 0 OR reason <> ''),"
                              " credited INTEGER NOT NULL DEFAULT 0, shift INTEGER)"),
               QStringLiteral("CREATE INDEX timesales_by_account ON timesales (account, aa)"),
               QStringLiteral("CREATE INDEX timesales_by_date ON timesales (saledate)"),
               QStringLiteral("CREATE INDEX timesales_by_shift ON timesales (shift) WHERE shift IS NOT NULL"),
           }
           + bounded(ownerBounds());
}

namespace {
// The start of a row and its time used ("H:mm:ss"), in seconds.
QString startOf(const char *row)
{
    return QStringLiteral("CAST(strftime('%s', %1.starttime) AS INTEGER)").arg(QLatin1String(row));
}
QString usedOf(const char *row)
{
    const QString t = QStringLiteral("%1.totaltime").arg(QLatin1String(row));
    return QStringLiteral("(CAST(substr(%1, 1, instr(%1, ':') - 1) AS INTEGER) * 3600"
                          " + CAST(substr(%1, instr(%1, ':') + 1, 2) AS INTEGER) * 60 + CAST(substr(%1, -2) AS INTEGER))")
        .arg(t);
}
// Adds (sign 1) or takes off (-1) a row's time in use, hour by hour, and its
// length under its start day.
QString occupancyOf(const char *row, int sign)
{
    const QString s = startOf(row), used = usedOf(row);
    const QString base = QStringLiteral("(%1 - %1 % 3600)").arg(s);
    const QString slot = QStringLiteral("(%1 + k * 3600)").arg(base);
    return QStringLiteral("INSERT INTO kin_hours (day, hour, seconds)"
                          " SELECT date(%1, 'unixepoch'), CAST(strftime('%H', %1, 'unixepoch') AS INTEGER),"
                          " %5 * (min(%2 + %3, %1 + 3600) - max(%2, %1)) FROM hour_slots"
                          " WHERE k < (%2 % 3600 + %3 + 3599) / 3600"
                          " ON CONFLICT (day, hour) DO UPDATE SET seconds = seconds + excluded.seconds;"
                          " INSERT INTO kin_lengths (day, n, seconds) VALUES (%4.startdate, %5, %5 * %3)"
                          " ON CONFLICT (day) DO UPDATE SET n = n + excluded.n, seconds = seconds + excluded.seconds;")
        .arg(slot, s, used, QLatin1String(row))
        .arg(sign);
}
QString ended(const char *row)
{
    return QStringLiteral("%1.totaltime LIKE '%:__:__' AND %1.starttime IS NOT NULL AND %1.startdate IS NOT NULL")
        .arg(QLatin1String(row));
}
} // namespace

QStringList occupancyStatements()
{
    // The charts' occupancy: seconds in use per day and hour of the day, and
    // the charges' count and length per start day, kept by triggers from the
    // time used that every ended charge carries. A charge is counted over
    // at most 31 days (hour_slots).
    QStringList numbers;
    for (int k = 0; k < 31 * 24; ++k)
        numbers << QStringLiteral("(%1)").arg(k);
    return {
        QStringLiteral("CREATE TABLE kin_hours (day TEXT NOT NULL, hour INTEGER NOT NULL, seconds INTEGER NOT NULL,"
                       " PRIMARY KEY (day, hour)) WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE kin_lengths (day TEXT PRIMARY KEY, n INTEGER NOT NULL,"
                       " seconds INTEGER NOT NULL) WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE hour_slots (k INTEGER PRIMARY KEY)"),
        QStringLiteral("INSERT INTO hour_slots (k) VALUES ") + numbers.join(QLatin1Char(',')),
        QStringLiteral("CREATE TRIGGER kin_hours_insert AFTER INSERT ON kin WHEN %1 BEGIN %2 END")
            .arg(ended("new"), occupancyOf("new", 1)),
        QStringLiteral("CREATE TRIGGER kin_hours_delete AFTER DELETE ON kin WHEN %1 BEGIN %2 END")
            .arg(ended("old"), occupancyOf("old", -1)),
        QStringLiteral("CREATE TRIGGER kin_hours_take AFTER UPDATE OF totaltime, starttime, startdate ON kin"
                       " WHEN %1 BEGIN %2 END")
            .arg(ended("old"), occupancyOf("old", -1)),
        QStringLiteral("CREATE TRIGGER kin_hours_add AFTER UPDATE OF totaltime, starttime, startdate ON kin"
                       " WHEN %1 BEGIN %2 END")
            .arg(ended("new"), occupancyOf("new", 1)),
    };
}

QStringList occupancyFill()
{
    // A book from before the charts: every ended charge once, as the
    // triggers would have counted it.
    const QString s = startOf("r"), used = usedOf("r");
    const QString slot = QStringLiteral("(%1 - %1 % 3600 + k * 3600)").arg(s);
    return {
        QStringLiteral("INSERT INTO kin_hours (day, hour, seconds)"
                       " SELECT date(%1, 'unixepoch'), CAST(strftime('%H', %1, 'unixepoch') AS INTEGER),"
                       " sum(min(%2 + %3, %1 + 3600) - max(%2, %1)) FROM kin AS r JOIN hour_slots"
                       " WHERE %4 AND k < (%2 % 3600 + %3 + 3599) / 3600 GROUP BY 1, 2")
            .arg(slot, s, used, ended("r")),
        QStringLiteral("INSERT INTO kin_lengths (day, n, seconds) SELECT startdate, count(*), sum(%1) FROM kin AS r"
                       " WHERE %2 GROUP BY startdate")
            .arg(used, ended("r")),
    };
}

QStringList reportIndexes()
{
    // Pages of a listing are read in the order of the columns (start date,
    // then key) straight from these.
    return {
        QStringLiteral("CREATE INDEX IF NOT EXISTS kin_list_by_start ON kin (type, startdate, aa)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS kin_list_by_computer ON kin (type, computer, startdate, aa)"),
    };
}

QStringList kinDaysStatements() { return QStringList{kinDaysTable()} + kinDaysTriggers(false); }

QString kinDaysTable()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS kin_days (type TEXT NOT NULL, startdate TEXT NOT NULL,"
                          " computer TEXT NOT NULL, n INTEGER NOT NULL, timecharged INTEGER NOT NULL,"
                          " extra INTEGER NOT NULL, total INTEGER NOT NULL,"
                          " PRIMARY KEY (type, startdate, computer)) WITHOUT ROWID");
}

QStringList kinDaysTriggers(bool whileFilling)
{
    // The sums of a listing come from kin_days: per type, start day and
    // computer, the count and the three amounts of the transactions (a charge
    // still running counts with nothing). Triggers keep it equal to kin
    // through every insert, change and delete, so that a year's sums add up a
    // few hundred rows a day instead of every transaction. While a book made
    // before them is being filled, they leave alone the days not filled yet.
    const auto filled = [whileFilling](const char *row) {
        return whileFilling
                   ? QStringLiteral(" AND %1.startdate <= (SELECT upto FROM kin_days_fill)").arg(QLatin1String(row))
                   : QString();
    };
    const QString add =
        QStringLiteral(" ON CONFLICT (type, startdate, computer) DO UPDATE SET n = n + excluded.n,"
                       " timecharged = timecharged + excluded.timecharged, extra = extra + excluded.extra,"
                       " total = total + excluded.total");
    const QString addNew =
        QStringLiteral("INSERT INTO kin_days SELECT new.type, new.startdate, coalesce(new.computer, ''), 1,"
                       " coalesce(new.timecharged, 0), coalesce(new.extra, 0), coalesce(new.total, 0)"
                       " WHERE new.type IS NOT NULL AND new.startdate IS NOT NULL")
        + filled("new") + add + QLatin1Char(';');
    const QString takeOld =
        QStringLiteral("UPDATE kin_days SET n = n - 1, timecharged = timecharged - coalesce(old.timecharged, 0),"
                       " extra = extra - coalesce(old.extra, 0), total = total - coalesce(old.total, 0)"
                       " WHERE type = old.type AND startdate = old.startdate AND computer = coalesce(old.computer, '')")
        + filled("old") + QLatin1Char(';');
    return {
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_days_insert AFTER INSERT ON kin BEGIN ") + addNew
            + QStringLiteral(" END"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_days_delete AFTER DELETE ON kin BEGIN ") + takeOld
            + QStringLiteral(" END"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_days_update AFTER UPDATE OF type, startdate, computer,"
                       " timecharged, extra, total ON kin BEGIN ")
            + takeOld + QLatin1Char(' ') + addNew + QStringLiteral(" END"),
        // A sum that would overflow 64 bits becomes a REAL in SQLite: the
        // write that caused it is refused instead.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kin_days_whole BEFORE UPDATE ON kin_days"
                       " WHEN typeof(NEW.timecharged) <> 'integer' OR typeof(NEW.extra) <> 'integer'"
                       " OR typeof(NEW.total) <> 'integer' BEGIN SELECT RAISE(ABORT,"
                       " 'A sum of the day is beyond what the books can count.'); END"),
    };
}

QStringList cafeDefaults()
{
    // Rates per hour, 1,50 to 4,00 (ten-thousandths).
    return {
        QStringLiteral("INSERT INTO rates (rate) VALUES (15000), (20000), (25000), (30000), (35000), (40000)"),
        // Minimum charge 0,50 for up to 10 minutes, 5 minutes' tolerance.
        QStringLiteral("INSERT INTO settings (fixed, mintime, toltime, backround) VALUES (5000, 10, 5, '')"),
        QStringLiteral("INSERT INTO users (username, password)"
                       " VALUES ('admin', password_digest('kelpo')), ('user', password_digest('dask'))"),
    };
}

QStringList customerStatements()
{
    return QStringList{
               QStringLiteral("CREATE TABLE users (aa INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, lastname TEXT,"
                              " telephone TEXT, password TEXT, \"time\" INTEGER NOT NULL DEFAULT 0,"
                              " usedtime INTEGER NOT NULL DEFAULT 0, timeleft INTEGER NOT NULL DEFAULT 0,"
                              " timer INTEGER NOT NULL DEFAULT 0, pcused TEXT)"),
               QStringLiteral("CREATE INDEX users_by_pin ON users (password)"),
           }
           + creditStatements();
}

QStringList cafeTables()
{
    return {QStringLiteral("computers"), QStringLiteral("kin"),    QStringLiteral("extra"),    QStringLiteral("rates"),
            QStringLiteral("settings"),  QStringLiteral("groups"), QStringLiteral("products"), QStringLiteral("users")};
}

QStringList customerTables() { return {QStringLiteral("users")}; }

QStringList forServer(const QStringList &statements)
{
    static const QRegularExpression integer(QStringLiteral("\\bINTEGER\\b"));
    static const QRegularExpression whole(QStringLiteral("typeof\\((\\w+)\\) = 'integer' AND "));
    QStringList out;
    for (QString s : statements) {
        if (s.startsWith(QLatin1String("CREATE TRIGGER")))
            continue;
        s.replace(QLatin1String("INTEGER PRIMARY KEY AUTOINCREMENT"),
                  QLatin1String("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"));
        s.replace(integer, QStringLiteral("BIGINT"));
        // A bigint column holds only whole numbers.
        s.replace(whole, QString());
        s.remove(QLatin1String(" WITHOUT ROWID"));
        out << s;
    }
    return out;
}

QString serverFold()
{
    // lower() of a UTF-8 server and the fold of every alphabet differ only
    // for small letters lower() keeps and the fold changes: the final sigma
    // and Greek symbols, the micro sign, the long s, old Cyrillic forms, and
    // Cherokee, whose fold is the capital (checked letter by letter in the
    // store's tests).
    QString from, to;
    const auto map = [&](char32_t first, char32_t last) {
        for (char32_t c = first; c <= last; ++c) {
            from += QChar(c);
            to += QString(QChar(c)).toCaseFolded();
        }
    };
    for (char32_t c : {0xB5, 0x17F, 0x345, 0x3C2, 0x3D0, 0x3D1, 0x3D5, 0x3D6, 0x3F0, 0x3F1, 0x3F5, 0x1E9B, 0x1FBE})
        map(c, c);
    map(0x1C80, 0x1C88);
    map(0x13F8, 0x13FD);
    map(0xAB70, 0xABBF);
    // The capital I with a dot has no simple fold and stays; lower() would
    // make it a plain i.
    return QStringLiteral("CREATE OR REPLACE FUNCTION fold(t text) RETURNS text LANGUAGE sql IMMUTABLE STRICT"
                          " PARALLEL SAFE AS $$ SELECT translate(CASE WHEN strpos(t, '\u0130') = 0 THEN lower(t) ELSE"
                          " (SELECT coalesce(string_agg(lower(p), '\u0130' ORDER BY n), '') FROM"
                          " unnest(string_to_array(t, '\u0130')) WITH ORDINALITY AS u(p, n)) END, '%1', '%2') $$")
        .arg(from, to);
}

namespace {
QStringList serverSums()
{
    // kin_days, kin_hours and kin_lengths kept as the file's triggers keep
    // them; an overflowing sum fails on its own (bigint).
    return {
        QStringLiteral(
            "CREATE FUNCTION kin_days_keep() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
            " IF TG_OP <> 'INSERT' THEN UPDATE kin_days SET n = n - 1,"
            " timecharged = timecharged - coalesce(OLD.timecharged, 0), extra = extra - coalesce(OLD.extra, 0),"
            " total = total - coalesce(OLD.total, 0) WHERE type = OLD.type AND startdate = OLD.startdate"
            " AND computer = coalesce(OLD.computer, ''); END IF;"
            " IF TG_OP <> 'DELETE' AND NEW.type IS NOT NULL AND NEW.startdate IS NOT NULL THEN"
            " INSERT INTO kin_days VALUES (NEW.type, NEW.startdate, coalesce(NEW.computer, ''), 1,"
            " coalesce(NEW.timecharged, 0), coalesce(NEW.extra, 0), coalesce(NEW.total, 0))"
            " ON CONFLICT (type, startdate, computer) DO UPDATE SET n = kin_days.n + 1,"
            " timecharged = kin_days.timecharged + excluded.timecharged, extra = kin_days.extra + excluded.extra,"
            " total = kin_days.total + excluded.total; END IF; RETURN NULL; END $$"),
        QStringLiteral("CREATE TRIGGER kin_days_change AFTER INSERT OR DELETE ON kin FOR EACH ROW"
                       " EXECUTE FUNCTION kin_days_keep()"),
        QStringLiteral("CREATE TRIGGER kin_days_update AFTER UPDATE OF type, startdate, computer, timecharged, extra,"
                       " total ON kin FOR EACH ROW EXECUTE FUNCTION kin_days_keep()"),
        // A charge's time in use, hour by hour, and its length under its
        // start day; sign 1 adds, -1 takes off.
        QStringLiteral(
            "CREATE FUNCTION kin_occupancy(startdate text, starttime text, totaltime text, sign bigint)"
            " RETURNS void LANGUAGE plpgsql AS $$ DECLARE s bigint; used bigint; BEGIN"
            " IF totaltime IS NULL OR totaltime NOT LIKE '%:__:__' OR starttime IS NULL OR startdate IS NULL THEN RETURN; END IF;"
            " s := extract(epoch FROM starttime::timestamp)::bigint;"
            " used := split_part(totaltime, ':', 1)::bigint * 3600 + split_part(totaltime, ':', 2)::bigint * 60"
            " + split_part(totaltime, ':', 3)::bigint;"
            " INSERT INTO kin_hours (day, hour, seconds) SELECT to_char(slot, 'YYYY-MM-DD'),"
            " extract(hour FROM slot)::bigint, sum(sign * (least(s + used, e + 3600) - greatest(s, e)))"
            " FROM (SELECT s - s % 3600 + k * 3600 AS e FROM hour_slots WHERE k < (s % 3600 + used + 3599) / 3600) h,"
            " LATERAL (SELECT to_timestamp(e) AT TIME ZONE 'UTC' AS slot) t GROUP BY 1, 2"
            " ON CONFLICT (day, hour) DO UPDATE SET seconds = kin_hours.seconds + excluded.seconds;"
            " INSERT INTO kin_lengths (day, n, seconds) VALUES (startdate, sign, sign * used)"
            " ON CONFLICT (day) DO UPDATE SET n = kin_lengths.n + excluded.n,"
            " seconds = kin_lengths.seconds + excluded.seconds; END $$"),
        QStringLiteral("CREATE FUNCTION kin_hours_keep() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                       " IF TG_OP <> 'INSERT' THEN PERFORM kin_occupancy(OLD.startdate, OLD.starttime,"
                       " OLD.totaltime, -1); END IF;"
                       " IF TG_OP <> 'DELETE' THEN PERFORM kin_occupancy(NEW.startdate, NEW.starttime,"
                       " NEW.totaltime, 1); END IF; RETURN NULL; END $$"),
        QStringLiteral("CREATE TRIGGER kin_hours_change AFTER INSERT OR DELETE ON kin FOR EACH ROW"
                       " EXECUTE FUNCTION kin_hours_keep()"),
        QStringLiteral("CREATE TRIGGER kin_hours_update AFTER UPDATE OF totaltime, starttime, startdate ON kin"
                       " FOR EACH ROW EXECUTE FUNCTION kin_hours_keep()"),
    };
}
} // namespace

QStringList catalogueTables() { return {QStringLiteral("groups"), QStringLiteral("products")}; }

namespace {
// Every console on the books hears which of these tables another one
// changed when it commits (SqlStore::watch).
QStringList notifying(const QStringList &tables)
{
    QStringList s{QStringLiteral("CREATE FUNCTION korvane_notify() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN"
                                 " PERFORM pg_notify('korvane_' || current_schema(), TG_TABLE_NAME); RETURN NULL; END $$")};
    for (const QString &t : tables)
        s << QStringLiteral("CREATE TRIGGER %1_notify AFTER INSERT OR UPDATE OR DELETE ON %1 FOR EACH STATEMENT"
                            " EXECUTE FUNCTION korvane_notify()")
                 .arg(t);
    return s;
}
} // namespace

QStringList serverCafeStatements(bool branch)
{
    QStringList defaults = cafeDefaults();
    // The server has no password_digest(): the digests are made here.
    static const QRegularExpression digest(QStringLiteral("password_digest\\('(\\w+)'\\)"));
    for (QString &s : defaults)
        for (auto m = digest.match(s); m.hasMatch(); m = digest.match(s))
            s.replace(m.capturedStart(), m.capturedLength(),
                      QLatin1Char('\'') + PasswordDigest::make(m.captured(1)) + QLatin1Char('\''));
    // The file's checks that a number is whole hold by the column's type here.
    const QString whole = QStringLiteral("CREATE FUNCTION typeof(bigint) RETURNS text LANGUAGE sql IMMUTABLE AS"
                                         " $$ SELECT CASE WHEN $1 IS NULL THEN 'null' ELSE 'integer' END $$");
    const QStringList rules{
        QStringLiteral("CREATE UNIQUE INDEX kin_one_open ON kin (computer) WHERE ") + QLatin1String(kRunning),
        QStringLiteral("CREATE UNIQUE INDEX kin_one_account ON kin (userpin) WHERE userenab = 1")};
    const QStringList notify = notifying({QStringLiteral("kin"), QStringLiteral("computers")});
    QStringList all = QStringList{serverFold(), whole} + forServer(cafeStatements()) + bounded(cafeBounds(), true)
                      + bounded(ownerBounds(), true) + serverSums() + rules + notify + defaults;
    if (branch) {
        static const QRegularExpression catalogue(QStringLiteral("\\b(%1)\\b").arg(catalogueTables().join(u'|')));
        all.removeIf([](const QString &s) { return catalogue.match(s).hasMatch(); });
    }
    return all;
}

QStringList serverCustomerStatements()
{
    return QStringList{serverFold()} + forServer(customerStatements())
           + notifying({QStringLiteral("users"), QStringLiteral("credits")});
}

} // namespace Schema
