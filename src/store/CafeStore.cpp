#include "store/CafeStore.h"

#include "store/ChargeKinds.h"
#include "store/PasswordDigest.h"
#include "store/StoreValues.h"
#include "base/Format.h"

#include <QSqlRecord>
#include <algorithm>

using namespace StoreValues;

namespace {
const QString kComputerColumns = QStringLiteral("aa, pcname, ip, \"left\", top, timer, pretime, \"user\"");
const QString kKinColumns = QStringLiteral(
    "aa, computer, startdate, starttime, enddate, endtime, ptime, enab, pretimeenab, userenab, userpin, type,"
    " totaltime, timecharged, extra, total, reason");
// CafeStore::nameKey in SQL, for the names older books may keep with blanks around them.
const QString kOtherComputerNamed = QStringLiteral(
    "SELECT 1 FROM computers WHERE aa IS NOT ? AND fold(trim(pcname, char(32, 9, 10, 11, 12, 13, 160))) = ?");

QString nameTaken(const QString &pcname)
{
    return QStringLiteral("Another computer on the roster is already named %1.").arg(pcname.trimmed());
}

ComputerRow computerFrom(const QSqlQuery &q)
{
    ComputerRow r;
    r.aa = q.value(0).toLongLong();
    r.pcname = q.value(1).toString();
    r.ip = q.value(2).toString();
    r.left = q.value(3).toInt();
    r.top = q.value(4).toInt();
    r.timer = q.value(5).toInt() != 0;
    r.pretime = q.value(6).toInt() != 0;
    r.user = q.value(7).toInt() != 0;
    return r;
}

// The rows of a statement, or the store's error when it failed.
template <typename Row, typename Convert>
Result<QList<Row>> collect(const SqlStore &store, std::optional<QSqlQuery> q, Convert convert)
{
    if (!q)
        return failure(store.lastError());
    QList<Row> rows;
    while (q->next())
        rows.append(convert(*q));
    return rows;
}

QVariantList kinValues(const KinRow &r)
{
    return {r.computer,
            date(r.startdate),
            dateTime(r.starttime),
            r.enddate ? date(*r.enddate) : QVariant(),
            r.endtime ? time(*r.endtime) : QVariant(),
            optionalInt(r.ptime),
            int(r.enab),
            int(r.pretimeenab),
            int(r.userenab),
            r.userpin.isEmpty() ? QVariant() : QVariant(r.userpin),
            r.type,
            r.totaltime.isNull() ? QVariant() : QVariant(r.totaltime),
            money(r.timecharged),
            money(r.extra),
            money(r.total),
            r.reason.isNull() ? QVariant() : QVariant(r.reason)};
}

ExtraRow extraFrom(const QSqlQuery &q)
{
    ExtraRow e;
    e.aa = q.value(0).toLongLong();
    e.key = q.value(1).toLongLong();
    e.itemdesc = q.value(2).toString();
    e.itemquant = q.value(3).toLongLong();
    e.itemprice = Money::fromUnits(q.value(4).toLongLong());
    e.charge = Money::fromUnits(q.value(5).toLongLong());
    return e;
}
} // namespace

bool CafeStore::yesNo(const QVariant &v)
{
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || s == QLatin1String("-1"))
            return true;
        bool ok = false;
        const int n = s.toInt(&ok);
        return ok && n != 0;
    }
    return v.toBool();
}

QString CafeStore::flagColumn(ComputerFlag flag) { return QString::fromLatin1(chargeKind(flag).column); }

