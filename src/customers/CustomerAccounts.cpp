#include "customers/CustomerAccounts.h"

#include "base/Clock.h"
#include "base/Format.h"
#include "engine/Tariff.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

namespace {
// A draw that keeps finding taken PINs means something is wrong with the
// source; the operator hears of it instead of the window hanging.
constexpr int kMaxDraws = 1000;

Failure storeFailure(const SqlStore &store, const QString &what)
{
    return failure(QStringLiteral("%1: %2").arg(what, store.lastError()));
}
} // namespace

CustomerAccounts::CustomerAccounts(CustomerStore &customers, CafeStore &cafe, const Clock &clock, Uniform uniform)
    : m_customers(customers)
    , m_cafe(cafe)
    , m_clock(clock)
    , m_uniform(std::move(uniform))
{
    if (!m_uniform)
        m_uniform = [] { return QRandomGenerator::system()->generateDouble(); };
}

Result<QList<CustomerRow>> CustomerAccounts::page(qint64 after, int limit)
{
    return m_customers.accountsAfter(after, limit);
}

Result<CustomerRow> CustomerAccounts::account(qint64 aa)
{
    const auto row = m_customers.account(aa);
    if (!row)
        return storeFailure(m_customers, QStringLiteral("The customer cannot be read"));
    if (!*row)
        return failure(QStringLiteral("This customer no longer exists."));
    return **row;
}

Result<bool> CustomerAccounts::nameTaken(const QString &name, const QString &lastname)
{
    const auto rows = m_customers.accountsNamed(name, lastname);
    if (!rows)
        return failure(rows.error());
    return !rows->isEmpty();
}

Result<qint64> CustomerAccounts::addUser(const QString &name, const QString &lastname, const QString &telephone,
                                         qint64 minutes, const Payment &payment)
{
    if (minutes > 0)
        if (const auto refused = refusal(payment))
            return failure(*refused);
    const Result<QString> pin = drawPin();
    if (!pin)
        return failure(pin.error());
    CustomerRow row;
    row.name = name;
    row.lastname = lastname;
    row.telephone = telephone;
    row.password = *pin;
    // The time comes through the sale, so that no minutes are given
    // without the money taken for them on record.
    const Result<qint64> aa = m_customers.addAccount(row);
    if (!aa || minutes <= 0)
        return aa;
    row.aa = *aa;
    if (const Result<void> sold = sell(row, minutes, payment); !sold)
        return failure(QStringLiteral("%1 %2 was added without time: %3\nAdd the time from the customer window.")
                           .arg(name, lastname, sold.error()));
    return aa;
}

Result<void> CustomerAccounts::addTime(qint64 aa, qint64 minutes, const Payment &payment)
{
    if (const auto refused = refusal(payment))
        return failure(*refused);
    const Result<CustomerRow> current = readyForTime(aa);
    if (!current)
        return failure(current.error());
    return sell(*current, minutes, payment);
}

Result<CustomerRow> CustomerAccounts::readyForTime(qint64 aa)
{
    const Result<CustomerRow> current = account(aa);
    if (!current)
        return current;
    const Result<QString> at = inUseAt(*current);
    if (!at)
        return failure(at.error());
    if (!at->isEmpty())
        return failure(QStringLiteral("%1 %2 is logged on at %3 now. Add the time after the logoff.")
                           .arg(current->name, current->lastname, *at));
    return current;
}

Result<Payment> CustomerAccounts::paymentFrom(const QString &amount, const QString &reason, const QString &seller)
{
    const std::optional<Money> paid = Money::parseCash(amount);
    if (!paid)
        return failure(QStringLiteral("\"%1\" Is Not An Amount").arg(amount));
    Payment p{*paid, reason.trimmed(), seller};
    if (const auto refused = refusal(p))
        return failure(*refused);
    return p;
}

std::optional<QString> CustomerAccounts::refusal(const Payment &payment)
{
    if (payment.amount.units() < 0 || payment.amount.units() > Money::Limit)
        return QStringLiteral("\"%1\" Is Not An Amount").arg(Format::amount(payment.amount));
    if (payment.amount.isZero() && payment.reason.trimmed().isEmpty())
        return QStringLiteral("No Reason Entered");
    return std::nullopt;
}

