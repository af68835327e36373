#pragma once

#include "link/LogonPort.h"
#include "store/ChargeKinds.h"

#include <functional>

class CustomerStore;
class Engine;

// The customers' own logon: a PIN starts a customer-account time charge on
// the computer it came from, or is refused with the text its client shows;
// "closeme" ends that computer's customer-account charge.
class CustomerLogon : public LogonRules
{
public:
    // What the rules need of the time-charge engine.
    struct Hooks
    {
        std::function<SlotState(qint64 aa)> statusOf;
        std::function<void(qint64 aa, qint64 minutes, const QString &pin)> startAccount;
        // `at`: when the customer left, if not now.
        std::function<void(qint64 aa, const QDateTime &at)> endAccount;
        // Whether an account start is on its way to the computer.
        std::function<bool(qint64 aa)> starting;
    };
    // The hooks on the console's engine, which must outlive the rules.
    static Hooks hooksOn(Engine &engine);

    CustomerLogon(CustomerStore &customers, Hooks engine);

    Result<Answer> pin(qint64 aa, const QString &peer, const QString &pin) override;
    bool closeme(qint64 aa, const QDateTime &at) override;
    // The "startuser" command could not be delivered: the account is free again.
    Result<void> accountStartFailed(const QString &pin);

private:
    CustomerStore &m_customers;
    Hooks m_engine;
};
