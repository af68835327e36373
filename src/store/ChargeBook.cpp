#include "store/ChargeBook.h"

#include "base/Format.h"
#include "store/ChargeKinds.h"
#include "store/StoreValues.h"

#include <QSqlRecord>
#include <algorithm>

using namespace StoreValues;

namespace {
const QString kKinColumns = QLatin1String(ChargeBook::KinColumns);

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

KinRow ChargeBook::kinFrom(const QSqlQuery &q)
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

std::optional<QString> ChargeBook::conflict(const QString &computer)
{
    // The books' own rule, met when the other counter got there first; kept
    // as the error, so that the transaction around it tells the same.
    QString told;
    if (lastError().contains(QLatin1String("kin_one_account")) || lastError().contains(QLatin1String("the account has")))
        told = QStringLiteral("The account is in use at the other counter.");
    else if (lastError().contains(QLatin1String("kin_one_open")))
        told = QStringLiteral("%1 was started at the other counter.").arg(computer);
    else
        return std::nullopt;
    setLastError(told);
    return told;
}

Result<qint64> ChargeBook::appendTransaction(const KinRow &row)
{
    auto q = run(QStringLiteral("INSERT INTO kin (computer, startdate, starttime, enddate, endtime, ptime, enab,"
                                " pretimeenab, userenab, userpin, type, totaltime, timecharged, extra, total, reason)"
                                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING aa"),
                 kinValues(row));
    if (!q)
        return failure(conflict(row.computer).value_or(lastError()));
    if (!q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<KinRow> ChargeBook::transaction(qint64 aa)
{
    auto q = run(QStringLiteral("SELECT %1 FROM kin WHERE aa = ?").arg(kKinColumns), {aa});
    if (!q)
        return failure(lastError());
    if (!q->next())
        return failure(QStringLiteral("The transaction %1 was not found.").arg(aa));
    return kinFrom(*q);
}

Result<void> ChargeBook::endCharge(ComputerFlag kind, qint64 aa, const QDateTime &end, const QString &used)
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

Result<void> ChargeBook::confirmCharge(const KinRow &bill, bool prepaid)
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

Result<void> ChargeBook::changeCharge(qint64 aa, const QString &sql, QVariantList values, bool confirming)
{
    values.append(aa);
    const auto q = run(sql, values);
    if (!q)
        return failure(conflict(values.value(0).toString()).value_or(lastError()));
    if (q->numRowsAffected() == 1)
        return {};
    const auto row = transaction(aa);
    QString why;
    if (!row)
        why = row.error();
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

Result<QList<KinRow>> ChargeBook::openCharges(ComputerFlag kind, const QString &computer)
{
    return SqlStore::collect<KinRow>(sql(),
                                     run(QStringLiteral("SELECT %1 FROM kin WHERE %2 AND computer = ? ORDER BY aa")
                                             .arg(kKinColumns, QLatin1String(chargeKind(kind).openRow)),
                                         {computer}),
                                     kinFrom);
}

Result<QList<KinRow>> ChargeBook::unconfirmed()
{
    // Ended (a normal charge's end, a prepaid charge's time used) but still
    // enabled: the bill was never confirmed.
    // Two selects, so that each walks its own partial index of open rows
    // instead of the whole year.
    auto rows = SqlStore::collect<KinRow>(sql(),
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

Result<void> ChargeBook::moveTransaction(qint64 aa, const QString &computer)
{
    return changeCharge(aa,
                        QStringLiteral("UPDATE kin SET computer = ? WHERE aa = ? AND ((%1) OR (%2))")
                            .arg(QLatin1String(chargeKind(ComputerFlag::Timer).openRow),
                                 QLatin1String(chargeKind(ComputerFlag::Pretime).openRow)),
                        {computer}, false);
}

Result<Takings> ChargeBook::takingsOn(const QDate &day)
{
    // One pass over the day's rows; a bill closed without charge is the one
    // that carries a reason.
    auto q = run(QStringLiteral("SELECT CAST(coalesce(sum(total), 0) AS BIGINT), CAST(coalesce(sum(timecharged), 0) AS BIGINT),"
                                " count(CASE WHEN reason <> '' THEN 1 END) FROM kin WHERE startdate = ?"),
                 {date(day)});
    if (!q || !q->next())
        return failure(lastError());
    return Takings{Money::fromUnits(q->value(0).toLongLong()), Money::fromUnits(q->value(1).toLongLong()),
                   q->value(2).toLongLong()};
}

Result<QList<ExtraRow>> ChargeBook::extras(qint64 key)
{
    return SqlStore::collect<ExtraRow>(
        sql(),
        run(QStringLiteral("SELECT aa, \"key\", itemdesc, itemquant, itemprice, charge FROM extra"
                           " WHERE \"key\" = ? ORDER BY aa"),
            {key}),
        extraFrom);
}

Result<std::optional<Money>> ChargeBook::sumExtras(qint64 key)
{
    // SQLite's sum() refuses to overflow; a line that is not a whole number
    // (written before lines were bounded) would make it an inexact REAL.
    auto q = run(QStringLiteral("SELECT count(*), CAST(coalesce(sum(charge), 0) AS BIGINT),"
                                " count(CASE WHEN charge IS NOT NULL AND typeof(charge) <> 'integer' THEN 1 END) FROM extra"
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

Result<qint64> ChargeBook::addExtra(const ExtraRow &e)
{
    auto q = run(
        QStringLiteral("INSERT INTO extra (\"key\", itemdesc, itemquant, itemprice, charge) VALUES (?, ?, ?, ?, ?) RETURNING aa"),
        {e.key, e.itemdesc, e.itemquant, e.itemprice.units(), e.charge.units()});
    if (!q)
        return failure(lastError());
    if (!q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<void> ChargeBook::deleteExtra(qint64 aa)
{
    return write(QStringLiteral("DELETE FROM extra WHERE aa = ?"), {aa});
}

Result<bool> ChargeBook::setExtraQuantity(qint64 aa, qint64 quantity)
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

Result<QList<KinRow>> ChargeBook::openTransactions()
{
    return SqlStore::collect<KinRow>(sql(),
                                     run(QStringLiteral("SELECT %1 FROM kin WHERE (enab = 1 AND enddate IS NULL)"
                                                        " OR pretimeenab = 1 OR userenab = 1 ORDER BY aa")
                                             .arg(kKinColumns)),
                                     kinFrom);
}

Result<qint64> ChargeBook::openAccountCharges(const QString &pin)
{
    auto q = run(QStringLiteral("SELECT count(*) FROM kin WHERE userenab = 1 AND userpin = ?"), {pin});
    if (!q || !q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<QString> ChargeBook::openAccountComputer(const QString &pin)
{
    auto q = run(QStringLiteral("SELECT computer FROM kin WHERE userenab = 1 AND userpin = ? ORDER BY aa DESC LIMIT 1"),
                 {pin});
    if (!q)
        return failure(QStringLiteral("The transactions cannot be read: %1").arg(lastError()));
    return q->next() ? q->value(0).toString() : QString();
}

Result<bool> ChargeBook::hasAccountTransactions(const QString &pin)
{
    auto q = run(QStringLiteral("SELECT 1 FROM kin WHERE type = 'user' AND userpin = ? LIMIT 1"), {pin});
    if (!q)
        return failure(QStringLiteral("The transactions cannot be read: %1").arg(lastError()));
    return q->next();
}

Result<void> ChargeBook::deleteAccountTransactions(const QString &pin)
{
    const auto deleted = atomically([this, &pin] {
        return exec(QStringLiteral("DELETE FROM extra WHERE \"key\" IN (SELECT aa FROM kin WHERE userpin = ?)"), {pin})
               && exec(QStringLiteral("DELETE FROM kin WHERE userpin = ?"), {pin});
    });
    if (!deleted)
        return failure(QStringLiteral("The transactions were not deleted: %1").arg(lastError()));
    return {};
}

Result<ChargeBook::Sale> ChargeBook::sellExtra(qint64 key, const QString &desc, Money price)
{
    Sale sale = Sale::Added;
    const auto ok = atomically([&] {
        auto open = run(QStringLiteral("SELECT enab = 1 OR pretimeenab = 1 OR userenab = 1 FROM kin WHERE aa = ?"), {key});
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