// Two books, no shared transaction: the sale first, then the minutes with
// a mark of the sale in the customers' book, then the sale marked credited.
// A crash between the steps is settled at the next start by that mark.
Result<void> CustomerAccounts::sell(const CustomerRow &account, qint64 minutes, const Payment &payment)
{
    TimeSaleRow sale;
    sale.at = m_clock.now();
    sale.seller = payment.seller;
    sale.account = account.aa;
    sale.customer = account.name + QLatin1Char(' ') + account.lastname;
    sale.minutes = minutes;
    sale.amount = payment.amount.roundedToCents();
    sale.reason = sale.amount.isZero() ? payment.reason.trimmed() : QString();
    const Result<qint64> key = m_cafe.addSale(sale);
    if (!key)
        return failure(key.error());
    if (const Result<void> credited = m_customers.credit(*key, account.aa, minutes); !credited) {
        m_cafe.dropSale(*key); // when even this fails, the next start drops it
        return credited;
    }
    if (const Result<void> marked = m_cafe.markCredited(*key); !marked)
        return failure(QStringLiteral("The time was added, but the sale is not yet confirmed in the books: %1\n"
                                      "It will be at the next start.")
                           .arg(marked.error()));
    return {};
}

Result<void> CustomerAccounts::settleSales()
{
    const auto open = m_cafe.uncreditedSales();
    if (!open)
        return failure(open.error());
    for (const qint64 sale : *open) {
        const Result<bool> credited = m_customers.credited(sale);
        if (!credited)
            return failure(credited.error());
        if (const Result<void> settled = *credited ? m_cafe.markCredited(sale) : m_cafe.dropSale(sale); !settled)
            return settled;
    }
    return {};
}

Result<QList<TimeSaleRow>> CustomerAccounts::salesOf(qint64 aa) { return m_cafe.salesOf(aa); }

std::optional<Money> CustomerAccounts::offer(qint64 minutes)
{
    const auto rates = m_cafe.rates();
    const auto settings = m_cafe.rateSettings();
    if (!rates || rates->isEmpty() || !settings)
        return std::nullopt;
    const auto charge = Tariff::timeCharge(minutes, Tariff::halfHourPrice(rates->first()), *settings);
    if (!charge)
        return std::nullopt;
    return charge->roundedToCents();
}

Result<QString> CustomerAccounts::inUseAt(const CustomerRow &account)
{
    if (!account.timer)
        return QString();
    // The open account row names the computer; before the charge has
    // started there is only the address the logon came from.
    if (!account.password.isEmpty()) {
        const Result<QString> computer = m_cafe.openAccountComputer(account.password);
        if (!computer || !computer->isEmpty())
            return computer;
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
        return failure(
            QStringLiteral("%1 %2 is logged on at %3 now and cannot be deleted.").arg(c->name, c->lastname, *at));

    // Two files, no shared transaction: the transactions go first, so a
    // failure between the steps leaves the account in the list, where the
    // operator sees it and deletes it again, never transactions of an
    // account that is gone. Another account that shares the PIN (from
    // before PINs were drawn unique) keeps them.
    const auto sharing = m_customers.accountsWithPin(c->password);
    if (!sharing)
        return failure(sharing.error());
    // An account without a PIN owns no transactions; an empty PIN would
    // match the normal ones.
    if (sharing->size() <= 1 && !c->password.isEmpty()) {
        if (const Result<void> gone = m_cafe.deleteAccountTransactions(c->password); !gone)
            return failure(gone.error() + QStringLiteral("\nThe customer was not deleted."));
    }
    if (const Result<void> gone = m_customers.deleteAccount(aa); !gone)
        return failure(QStringLiteral("The transactions of %1 %2 were deleted but the customer was not: %3\n"
                                      "Delete the customer again.")
                           .arg(c->name, c->lastname, gone.error()));
    return {};
}

qint64 CustomerAccounts::pinFrom(double uniform)
{
    constexpr qint64 Pins = 10'000'000;
    // A draw a hair below 1 may round up to the eighth digit.
    return std::clamp(qint64(std::floor(uniform * Pins)), qint64(0), Pins - 1);
}

Result<bool> CustomerAccounts::pinTaken(const QString &pin)
{
    const auto accounts = m_customers.accountsWithPin(pin);
    if (!accounts)
        return failure(accounts.error());
    if (!accounts->isEmpty())
        return true;
    // Transactions left from an account deleted half-way must not pass to a
    // new customer.
    return m_cafe.hasAccountTransactions(pin);
}

Result<QString> CustomerAccounts::drawPin()
{
    for (int i = 0; i < kMaxDraws; ++i) {
        const QString pin = QString::number(pinFrom(m_uniform()));
        const Result<bool> taken = pinTaken(pin);
        if (!taken)
            return failure(taken.error());
        if (!*taken)
            return pin;
    }
    return failure(QStringLiteral("No free PIN could be drawn; the customer was not added."));
}
