#pragma once

#include "FakeChannel.h"
#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "engine/Engine.h"
#include "link/Ports.h"
#include "link/TransferWindow.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {
const QDate Day(2026, 3, 2);

// Four computers on fresh books, an engine on them, and a transfer window
// whose two channels are fakes: the first made is the new computer's, the
// second the old one's.
struct TransferCafe
{
    TempHome home;
    CafeStore cafe;
    CustomerStore customers;
    FakeChannel channel;
    ScriptedPrompter prompter;
    SettableClock clock{QDateTime(Day, QTime(10, 0))};
    std::unique_ptr<Engine> engine;
    std::unique_ptr<TransferWindow> window;
    FakeChannel *newChannel = nullptr;
    FakeChannel *oldChannel = nullptr;
    qint64 pc[5] = {};

    TransferCafe()
    {
        if (!home.ok() || cafe.open(home.paths().cafeDatabase()) || customers.open(home.paths().customerDatabase()))
            return;
        for (int i = 1; i <= 4; ++i)
            pc[i] = cafe.addComputer({0, QStringLiteral("PC%1").arg(i), QStringLiteral("127.0.0.1%1").arg(i), 0, 0,
                                      false, false, false})
                        .value_or(0);
        engine = std::make_unique<Engine>(cafe, customers, channel, prompter, clock);
        engine->loadRoster(cafe.computers().value_or(QList<ComputerRow>()));
        engine->loadRateSettings();
        window = std::make_unique<TransferWindow>(*engine, cafe, prompter, clock, Ports());
        window->setChannelFactory([this]() -> CommandChannel * {
            auto *made = new FakeChannel;
            (newChannel ? oldChannel : newChannel) = made;
            return made;
        });
    }
    bool ok() const { return pc[4] != 0; }

    bool startNormal(qint64 aa)
    {
        prompter.answer(true);
        engine->startnormal(aa);
        return QTest::qWaitFor([&] { return slot(aa).state == SlotState::Normal && !channel.isBusy(); });
    }
    bool startPrepaid(qint64 aa, qint64 seconds)
    {
        prompter.answer(true);
        engine->startprepaid(aa, seconds);
        return QTest::qWaitFor([&] { return slot(aa).state == SlotState::Prepaid && !channel.isBusy(); });
    }

    const Slot &slot(qint64 aa) const { return *engine->slot(aa); }
    ComputerRow computer(qint64 aa)
    {
        for (const ComputerRow &r : cafe.computers().value_or(QList<ComputerRow>()))
            if (r.aa == aa)
                return r;
        return {};
    }
    KinRow row(qint64 key) { return cafe.transaction(key).value_or(KinRow()); }

    template<typename T>
    T *find(const QString &name) const { return window->findChild<T *>(name); }
    QString text(int n) const { return find<QLineEdit>(QStringLiteral("Text%1").arg(n))->text(); }
    QComboBox *combo() const { return find<QComboBox>(QStringLiteral("Combo1")); }
    QPushButton *okButton() const { return find<QPushButton>(QStringLiteral("Command1")); }
    QStringList listed() const
    {
        QStringList items;
        for (int i = 0; i < combo()->count(); ++i)
            items << combo()->itemText(i);
        return items;
    }
    void choose(const QString &name) { combo()->setCurrentIndex(combo()->findText(name)); }
    // Chooses, presses OK and answers the question.
    void move(const QString &name, bool yes = true)
    {
        choose(name);
        prompter.answer(yes);
        okButton()->click();
    }
};
} // namespace
