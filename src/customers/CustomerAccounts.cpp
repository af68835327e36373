#include "customers/CustomerAccounts.h"

#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QRandomGenerator>
#include <cmath>

namespace {
const QString kColumns = QStringLiteral(
    "aa, name, lastname, telephone, password, \"time\", usedtime, timeleft, timer, pcused");

// A draw that keeps finding taken PINs means something is wrong with the
// source; the operator hears of it instead of the window hanging.
constexpr int kMaxDraws = 1000;

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

Failure storeFailure(const SqlStore &store, const QString &what)
{
    return failure(QStringLiteral("%1: %2").arg(what, store.lastError()));
}
} // namespace

CustomerAccounts::CustomerAccounts(CustomerStore &customers, CafeStore &cafe, const Clock &clock, Uniform uniform)
    : m_customers(customers), m_cafe(cafe), m_clock(clock), m_uniform(std::move(uniform))
{
    if (!m_uniform)
        m_uniform = [] { return QRandomGenerator::system()->generateDouble(); };
}

Result<QList<CustomerRow>> CustomerAccounts::page(qint64 after, int limit)
{
    auto q = m_customers.run(QStringLiteral("SELECT %1 FROM users WHERE aa > ? ORDER BY aa LIMIT ?").arg(kColumns),
                             {after, limit});
    if (!q)
        return storeFailure(m_customers, QStringLiteral("The customers cannot be read"));
    QList<CustomerRow> rows;
    while (q->next())
        rows.append(customerFrom(*q));
    return rows;
}

Result<CustomerRow> CustomerAccounts::account(qint64 aa)
{
    auto q = m_customers.run(QStringLiteral("SELECT %1 FROM users WHERE aa = ?").arg(kColumns), {aa});
    if (!q)
        return storeFailure(m_customers, QStringLiteral("The customer cannot be read"));
    if (!q->next())
        return failure(QStringLiteral("This customer no longer exists."));
    return customerFrom(*q);
}

Result<bool> CustomerAccounts::nameTaken(const QString &name, const QString &lastname)
{
    const auto rows = m_customers.accountsNamed(name, lastname);
    if (!rows)
        return storeFailure(m_customers, QStringLiteral("The customers cannot be read"));
    return !rows->isEmpty();
}

Result<qint64> CustomerAccounts::adduser(const QString &name, const QString &lastname, const QString &telephone,
                                         qint64 minutes)
{
    const Result<QString> pin = drawPin();
    if (!pin)
        return failure(pin.error());
    CustomerRow row;
    row.name = name;
    row.lastname = lastname;
    row.telephone = telephone;
    row.password = *pin;
    row.time = minutes;
    row.timeleft = minutes;
    const auto aa = m_customers.addAccount(row);
    if (!aa)
        return storeFailure(m_customers, QStringLiteral("The customer was not added"));
    return *aa;
}

Result<void> CustomerAccounts::addTime(qint64 aa, qint64 minutes)
{
    const Result<CustomerRow> current = account(aa);
    if (!current)
        return failure(current.error());
    const Result<QString> at = inUseAt(*current);
    if (!at)
        return failure(at.error());
    // The charge running there would write back its own figure at logoff
    // and the minutes added now would be lost.
    if (!at->isEmpty())
        return failure(QStringLiteral("%1 %2 is logged on at %3 now. Add the time after the logoff.")
                           .arg(current->name, current->lastname, *at));
    auto q = m_customers.run(QStringLiteral("UPDATE users SET \"time\" = \"time\" + ?, timeleft = timeleft + ?,"
                                            " usedtime = 0 WHERE aa = ?"),
                             {minutes, minutes, aa});
    if (!q)
        return storeFailure(m_customers, QStringLiteral("The time was not added"));
    if (q->numRowsAffected() < 1)
        return failure(QStringLiteral("This customer no longer exists."));
    return {};
}

