#include "engine/CustomerLogon.h"

#include "engine/Engine.h"
#include "link/Protocol.h"
#include "store/CustomerStore.h"

namespace {
LogonRules::Answer refusal(const QByteArray &text)
{
    return {LogonRules::Answer::Kind::Refused, text, 0};
}
} // namespace

CustomerLogon::Hooks CustomerLogon::hooksOn(Engine &engine)
{
    return {[&engine](qint64 aa) {
                const Slot *s = engine.slot(aa);
                return s ? s->state : SlotState::Free;
            },
            [&engine](qint64 aa, qint64 minutes, const QString &pin) { engine.startAccount(aa, minutes, pin); },
            [&engine](qint64 aa, const QDateTime &at) { engine.endAccount(aa, at); },
            [&engine](qint64 aa) { return engine.startingAccounts().contains(aa); }};
}

CustomerLogon::CustomerLogon(CustomerStore &customers, Hooks engine)
    : m_customers(customers)
    , m_engine(std::move(engine))
{}

Result<LogonRules::Answer> CustomerLogon::pin(qint64 aa, const QString &peer, const QString &pin)
{
    // A charge already runs there (the client rebooted, or lies): starting an
    // account on top of it would orphan that charge. One start at a time
    // goes to a computer, however often its customer sends his PIN.
    if (m_engine.statusOf(aa) != SlotState::Free || m_engine.starting(aa))
        return refusal(Protocol::computerBusy());
    const auto accounts =
        pin.isEmpty() ? Result<QList<CustomerRow>>(QList<CustomerRow>()) : m_customers.accountsWithPin(pin);
    if (!accounts)
        return failure(accounts.error());
    if (accounts->isEmpty())
        return Answer{Answer::Kind::UnknownPin, Protocol::invalidPassword(), 0};
    for (const CustomerRow &a : *accounts) {
        // A minute left is not worth a logon: it would end as it begins.
        if (a.timeleft < 2)
            return refusal(Protocol::timeExpired());
        if (a.timer)
            return refusal(Protocol::pinInUse());
    }
    // Taken by one conditional write: the other counter may take it meanwhile.
    const CustomerRow &account = accounts->first();
    const Result<bool> taken = m_customers.claim(account.aa, peer);
    if (!taken)
        return failure(taken.error());
    if (!*taken) {
        const auto now = m_customers.account(account.aa);
        const bool spent = now && *now && (*now)->timeleft < 2;
        return refusal(spent ? Protocol::timeExpired() : Protocol::pinInUse());
    }
    m_engine.startAccount(aa, account.timeleft, account.password);
    return Answer{Answer::Kind::Accepted, {}, account.timeleft};
}

bool CustomerLogon::closeme(qint64 aa, const QDateTime &at)
{
    // Only a customer-account charge ends here; anything else stays as it is.
    if (m_engine.statusOf(aa) != SlotState::Account)
        return false;
    m_engine.endAccount(aa, at);
    return true;
}

Result<void> CustomerLogon::accountStartFailed(const QString &pin)
{
    return m_customers.release(pin);
}
