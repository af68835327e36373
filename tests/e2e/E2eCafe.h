#pragma once

// The console's logic as the main window wires it, on fresh books, with the
// real socket channel: what a test does to the engine reaches real
// korvane-client processes, and what they answer comes back the same way.

#include "../link/LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "engine/Engine.h"
#include "link/Ports.h"
#include "link/TcpChannel.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QtTest>
#include <memory>

namespace e2e {

const QDateTime Opening(QDate(2026, 3, 2), QTime(10, 0, 30));

struct Cafe
{
    explicit Cafe(const Ports &p) : ports(p), channel(p.command)
    {
        // Short enough that a silent client costs the suite little.
        channel.setTimeoutMs(1000);
        ok = home.ok() && !cafe.open(home.paths().cafeDatabase()) && !customers.open(home.paths().customerDatabase());
    }

    // Adds the computers (name, address) and starts the engine on them, as
    // at the console's start.
    bool start(const QList<QPair<QString, QString>> &roster)
    {
        for (const auto &[name, ip] : roster) {
            const auto aa = cafe.addComputer({0, name, ip, 0, 0, false, false, false});
            if (!aa)
                return false;
            keys.insert(name, *aa);
        }
        restart();
        return ok;
    }

    // A new engine on the same books, restoring what they show as running,
    // as at the next start of the console.
    void restart()
    {
        engine = std::make_unique<Engine>(cafe, customers, channel, prompter, clock);
        QObject::connect(engine.get(), &Engine::billOpened, engine.get(), [this](Bill *b) { bills.append(b); });
        QObject::connect(engine.get(), &Engine::pictureChanged, engine.get(),
                         [this](qint64 aa, Picture p) { pictures.append({aa, p}); });
        engine->loadRoster(cafe.computers().value_or(QList<ComputerRow>()));
        engine->loadRateSettings();
        engine->restorenormal();
        engine->restoreprepaid();
        engine->restoreaccount();
    }

    qint64 key(const QString &name) const { return keys.value(name); }
    const Slot &slot(const QString &name) const { return *engine->slot(key(name)); }
    SlotState status(qint64 aa) const
    {
        const Slot *s = engine->slot(aa);
        return s ? s->state : SlotState::Free;
    }

    QList<KinRow> rows()
    {
        QList<KinRow> list;
        auto q = cafe.run(QStringLiteral("SELECT aa FROM kin ORDER BY aa"));
        while (q && q->next())
            list << *cafe.transaction(q->value(0).toLongLong());
        return list;
    }
    ComputerRow computer(const QString &name)
    {
        for (const ComputerRow &r : cafe.computers().value_or(QList<ComputerRow>()))
            if (r.pcname == name)
                return r;
        return {};
    }
    bool idle() const { return !channel.isBusy(); }

    Ports ports;
    TempHome home;
    CafeStore cafe;
    CustomerStore customers;
    TcpChannel channel;
    ScriptedPrompter prompter;
    SettableClock clock{Opening};
    std::unique_ptr<Engine> engine;
    QHash<QString, qint64> keys;
    QList<QPointer<Bill>> bills;
    QList<std::pair<qint64, Picture>> pictures;
    bool ok = false;
};

} // namespace e2e
