#include "store/RosterBook.h"

#include "store/ChargeKinds.h"

#include <QSqlRecord>
#include <algorithm>

namespace {
const QString kComputerColumns = QStringLiteral("aa, pcname, ip, \"left\", top, timer, pretime, \"user\"");
// RosterBook::nameKey in SQL, for the names older books may keep with blanks around them.
// The blanks are written into the statement as they are: both engines take
// them in a quoted text, and neither needs a function of its own to make them.
const QString kOtherComputerNamed =
    QStringLiteral("SELECT 1 FROM computers WHERE aa IS DISTINCT FROM ? AND fold(trim(pcname, '%1')) = ?")
        .arg(QStringLiteral(" \t\n\v\f\r") + QChar(0xA0));

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
} // namespace

bool RosterBook::yesNo(const QVariant &v)
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

QString RosterBook::flagColumn(ComputerFlag flag) { return QString::fromLatin1(chargeKind(flag).column); }

Result<QList<ComputerRow>> RosterBook::computers()
{
    return SqlStore::collect<ComputerRow>(
        sql(), run(QStringLiteral("SELECT %1 FROM computers ORDER BY aa").arg(kComputerColumns)), computerFrom);
}

Result<QList<ComputerRow>> RosterBook::computersFlagged(ComputerFlag flag)
{
    return SqlStore::collect<ComputerRow>(sql(),
                                          run(QStringLiteral("SELECT %1 FROM computers WHERE %2 = 1 ORDER BY aa")
                                                  .arg(kComputerColumns, flagColumn(flag))),
                                          computerFrom);
}

Result<QList<ComputerRow>> RosterBook::freeComputers()
{
    return SqlStore::collect<ComputerRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM computers WHERE timer = 0 AND pretime = 0 AND \"user\" = 0 ORDER BY aa")
                .arg(kComputerColumns)),
        computerFrom);
}

Result<QList<ComputerRow>> RosterBook::computersWithIp(const QString &ip)
{
    return SqlStore::collect<ComputerRow>(
        sql(), run(QStringLiteral("SELECT %1 FROM computers WHERE ip = ? ORDER BY aa").arg(kComputerColumns), {ip}),
        computerFrom);
}

Result<QList<ComputerRow>> RosterBook::computersNamed(const QString &name)
{
    return SqlStore::collect<ComputerRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM computers WHERE pcname = ? ORDER BY aa").arg(kComputerColumns), {name}),
        computerFrom);
}

Result<void> RosterBook::setFlag(const QString &pcname, ComputerFlag flag, const QVariant &value)
{
    return write(QStringLiteral("UPDATE computers SET %1 = ? WHERE pcname = ?").arg(flagColumn(flag)),
                 {int(yesNo(value)), pcname});
}

Result<void> RosterBook::savePosition(const QString &pcname, int left, int top)
{
    return write(QStringLiteral("UPDATE computers SET \"left\" = ?, top = ? WHERE aa ="
                                " (SELECT min(aa) FROM computers WHERE pcname = ?)"),
                 {left, top, pcname});
}

Result<qint64> RosterBook::addComputer(const ComputerRow &r)
{
    auto q = run(QStringLiteral("INSERT INTO computers (pcname, ip, \"left\", top, timer, pretime, \"user\")"
                                " SELECT ?, ?, ?, ?, ?, ?, ? WHERE NOT EXISTS (%1) RETURNING aa")
                     .arg(kOtherComputerNamed),
                 {r.pcname.trimmed(), r.ip, r.left, r.top, int(r.timer), int(r.pretime), int(r.user), QVariant(),
                  nameKey(r.pcname)});
    if (!q)
        return failure(lastError());
    // No row comes back when the name is taken.
    if (!q->next())
        return failure(nameTaken(r.pcname));
    return q->value(0).toLongLong();
}

Result<QList<ComputerRow>> RosterBook::computersAfter(qint64 after, int limit)
{
    return SqlStore::collect<ComputerRow>(
        sql(),
        run(QStringLiteral("SELECT %1 FROM computers WHERE aa > ? ORDER BY aa LIMIT ?").arg(kComputerColumns),
            {after, limit}),
        computerFrom);
}

Result<void> RosterBook::renameComputer(qint64 aa, const QString &pcname, const QString &ip)
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

Result<void> RosterBook::deleteComputer(qint64 aa)
{
    if (!exec(QStringLiteral("DELETE FROM computers WHERE aa = ?"), {aa}))
        return failure(lastError());
    return {};
}