KinRow CafeStore::kinFrom(const QSqlQuery &q)
{
    KinRow r;
    r.aa = q.value(0).toLongLong();
    r.computer = q.value(1).toString();
    r.startdate = toDate(q.value(2));
    r.starttime = toDateTime(q.value(3));
    if (!q.value(4).isNull())
        r.enddate = toDate(q.value(4));
    if (!q.value(5).isNull())
        r.endtime = toTime(q.value(5));
    r.ptime = toOptionalInt(q.value(6));
    r.enab = q.value(7).toInt() != 0;
    r.pretimeenab = q.value(8).toInt() != 0;
    r.userenab = q.value(9).toInt() != 0;
    r.userpin = q.value(10).toString();
    r.type = q.value(11).toString();
    r.totaltime = q.value(12).toString();
    r.timecharged = toMoney(q.value(13));
    r.extra = toMoney(q.value(14));
    r.total = toMoney(q.value(15));
    r.reason = q.value(16).toString();
    return r;
}

// --- computers

Result<QList<ComputerRow>> CafeStore::computers()
{
    return collect<ComputerRow>(
        *this, run(QStringLiteral("SELECT %1 FROM computers ORDER BY aa").arg(kComputerColumns)), computerFrom);
}

Result<QList<ComputerRow>> CafeStore::computersFlagged(ComputerFlag flag)
{
    return collect<ComputerRow>(*this,
                                run(QStringLiteral("SELECT %1 FROM computers WHERE %2 = 1 ORDER BY aa")
                                        .arg(kComputerColumns, flagColumn(flag))),
                                computerFrom);
}

Result<QList<ComputerRow>> CafeStore::freeComputers()
{
    return collect<ComputerRow>(
        *this,
        run(QStringLiteral("SELECT %1 FROM computers WHERE timer = 0 AND pretime = 0 AND \"user\" = 0 ORDER BY aa")
                .arg(kComputerColumns)),
        computerFrom);
}

Result<QList<ComputerRow>> CafeStore::computersWithIp(const QString &ip)
{
    return collect<ComputerRow>(
        *this, run(QStringLiteral("SELECT %1 FROM computers WHERE ip = ? ORDER BY aa").arg(kComputerColumns), {ip}),
        computerFrom);
}

Result<QList<ComputerRow>> CafeStore::computersNamed(const QString &name)
{
    return collect<ComputerRow>(
        *this,
        run(QStringLiteral("SELECT %1 FROM computers WHERE pcname = ? ORDER BY aa").arg(kComputerColumns), {name}),
        computerFrom);
}

bool CafeStore::setFlag(const QString &pcname, ComputerFlag flag, const QVariant &value)
{
    return exec(QStringLiteral("UPDATE computers SET %1 = ? WHERE pcname = ?").arg(flagColumn(flag)),
                {int(yesNo(value)), pcname});
}

bool CafeStore::savePosition(const QString &pcname, int left, int top)
{
    return exec(QStringLiteral("UPDATE computers SET \"left\" = ?, top = ? WHERE aa ="
                               " (SELECT min(aa) FROM computers WHERE pcname = ?)"),
                {left, top, pcname});
}

Result<qint64> CafeStore::addComputer(const ComputerRow &r)
{
    auto q = run(QStringLiteral("INSERT INTO computers (pcname, ip, \"left\", top, timer, pretime, \"user\")"
                                " SELECT ?, ?, ?, ?, ?, ?, ? WHERE NOT EXISTS (%1)")
                     .arg(kOtherComputerNamed),
                 {r.pcname.trimmed(), r.ip, r.left, r.top, int(r.timer), int(r.pretime), int(r.user), QVariant(),
                  nameKey(r.pcname)});
    if (!q)
        return failure(lastError());
    if (q->numRowsAffected() != 1)
        return failure(nameTaken(r.pcname));
    return q->lastInsertId().toLongLong();
}

// --- kin

