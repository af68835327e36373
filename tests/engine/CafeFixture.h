#pragma once

#include "FakeChannel.h"
#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "engine/Engine.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QtTest>
#include <memory>

namespace {
const QDate Day(2026, 3, 2);

// A fresh installation with two computers, and an engine on it.
struct Cafe
{
    TempHome home;
    CafeStore cafe;
    CustomerStore customers;
    FakeChannel channel;
    ScriptedPrompter prompter;
    SettableClock clock{QDateTime(Day, QTime(10, 0))};
    std::unique_ptr<Engine> engine;
    qint64 pc1 = 0;
    qint64 pc2 = 0;

    Cafe()
    {
        if (!home.ok() || cafe.open(home.paths().cafeDatabase()) || customers.open(home.paths().customerDatabase()))
            return;
        pc1 = cafe.addComputer({0, QStringLiteral("PC1"), QStringLiteral("127.0.0.11"), 0, 0, false, false, false}).value_or(0);
        pc2 = cafe.addComputer({0, QStringLiteral("PC2"), QStringLiteral("127.0.0.12"), 0, 0, false, false, false}).value_or(0);
        restart();
    }

    // A new engine on the same books, as at the next start of the console.
    void restart()
    {
        engine = std::make_unique<Engine>(cafe, customers, channel, prompter, clock);
        engine->loadRoster(cafe.computers().value_or(QList<ComputerRow>()));
        engine->loadRateSettings();
        engine->restorenormal();
        engine->restoreprepaid();
        engine->restoreaccount();
    }

    const Slot &slot(qint64 aa) const { return *engine->slot(aa); }
    QList<KinRow> rows()
    {
        QList<KinRow> list;
        auto q = cafe.run(QStringLiteral("SELECT aa FROM kin ORDER BY aa"));
        while (q && q->next())
            list << *cafe.transaction(q->value(0).toLongLong());
        return list;
    }
    ComputerRow computer(qint64 aa)
    {
        for (const ComputerRow &r : cafe.computers().value_or(QList<ComputerRow>()))
            if (r.aa == aa)
                return r;
        return {};
    }
    bool idle() const { return !channel.isBusy(); }
};
} // namespace
