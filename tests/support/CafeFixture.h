#pragma once

#include "FakeChannel.h"
#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "SettableClock.h"
#include "engine/Engine.h"
#include "link/Ports.h"
#include "link/TcpChannel.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"

#include <QPointer>
#include <QtTest>
#include <memory>
#include <type_traits>

namespace {
const QDate Day(2026, 3, 2);
// Computers as the roster lists them: name and address.
using Roster = QList<QPair<QString, QString>>;

// Fresh books holding `roster`, and an engine on them that reaches the
// clients through a `Channel`. Every bill the engine opens is kept in `bills`.
template <typename Channel>
struct BasicCafe
{
    TempHome home;
    CafeStore cafe;
    CustomerStore customers;
    Channel channel;
    FakeChannel m_retold; // outlives the engine, which owns what it spawns
    ScriptedPrompter prompter;
    SettableClock clock{QDateTime(Day, QTime(10, 0))};
    std::unique_ptr<Engine> engine;
    QList<QPointer<Bill>> bills;
    qint64 pc1 = 0;
    qint64 pc2 = 0;

    template <typename... ChannelArgs>
    explicit BasicCafe(const Roster &roster, ChannelArgs &&...channelArgs)
        : channel(std::forward<ChannelArgs>(channelArgs)...)
    {
        if (!home.ok() || cafe.open(home.paths().cafeDatabase()) || customers.open(home.paths().customerDatabase()))
            return;
        bool added = true;
        for (const auto &[name, ip] : roster)
            added = cafe.addComputer({0, name, ip, 0, 0, false, false, false}).has_value() && added;
        pc1 = key(QStringLiteral("PC1"));
        pc2 = key(QStringLiteral("PC2"));
        restart();
        m_ok = added;
    }
    bool ok() const { return m_ok; }

    // A new engine on the same books, restoring what they show as running,
    // as at the next start of the console; what the clients are told again
    // goes to `retell`, or nowhere.
    void restart(std::function<CommandChannel *()> retell = {}, bool lockEveryFree = false)
    {
        engine = std::make_unique<Engine>(
            cafe, customers, channel, [this] { return accountChannel(); }, prompter, clock);
        QObject::connect(engine.get(), &Engine::billOpened, engine.get(), [this](Bill *b) { bills.append(b); });
        engine->loadRoster(cafe.computers().value_or(QList<ComputerRow>()));
        engine->loadRateSettings();
        if (!retell)
            retell = [this] { return m_retold.spawn(); };
        engine->restore(retell, lockEveryFree);
    }

    // The computer pressed, the operator's question answered Yes: a normal
    // charge starts, or the running one ends.
    void pressYes(qint64 aa)
    {
        prompter.answer(true);
        engine->startNormal(aa);
    }
    // Started with the operator's Yes, once the client has taken it.
    bool startNormal(qint64 aa)
    {
        pressYes(aa);
        return QTest::qWaitFor([&] { return slot(aa).state == SlotState::Normal && idle(); });
    }
    bool startPrepaid(qint64 aa, qint64 seconds)
    {
        prompter.answer(true);
        engine->startPrepaid(aa, seconds);
        return QTest::qWaitFor([&] { return slot(aa).state == SlotState::Prepaid && idle(); });
    }
    // A charge of `kind` started on aa: "normal", "prepaid" (half an hour)
    // or "account" (an hour, PIN 1234).
    bool start(const QString &kind, qint64 aa)
    {
        if (kind == QLatin1String("normal"))
            return startNormal(aa);
        if (kind == QLatin1String("prepaid"))
            return startPrepaid(aa, 1800);
        engine->startAccount(aa, 60, QStringLiteral("1234"));
        return QTest::qWaitFor([&] { return slot(aa).state == SlotState::Account && idle(); });
    }

    // A normal charge of `seconds` on aa, ended and its bill confirmed: the
    // confirmed row, nothing when any step failed.
    std::optional<KinRow> confirmedCharge(qint64 aa, qint64 seconds)
    {
        const qsizetype before = bills.size();
        if (!startNormal(aa))
            return std::nullopt;
        clock.advance(seconds);
        pressYes(aa);
        if (!QTest::qWaitFor([&] { return bills.size() > before && bills.last(); }))
            return std::nullopt;
        // A confirmed bill closes and goes.
        const qint64 key = bills.last()->transaction();
        if (!bills.last()->confirm() || !QTest::qWaitFor([&] { return idle(); }))
            return std::nullopt;
        return row(key);
    }

    // A customer account with `minutes` of credit; in use as the logon
    // service marks it before the start.
    qint64 addAccount(const QString &pin, qint64 minutes, bool inUse = false)
    {
        return customers.addAccount({0, "Eleni", {}, {}, pin, minutes, 0, minutes, inUse, {}}).value_or(0);
    }
    CustomerRow account(qint64 aa) { return customers.account(aa).value_or(std::nullopt).value_or(CustomerRow()); }

    qint64 key(const QString &name) { return computer(name).aa; }
    const Slot &slot(qint64 aa) const { return *engine->slot(aa); }
    const Slot &slot(const QString &name) { return slot(key(name)); }
    QList<KinRow> rows()
    {
        QList<KinRow> list;
        auto q = cafe.run(QStringLiteral("SELECT aa FROM kin ORDER BY aa"));
        while (q && q->next())
            list << *cafe.transaction(q->value(0).toLongLong());
        return list;
    }
    KinRow row(qint64 key) { return cafe.transaction(key).value_or(KinRow()); }
    ComputerRow computer(qint64 aa)
    {
        for (const ComputerRow &r : cafe.computers().value_or(QList<ComputerRow>()))
            if (r.aa == aa)
                return r;
        return {};
    }
    ComputerRow computer(const QString &name)
    {
        for (const ComputerRow &r : cafe.computers().value_or(QList<ComputerRow>()))
            if (r.pcname == name)
                return r;
        return {};
    }
    bool idle() const { return !channel.isBusy() && engine->startingAccounts().isEmpty(); }
    // A customer's start goes on a channel of its own, as in the console.
    CommandChannel *accountChannel()
    {
        if constexpr (std::is_same_v<Channel, FakeChannel>) {
            return channel.spawn();
        } else {
            auto *c = new TcpChannel(channel.port());
            c->setTimeoutMs(channel.timeoutMs());
            return c;
        }
    }

private:
    bool m_ok = false;
};

// PC1, PC2, ... at 127.0.0.11, 127.0.0.12, ...; a fake channel that
// connects unless told otherwise and records what is sent.
struct Cafe : BasicCafe<FakeChannel>
{
    static Roster numbered(int computers)
    {
        Roster r;
        for (int i = 1; i <= computers; ++i)
            r.append({QStringLiteral("PC%1").arg(i), QStringLiteral("127.0.0.1%1").arg(i)});
        return r;
    }
    explicit Cafe(int computers = 2)
        : BasicCafe(numbered(computers))
    {}
};

// The real socket channel on `ports`, for tests against korvane-client
// agents (LinkTestSupport.h); a silent client costs a second.
struct LiveCafe : BasicCafe<TcpChannel>
{
    LiveCafe(const Ports &p, const Roster &roster)
        : BasicCafe(roster, p.command)
        , ports(p)
    {
        channel.setTimeoutMs(1000);
    }
    Ports ports;
};
} // namespace