Result<qint64> CafeStore::appendTransaction(const KinRow &row)
{
    auto q = run(QStringLiteral("INSERT INTO kin (computer, startdate, starttime, enddate, endtime, ptime, enab,"
                                " pretimeenab, userenab, userpin, type, totaltime, timecharged, extra, total, reason)"
                                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                 kinValues(row));
    if (!q)
        return failure(lastError());
    return q->lastInsertId().toLongLong();
}

std::optional<KinRow> CafeStore::transaction(qint64 aa)
{
    auto q = run(QStringLiteral("SELECT %1 FROM kin WHERE aa = ?").arg(kKinColumns), {aa});
    if (!q || !q->next())
        return std::nullopt;
    return kinFrom(*q);
}

Result<void> CafeStore::endCharge(ComputerFlag kind, qint64 aa, const QDateTime &end, const QString &used)
{
    // Only a running row ends, and only once.
    const QString running = QLatin1String(chargeKind(kind).openRow);
    if (kind == ComputerFlag::Pretime)
        return changeCharge(aa, QStringLiteral("UPDATE kin SET totaltime = ? WHERE aa = ? AND %1").arg(running), {used},
                            false);
    const QString closes = kind == ComputerFlag::User ? QStringLiteral(", userenab = 0") : QString();
    return changeCharge(aa,
                        QStringLiteral("UPDATE kin SET enddate = ?, endtime = ?, totaltime = ?%1 WHERE aa = ? AND %2")
                            .arg(closes, running),
                        {date(end.date()), time(end.time()), used}, false);
}

Result<void> CafeStore::confirmCharge(const KinRow &bill, bool prepaid)
{
    const QVariantList charges{money(bill.timecharged), bill.totaltime, money(bill.extra), money(bill.total),
                               bill.reason.isNull() ? QVariant() : QVariant(bill.reason)};
    if (prepaid)
        return changeCharge(bill.aa,
                            QStringLiteral("UPDATE kin SET timecharged = ?, totaltime = ?, extra = ?, total = ?,"
                                           " reason = ?, pretimeenab = 0 WHERE aa = ? AND pretimeenab = 1"
                                           " AND totaltime IS NOT NULL"),
                            charges, true);
    return changeCharge(
        bill.aa,
        QStringLiteral("UPDATE kin SET timecharged = ?, totaltime = ?, extra = ?, total = ?, reason = ?,"
                       " enddate = ?, endtime = ?, enab = 0"
                       " WHERE aa = ? AND enab = 1 AND enddate IS NOT NULL"),
        charges
            + QVariantList{bill.enddate ? date(*bill.enddate) : QVariant(),
                           bill.endtime ? time(*bill.endtime) : QVariant()},
        true);
}

Result<void> CafeStore::changeCharge(qint64 aa, const QString &sql, QVariantList values, bool confirming)
{
    values.append(aa);
    const auto q = run(sql, values);
    if (!q)
        return failure(lastError());
    if (q->numRowsAffected() == 1)
        return {};
    const std::optional<KinRow> row = transaction(aa);
    QString why;
    if (!row)
        why = lastError().isEmpty() ? QStringLiteral("The transaction %1 was not found.").arg(aa) : lastError();
    else if (!confirming)
        why =
            QStringLiteral("The transaction %1 of %2 is not running: it has ended already.").arg(aa).arg(row->computer);
    else if (!row->enab && !row->pretimeenab)
        why = QStringLiteral("The transaction %1 of %2 is already confirmed.").arg(aa).arg(row->computer);
    else
        why = QStringLiteral("The transaction %1 of %2 has not ended: its bill cannot be confirmed yet.")
                  .arg(aa)
                  .arg(row->computer);
    setLastError(why);
    return failure(why);
}

Result<QList<KinRow>> CafeStore::openCharges(ComputerFlag kind, const QString &computer)
{
    return collect<KinRow>(*this,
                           run(QStringLiteral("SELECT %1 FROM kin WHERE %2 AND computer = ? ORDER BY aa")
                                   .arg(kKinColumns, QLatin1String(chargeKind(kind).openRow)),
                               {computer}),
                           kinFrom);
}

Result<QList<KinRow>> CafeStore::unconfirmed()
{
    // Ended (a normal charge's end, a prepaid charge's time used) but still
    // enabled: the bill was never confirmed.
    // Two selects, so that each walks its own partial index of open rows
    // instead of the whole year.
    auto rows = collect<KinRow>(*this,
                                run(QStringLiteral("SELECT %1 FROM kin WHERE enab = 1 AND enddate IS NOT NULL"
                                                   " UNION ALL SELECT %1 FROM kin WHERE pretimeenab = 1"
                                                   " AND totaltime IS NOT NULL")
                                        .arg(kKinColumns)),
                                kinFrom);
    if (!rows)
        return failure(lastError());
    QList<KinRow> list = *rows;
    std::sort(list.begin(), list.end(), [](const KinRow &a, const KinRow &b) { return a.aa < b.aa; });
    return list;
}

bool CafeStore::moveTransaction(qint64 aa, const QString &computer)
{
    return changeCharge(aa,
                        QStringLiteral("UPDATE kin SET computer = ? WHERE aa = ? AND ((%1) OR (%2))")
                            .arg(QLatin1String(chargeKind(ComputerFlag::Timer).openRow),
                                 QLatin1String(chargeKind(ComputerFlag::Pretime).openRow)),
                        {computer}, false)
        .ok();
}

Result<Money> CafeStore::takingsOn(const QDate &day)
{
    auto q = run(QStringLiteral("SELECT coalesce(sum(total), 0) FROM kin WHERE startdate = ?"), {date(day)});
    if (!q || !q->next())
        return failure(lastError());
    return Money::fromUnits(q->value(0).toLongLong());
}

// --- extra

Result<QList<ExtraRow>> CafeStore::extras(qint64 key)
{
    return collect<ExtraRow>(*this,
                             run(QStringLiteral("SELECT aa, \"key\", itemdesc, itemquant, itemprice, charge FROM extra"
                                                " WHERE \"key\" = ? ORDER BY aa"),
                                 {key}),
                             extraFrom);
}

Result<std::optional<Money>> CafeStore::sumExtras(qint64 key)
{
    // SQLite's sum() refuses to overflow; a line that is not a whole number
    // (written before lines were bounded) would make it an inexact REAL.
    auto q = run(QStringLiteral("SELECT count(*), coalesce(sum(charge), 0),"
                                " sum(charge IS NOT NULL AND typeof(charge) <> 'integer') FROM extra"
                                " WHERE \"key\" = ?"),
                 {key});
    if (!q || !q->next())
        return failure(QStringLiteral("The extras of transaction %1 cannot be summed: %2").arg(key).arg(lastError()));
    if (q->value(0).toLongLong() == 0)
        return std::optional<Money>();
    const Money sum = Money::fromUnits(q->value(1).toLongLong());
    if (q->value(2).toLongLong() > 0 || !sum.inBounds())
        return failure(QStringLiteral("The extras of transaction %1 come to more than %2.")
                           .arg(key)
                           .arg(Format::amount(Money::fromUnits(Money::Limit))));
    return std::optional<Money>(sum);
}

Result<qint64> CafeStore::addExtra(const ExtraRow &e)
{
    auto q = run(
        QStringLiteral("INSERT INTO extra (\"key\", itemdesc, itemquant, itemprice, charge) VALUES (?, ?, ?, ?, ?)"),
        {e.key, e.itemdesc, e.itemquant, e.itemprice.units(), e.charge.units()});
    if (!q)
        return failure(lastError());
    return q->lastInsertId().toLongLong();
}

bool CafeStore::deleteExtra(qint64 aa) { return exec(QStringLiteral("DELETE FROM extra WHERE aa = ?"), {aa}); }

Result<bool> CafeStore::setExtraQuantity(qint64 aa, qint64 quantity)
{
    // Written only when the product stays within the limit, decided before
    // SQLite could turn an overflowing product into an inexact REAL.
    const qint64 most = Money::Limit / qMax<qint64>(1, quantity < 0 ? -quantity : quantity);
    auto q = run(QStringLiteral("UPDATE extra SET itemquant = ?, charge = ? * itemprice WHERE aa = ?"
                                " AND typeof(itemprice) = 'integer' AND itemprice BETWEEN ? AND ?"),
                 {quantity, quantity, aa, -most, most});
    if (!q)
        return failure(lastError());
    return q->numRowsAffected() > 0;
}

// --- tariff

Result<QList<Money>> CafeStore::rates()
{
    return collect<Money>(*this, run(QStringLiteral("SELECT rate FROM rates ORDER BY aa")),
                          [](const QSqlQuery &q) { return Money::fromUnits(q.value(0).toLongLong()); });
}

bool CafeStore::setRates(const QList<Money> &rates)
{
    return atomically([&] {
        auto ids = collect<qint64>(*this, run(QStringLiteral("SELECT aa FROM rates ORDER BY aa")),
                                   [](const QSqlQuery &q) { return q.value(0).toLongLong(); });
        if (!ids)
            return false;
        for (int i = 0; i < rates.size(); ++i) {
            const bool ok =
                i < ids->size()
                    ? exec(QStringLiteral("UPDATE rates SET rate = ? WHERE aa = ?"), {rates[i].units(), ids->at(i)})
                    : exec(QStringLiteral("INSERT INTO rates (rate) VALUES (?)"), {rates[i].units()});
            if (!ok)
                return false;
        }
        return true;
    });
}

Result<RateSettings> CafeStore::rateSettings()
{
    auto q = run(QStringLiteral("SELECT fixed, mintime, toltime, backround FROM settings ORDER BY aa"));
    if (!q)
        return failure(lastError());
    RateSettings s;
    while (q->next()) { // the last row wins
        s.fixed = Money::fromUnits(q->value(0).toLongLong());
        s.mintime = q->value(1).toLongLong();
        s.toltime = q->value(2).toLongLong();
        s.backround = q->value(3).toString();
    }
    return s;
}

bool CafeStore::setRateSettings(Money fixed, qint64 mintime, qint64 toltime)
{
    return exec(QStringLiteral("UPDATE settings SET fixed = ?, mintime = ?, toltime = ?"),
                {fixed.units(), mintime, toltime});
}

bool CafeStore::setBackground(const QString &path)
{
    return exec(QStringLiteral("UPDATE settings SET backround = ?"), {path});
}

// --- operators

std::optional<QString> CafeStore::operatorLogin(const QString &username, const QString &password)
{
    auto q = run(QStringLiteral("SELECT username, password FROM users WHERE fold(username) = ? ORDER BY aa"),
                 {fold(username)});
    while (q && q->next())
        if (PasswordDigest::matches(q->value(1).toString(), password))
            return q->value(0).toString();
    return std::nullopt;
}

bool CafeStore::setOperatorPassword(const QString &username, const QString &password)
{
    return exec(QStringLiteral("UPDATE users SET password = ? WHERE fold(username) = ?"),
                {PasswordDigest::make(password), fold(username)});
}

// --- administration

Result<QList<ComputerRow>> CafeStore::computersAfter(qint64 after, int limit)
{
    return collect<ComputerRow>(
        *this,
        run(QStringLiteral("SELECT %1 FROM computers WHERE aa > ? ORDER BY aa LIMIT ?").arg(kComputerColumns),
            {after, limit}),
        computerFrom);
}

Result<void> CafeStore::renameComputer(qint64 aa, const QString &pcname, const QString &ip)
{
    auto q = run(QStringLiteral("UPDATE computers SET pcname = ?, ip = ? WHERE aa = ? AND NOT EXISTS (%1)")
                     .arg(kOtherComputerNamed),
                 {pcname.trimmed(), ip, aa, aa, nameKey(pcname)});
    if (!q)
        return failure(lastError());
    if (q->numRowsAffected() != 1)
        return failure(nameTaken(pcname));
    return {};
}

Result<void> CafeStore::deleteComputer(qint64 aa)
{
    if (!exec(QStringLiteral("DELETE FROM computers WHERE aa = ?"), {aa}))
        return failure(lastError());
    return {};
}

Result<QString> CafeStore::operatorPassword(const QString &username)
{
    auto q = run(QStringLiteral("SELECT password FROM users WHERE username = ? ORDER BY aa"), {username});
    if (!q)
        return failure(lastError());
    if (!q->next())
        return failure(QStringLiteral("The books have no operator account \"%1\".").arg(username));
    return q->value(0).toString();
}

Result<QList<KinRow>> CafeStore::openTransactions()
{
    return collect<KinRow>(*this,
                           run(QStringLiteral("SELECT %1 FROM kin WHERE (enab = 1 AND enddate IS NULL)"
                                              " OR pretimeenab = 1 OR userenab = 1 ORDER BY aa")
                                   .arg(kKinColumns)),
                           kinFrom);
}

Result<qint64> CafeStore::openAccountCharges(const QString &pin)
{
    auto q = run(QStringLiteral("SELECT count(*) FROM kin WHERE userenab = 1 AND userpin = ?"), {pin});
    if (!q || !q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

// --- catalogue

Result<QList<ProductRow>> CafeStore::products()
{
    return collect<ProductRow>(
        *this, run(QStringLiteral("SELECT aa, \"desc\", price, category FROM products ORDER BY category, aa")),
        [](const QSqlQuery &q) {
            ProductRow p;
            p.aa = q.value(0).toLongLong();
            p.desc = q.value(1).toString();
            p.price = Money::fromUnits(q.value(2).toLongLong());
            p.category = q.value(3).toString();
            return p;
        });
}

// --- a customer's transactions

Result<QString> CafeStore::openAccountComputer(const QString &pin)
{
    auto q = run(QStringLiteral("SELECT computer FROM kin WHERE userenab = 1 AND userpin = ? ORDER BY aa DESC LIMIT 1"),
                 {pin});
    if (!q)
        return failure(QStringLiteral("The transactions cannot be read: %1").arg(lastError()));
    return q->next() ? q->value(0).toString() : QString();
}

Result<bool> CafeStore::hasAccountTransactions(const QString &pin)
{
    auto q = run(QStringLiteral("SELECT 1 FROM kin WHERE type = 'user' AND userpin = ? LIMIT 1"), {pin});
    if (!q)
        return failure(QStringLiteral("The transactions cannot be read: %1").arg(lastError()));
    return q->next();
}

Result<void> CafeStore::deleteAccountTransactions(const QString &pin)
{
    const bool deleted = atomically([this, &pin] {
        return exec(QStringLiteral("DELETE FROM extra WHERE \"key\" IN (SELECT aa FROM kin WHERE userpin = ?)"), {pin})
               && exec(QStringLiteral("DELETE FROM kin WHERE userpin = ?"), {pin});
    });
    if (!deleted)
        return failure(QStringLiteral("The transactions were not deleted: %1").arg(lastError()));
    return {};
}
namespace {
ProductRow productFrom(const QSqlQuery &q)
{
    return {q.value(0).toLongLong(), q.value(1).toString(), Money::fromUnits(q.value(2).toLongLong()),
            q.value(3).toString()};
}

Failure booksFailure(const QString &cause)
{
    return failure(QStringLiteral("The books could not be read or written.\n") + cause);
}
} // namespace

Result<QList<CategoryRow>> CafeStore::categories()
{
    const auto rows = collect<CategoryRow>(*this, run(QStringLiteral("SELECT aa, name FROM groups ORDER BY aa")),
                                           [](const QSqlQuery &q) {
                                               return CategoryRow{q.value(0).toLongLong(), q.value(1).toString()};
                                           });
    if (!rows)
        return booksFailure(lastError());
    return *rows;
}

Result<bool> CafeStore::hasCategory(const QString &name)
{
    auto q = run(QStringLiteral("SELECT count(*) FROM groups WHERE fold(name) = ?"), {fold(name)});
    if (!q || !q->next())
        return booksFailure(lastError());
    return q->value(0).toLongLong() > 0;
}

Result<qint64> CafeStore::addCategory(const QString &name)
{
    auto q = run(QStringLiteral("INSERT INTO groups (name) VALUES (?)"), {name});
    if (!q)
        return booksFailure(lastError());
    return q->lastInsertId().toLongLong();
}

Result<void> CafeStore::deleteCategory(qint64 aa)
{
    if (!exec(QStringLiteral("DELETE FROM groups WHERE aa = ?"), {aa}))
        return booksFailure(lastError());
    return {};
}

Result<QList<ProductRow>> CafeStore::productPage(const std::optional<QString> &category, qint64 offset, qint64 limit)
{
    const auto rows =
        category ? collect<ProductRow>(*this,
                                       run(QStringLiteral("SELECT aa, \"desc\", price, category FROM products"
                                                          " WHERE fold(category) = ? ORDER BY aa LIMIT ? OFFSET ?"),
                                           {fold(*category), limit, offset}),
                                       productFrom)
                 : collect<ProductRow>(*this,
                                       run(QStringLiteral("SELECT aa, \"desc\", price, category FROM products"
                                                          " ORDER BY fold(category), aa LIMIT ? OFFSET ?"),
                                           {limit, offset}),
                                       productFrom);
    if (!rows)
        return booksFailure(lastError());
    return *rows;
}

Result<bool> CafeStore::hasProduct(const QString &desc, qint64 except)
{
    auto q =
        run(QStringLiteral("SELECT count(*) FROM products WHERE fold(\"desc\") = ? AND aa <> ?"), {fold(desc), except});
    if (!q || !q->next())
        return booksFailure(lastError());
    return q->value(0).toLongLong() > 0;
}

Result<qint64> CafeStore::addProduct(const ProductRow &row)
{
    auto q = run(QStringLiteral("INSERT INTO products (\"desc\", price, category) VALUES (?, ?, ?)"),
                 {row.desc, row.price.units(), row.category});
    if (!q)
        return booksFailure(lastError());
    return q->lastInsertId().toLongLong();
}

Result<void> CafeStore::deleteProduct(qint64 aa)
{
    if (!exec(QStringLiteral("DELETE FROM products WHERE aa = ?"), {aa}))
        return booksFailure(lastError());
    return {};
}

Result<void> CafeStore::setProductDesc(qint64 aa, const QString &desc)
{
    if (!exec(QStringLiteral("UPDATE products SET \"desc\" = ? WHERE aa = ?"), {desc, aa}))
        return booksFailure(lastError());
    return {};
}

Result<void> CafeStore::setProductPrice(qint64 aa, Money price)
{
    if (!exec(QStringLiteral("UPDATE products SET price = ? WHERE aa = ?"), {price.units(), aa}))
        return booksFailure(lastError());
    return {};
}

Result<CafeStore::Sale> CafeStore::sellExtra(qint64 key, const QString &desc, Money price)
{
    Sale sale = Sale::Added;
    const bool ok = atomically([&] {
        auto open = run(QStringLiteral("SELECT enab OR pretimeenab OR userenab FROM kin WHERE aa = ?"), {key});
        if (!open)
            return false;
        if (!open->next() || !open->value(0).toBool()) {
            sale = Sale::Confirmed;
            return true;
        }
        auto same = run(QStringLiteral("SELECT count(*) FROM extra WHERE \"key\" = ? AND fold(itemdesc) = ?"),
                        {key, fold(desc)});
        if (!same || !same->next())
            return false;
        if (same->value(0).toLongLong() > 0) {
            sale = Sale::AlreadyThere;
            return true;
        }
        return exec(QStringLiteral("INSERT INTO extra (\"key\", itemdesc, itemquant, itemprice, charge)"
                                   " VALUES (?, ?, 1, ?, ?)"),
                    {key, desc, price.units(), price.units()});
    });
    if (!ok)
        return booksFailure(lastError());
    return sale;
}
