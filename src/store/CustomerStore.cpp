#include "store/CustomerStore.h"

namespace {
const QString kColumns =
    QStringLiteral("aa, name, lastname, telephone, password, \"time\", usedtime, timeleft, timer, pcused");

CustomerRow customerFrom(const QSqlQuery &q)
{
    CustomerRow c;
    c.aa = q.value(0).toLongLong();
    c.name = q.value(1).toString();
    c.lastname = q.value(2).toString();
    c.telephone = q.value(3).toString();
    c.password = q.value(4).toString();
    c.time = q.value(5).toLongLong();
    c.usedtime = q.value(6).toLongLong();
    c.timeleft = q.value(7).toLongLong();
    c.timer = q.value(8).toInt() != 0;
    c.pcused = q.value(9).toString();
    return c;
}
} // namespace

Result<QList<CustomerRow>> CustomerStore::accounts()
{
    return collect<CustomerRow>(*this, run(QStringLiteral("SELECT %1 FROM users ORDER BY aa").arg(kColumns)),
                                customerFrom);
}

Result<QList<CustomerRow>> CustomerStore::accountsWithPin(const QString &pin)
{
    return collect<CustomerRow>(
        *this, run(QStringLiteral("SELECT %1 FROM users WHERE password = ? ORDER BY aa").arg(kColumns), {pin}),
        customerFrom);
}

Result<std::optional<CustomerRow>> CustomerStore::account(qint64 aa)
{
    auto rows = collect<CustomerRow>(
        *this, run(QStringLiteral("SELECT %1 FROM users WHERE aa = ?").arg(kColumns), {aa}), customerFrom);
    if (!rows)
        return failure(rows.error());
    return rows->isEmpty() ? std::optional<CustomerRow>() : std::optional(rows->first());
}

Result<qint64> CustomerStore::addAccount(const CustomerRow &c)
{
    auto q = run(QStringLiteral("INSERT INTO users (name, lastname, telephone, password, \"time\", usedtime, timeleft,"
                                " timer, pcused) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING aa"),
                 {c.name, c.lastname, c.telephone, c.password, c.time, c.usedtime, c.timeleft, int(c.timer),
                  c.pcused.isNull() ? QVariant() : QVariant(c.pcused)});
    if (!q)
        return failure(lastError());
    if (!q->next())
        return failure(lastError());
    return q->value(0).toLongLong();
}

Result<void> CustomerStore::updateAccount(const CustomerRow &c)
{
    return write(QStringLiteral("UPDATE users SET name = ?, lastname = ?, telephone = ?, password = ?, \"time\" = ?,"
                                " usedtime = ?, timeleft = ?, timer = ?, pcused = ? WHERE aa = ?"),
                 {c.name, c.lastname, c.telephone, c.password, c.time, c.usedtime, c.timeleft, int(c.timer),
                  c.pcused.isNull() ? QVariant() : QVariant(c.pcused), c.aa});
}

Result<bool> CustomerStore::claim(qint64 aa, const QString &peer)
{
    auto q = run(QStringLiteral("UPDATE users SET timer = 1, pcused = ? WHERE aa = ? AND timer = 0 AND timeleft >= 2"),
                 {peer, aa});
    if (!q)
        return failure(lastError());
    return q->numRowsAffected() > 0;
}

Result<int> CustomerStore::spend(const QString &pin, qint64 used)
{
    const QString left = QStringLiteral("CASE WHEN timeleft > ? THEN timeleft - ? ELSE 0 END");
    auto q = run(QStringLiteral("UPDATE users SET timeleft = %1, \"time\" = %1, usedtime = usedtime + ?, timer = 0"
                                " WHERE password = ? AND timer <> 0")
                     .arg(left),
                 {used, used, used, used, used, pin});
    if (!q)
        return failure(lastError());
    return q->numRowsAffected();
}

Result<void> CustomerStore::release(const QString &pin)
{
    return write(QStringLiteral("UPDATE users SET timer = 0 WHERE password = ? AND timer <> 0"), {pin});
}

Result<void> CustomerStore::release(qint64 aa)
{
    return write(QStringLiteral("UPDATE users SET timer = 0 WHERE aa = ?"), {aa});
}

Result<QList<CustomerRow>> CustomerStore::accountsNamed(const QString &name, const QString &lastname)
{
    return collect<CustomerRow>(
        *this,
        run(QStringLiteral("SELECT %1 FROM users WHERE fold(name) = ? AND fold(lastname) = ? ORDER BY aa")
                .arg(kColumns),
            {fold(name), fold(lastname)}),
        customerFrom);
}

Result<QList<CustomerRow>> CustomerStore::accountsAfter(qint64 after, int limit)
{
    return collect<CustomerRow>(
        *this,
        run(QStringLiteral("SELECT %1 FROM users WHERE aa > ? ORDER BY aa LIMIT ?").arg(kColumns), {after, limit}),
        customerFrom);
}

Result<void> CustomerStore::credit(qint64 sale, qint64 aa, qint64 minutes)
{
    bool gone = false;
    const Result<void> done = atomically([&] {
        auto had = run(QStringLiteral("SELECT 1 FROM credits WHERE sale = ?"), {sale});
        if (!had)
            return false;
        if (had->next())
            return true;
        auto q = run(QStringLiteral("UPDATE users SET \"time\" = \"time\" + ?, timeleft = timeleft + ?, usedtime = 0"
                                    " WHERE aa = ?"),
                     {minutes, minutes, aa});
        if (!q)
            return false;
        gone = q->numRowsAffected() < 1;
        return !gone && exec(QStringLiteral("INSERT INTO credits (sale, account) VALUES (?, ?)"), {sale, aa});
    });
    if (gone)
        return failure(QStringLiteral("This customer no longer exists."));
    if (!done)
        return failure(QStringLiteral("The time was not added: %1").arg(done.error()));
    return {};
}

Result<bool> CustomerStore::credited(qint64 sale)
{
    auto q = run(QStringLiteral("SELECT 1 FROM credits WHERE sale = ?"), {sale});
    if (!q)
        return failure(lastError());
    return q->next();
}

Result<void> CustomerStore::deleteAccount(qint64 aa)
{
    if (!exec(QStringLiteral("DELETE FROM users WHERE aa = ?"), {aa}))
        return failure(lastError());
    return {};
}