Result<QString> CustomerAccounts::inUseAt(const CustomerRow &account)
{
    if (!account.timer)
        return QString();
    // The open account row names the computer; before the charge has
    // started there is only the address the logon came from.
    if (!account.password.isEmpty()) {
        auto q = m_cafe.run(
            QStringLiteral("SELECT computer FROM kin WHERE userenab = 1 AND userpin = ? ORDER BY aa DESC"),
            {account.password});
        if (!q)
            return storeFailure(m_cafe, QStringLiteral("The transactions cannot be read"));
        if (q->next() && !q->value(0).toString().isEmpty())
            return q->value(0).toString();
    }
    if (account.pcused.isEmpty())
        return QStringLiteral("a computer");
    const auto computers = m_cafe.computersWithIp(account.pcused);
    if (computers && !computers->isEmpty())
        return computers->last().pcname;
    return account.pcused;
}

Result<void> CustomerAccounts::deleteCustomer(qint64 aa)
{
    const Result<CustomerRow> c = account(aa);
    if (!c)
        return failure(c.error());
    const Result<QString> at = inUseAt(*c);
    if (!at)
        return failure(at.error());
    if (!at->isEmpty())
        return failure(QStringLiteral("%1 %2 is logged on at %3 now and cannot be deleted.")
                           .arg(c->name, c->lastname, *at));

    // Two files, no shared transaction: the transactions go first, so a
    // failure between the steps leaves the account in the list, where the
    // operator sees it and deletes it again, never transactions of an
    // account that is gone. Another account that shares the PIN (from
    // before PINs were drawn unique) keeps them.
    const auto sharing = m_customers.accountsWithPin(c->password);
    if (!sharing)
        return storeFailure(m_customers, QStringLiteral("The customer was not deleted"));
    // An account without a PIN owns no transactions; an empty PIN would
    // match the normal ones.
    if (sharing->size() <= 1 && !c->password.isEmpty()) {
        const bool deleted = m_cafe.atomically([this, &c] {
            return m_cafe.exec(QStringLiteral("DELETE FROM extra WHERE \"key\" IN"
                                              " (SELECT aa FROM kin WHERE userpin = ?)"),
                               {c->password})
                   && m_cafe.exec(QStringLiteral("DELETE FROM kin WHERE userpin = ?"), {c->password});
        });
        if (!deleted)
            return storeFailure(m_cafe, QStringLiteral("The customer was not deleted"));
    }
    if (!m_customers.exec(QStringLiteral("DELETE FROM users WHERE aa = ?"), {aa}))
        return storeFailure(m_customers, QStringLiteral("The transactions of %1 %2 were deleted but the customer was"
                                                        " not; delete the customer again")
                                             .arg(c->name, c->lastname));
    return {};
}

qint64 CustomerAccounts::pinFrom(double r1, double r2, int seconds)
{
    return qint64(std::floor(r1 * 999999)) + 9 * qint64(std::floor(seconds * r2));
}

Result<bool> CustomerAccounts::pinTaken(const QString &pin)
{
    const auto accounts = m_customers.accountsWithPin(pin);
    if (!accounts)
        return storeFailure(m_customers, QStringLiteral("The customers cannot be read"));
    if (!accounts->isEmpty())
        return true;
    // Transactions left from an account deleted half-way must not pass to a
    // new customer.
    auto q = m_cafe.run(QStringLiteral("SELECT 1 FROM kin WHERE type = 'user' AND userpin = ? LIMIT 1"), {pin});
    if (!q)
        return storeFailure(m_cafe, QStringLiteral("The transactions cannot be read"));
    return q->next();
}

Result<QString> CustomerAccounts::drawPin()
{
    for (int i = 0; i < kMaxDraws; ++i) {
        const double r1 = m_uniform();
        const double r2 = m_uniform();
        const QString pin = QString::number(pinFrom(r1, r2, m_clock.now().time().second()));
        const Result<bool> taken = pinTaken(pin);
        if (!taken)
            return failure(taken.error());
        if (!*taken)
            return pin;
    }
    return failure(QStringLiteral("No free PIN could be drawn; the customer was not added."));
}
