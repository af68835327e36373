#include "CafeFixture.h"
#include "RefuseWrites.h"
#include "base/Format.h"
#include "console/Shifts.h"

#include <QSignalSpy>

namespace {
QList<bool> flagsOf(const ComputerRow &r) { return {r.timer, r.pretime, r.user}; }
} // namespace

// Money is never lost or counted twice: starts on busy computers, bills
// closed unconfirmed, books that refuse a write, and sends that fail after
// the charge was recorded.
class TestMoneySafety : public QObject
{
    Q_OBJECT
private slots:
    void noStartOnABusyComputer_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<QString>("start");
        for (const char *running : {"normal", "prepaid", "account"})
            for (const char *start : {"account", "prepaid"})
                QTest::newRow(qPrintable(QStringLiteral("%1 then %2").arg(running, start))) << running << start;
    }

    void noStartOnABusyComputer()
    {
        QFETCH(QString, running);
        QFETCH(QString, start);
        Cafe c;
        QVERIFY(c.start(running, c.pc1));
        const SlotState before = c.slot(c.pc1).state;
        const qint64 key = c.slot(c.pc1).transaction;
        const ComputerRow flags = c.computer(c.pc1);
        const int opened = c.channel.openCount();
        QSignalSpy refused(c.engine.get(), &Engine::accountStartFailed);

        c.prompter.answer(true);
        start == QLatin1String("account") ? c.engine->startAccount(c.pc1, 90, QStringLiteral("9999"))
                                          : c.engine->startPrepaid(c.pc1, 1800);

        QCOMPARE(c.slot(c.pc1).state, before);
        QCOMPARE(flagsOf(c.computer(c.pc1)), flagsOf(flags));
        // Nothing sent, the same transaction, no other row; a customer's start is refused aloud.
        QCOMPARE((QList<qint64>{c.channel.openCount(), c.slot(c.pc1).transaction, c.rows().size(), refused.size()}),
                 (QList<qint64>{opened, key, 1, start == QLatin1String("account")}));
    }

    void unconfirmedBillSurvivesARestart_data()
    {
        QTest::addColumn<bool>("prepaid");
        QTest::newRow("normal, charge and lock") << false;
        QTest::newRow("prepaid, run out") << true;
    }

    void unconfirmedBillSurvivesARestart()
    {
        QFETCH(bool, prepaid);
        Cafe c;
        QVERIFY(prepaid ? c.startPrepaid(c.pc1, 1800) : c.startNormal(c.pc1));
        const qint64 key = c.slot(c.pc1).transaction;
        c.clock.advance(prepaid ? 31 * 60 : 36 * 60);
        prepaid ? c.engine->checkPrepaidExpiry(c.pc1) : c.pressYes(c.pc1);
        QTRY_COMPARE(c.bills.size(), 1);
        QTRY_VERIFY(c.idle());
        const QString total = c.bills.first()->totalText();
        const QDateTime end = c.bills.first()->end();

        // The end is in the books before anyone confirms.
        QVERIFY(!c.computer(c.pc1).timer && !c.computer(c.pc1).pretime);
        QVERIFY(!c.row(key).totaltime.isEmpty());

        // Closing unconfirmed asks; No keeps the bill on screen.
        c.prompter.answer(false);
        QVERIFY(!c.bills.first()->mayClose());
        c.prompter.answer(true);
        QVERIFY(c.bills.first()->mayClose());
        QVERIFY(c.prompter.last().startsWith(QStringLiteral("The bill of PC1 is not confirmed.")));
        c.bills.first()->close();

        // A restart two hours later neither runs the charge again nor forgets it.
        c.clock.advance(2 * 3600);
        c.restart();
        QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
        QVERIFY(!c.slot(c.pc1).prepaidTimer);
        QCOMPARE(c.engine->unconfirmedBills()->size(), 1);
        c.prompter.clear();
        c.prompter.answer(true);
        c.engine->offerUnconfirmedBills();
        QCOMPARE(c.prompter.last(), QStringLiteral("1 bill waits for confirmation.\nShow it now?"));
        QTRY_COMPARE(c.bills.size(), 2);
        Bill *again = c.bills.last();
        QCOMPARE(again->transaction(), key);
        QCOMPARE(again->end(), end);
        QCOMPARE(again->totalText(), total);
        QVERIFY(again->confirm());
        QCOMPARE(Format::amount(c.row(key).total.value_or(Money())), total);
        QVERIFY(c.engine->unconfirmedBills()->isEmpty());

        // Pressing the computer offers a waiting bill before a new charge.
        QVERIFY(c.startNormal(c.pc2));
        c.clock.advance(600);
        c.pressYes(c.pc2);
        QTRY_COMPARE(c.bills.size(), 3);
        QTRY_VERIFY(c.idle());
        c.prompter.answer(true);
        c.bills.last()->close();
        c.pressYes(c.pc2);
        QCOMPARE(c.prompter.last(), QStringLiteral("A bill of PC2 waits for confirmation.\nShow it now?"));
        QTRY_COMPARE(c.bills.size(), 4);
        QVERIFY(c.bills.last()->confirm());
        QCOMPARE(c.channel.openCount(), (prepaid ? 1 : 2) + 2);
    }

    void refusedWritesChangeNothing_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("normal start") << "normal";
        QTest::newRow("prepaid start") << "prepaid";
        QTest::newRow("account start") << "account";
    }

    // A start whose write the books refuse rolls back whole, is told once, and
    // leaves no key behind for a later bill to close; an operator slow to answer
    // the error meets nothing else behind it (no command of it times out). The
    // ends and the confirmation on a full disk: tst_diskfull.
    void refusedWritesChangeNothing()
    {
        QFETCH(QString, step);
        Cafe c;
        // A charge billed and confirmed first: its row must survive what follows.
        const auto billed = c.confirmedCharge(c.pc1, 600);
        QVERIFY(billed && c.slot(c.pc1).transaction == 0);
        const ComputerRow flags = c.computer(c.pc1);
        QVERIFY(refuseWrites(c.cafe, "INSERT ON kin"));
        c.channel.setTimeoutMs(20);
        c.prompter.answerAfter(100);
        QSignalSpy refused(c.engine.get(), &Engine::accountStartFailed);
        c.prompter.clear();
        const int sent = int(c.channel.sent().size());
        c.prompter.answer(true);
        if (step == QLatin1String("normal"))
            c.engine->startNormal(c.pc1);
        else if (step == QLatin1String("prepaid"))
            c.engine->startPrepaid(c.pc1, 1800);
        else
            c.engine->startAccount(c.pc1, 60, QStringLiteral("1234"));
        QTRY_VERIFY(c.idle());
        QVERIFY(c.slot(c.pc1).state == SlotState::Free && c.slot(c.pc1).transaction == 0);
        QCOMPARE(c.channel.sent().size(), sent); // the client stays locked
        QCOMPARE(refused.size(), step == QLatin1String("account") ? 1 : 0);
        QCOMPARE(flagsOf(c.computer(c.pc1)), flagsOf(flags));
        QCOMPARE(c.prompter.texts(Prompter::Icon::Critical).size(), 1);
        QVERIFY(c.prompter.last().contains(QStringLiteral("disk refused the write")));
        QCOMPARE(c.rows().size(), 1);
        QVERIFY(c.rows().first().total == billed->total && c.rows().first().enddate == billed->enddate);
    }

    // The client may miss "u60" after the charge was recorded; the account's
    // mark then stays with the charge instead of freeing the PIN for another
    // computer while this one is billed.
    void accountChargeKeepsItsMarkWhenTheSendFails()
    {
        Cafe c;
        QSignalSpy refused(c.engine.get(), &Engine::accountStartFailed);
        c.channel.willHang();
        c.engine->startAccount(c.pc1, 60, QStringLiteral("1234"));
        c.channel.connectNow();
        c.channel.failNow(QStringLiteral("Connection reset by peer"));
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.slot(c.pc1).state, SlotState::Account);
        QVERIFY(c.computer(c.pc1).user);
        QCOMPARE(refused.size(), 0);
    }

    // An engine that still shows a charge the books have since ended, billed and
    // followed by a new one (a second console on the folder did once) can neither
    // end nor move it again nor clear the new charge's flag, and tells the client
    // nothing.
    void staleConsoleRewritesNoBill()
    {
        Cafe c;
        QVERIFY(c.startNormal(c.pc1));
        const std::unique_ptr<Engine> stale = std::move(c.engine);
        c.restart();
        c.pressYes(c.pc1); // Charge And Lock on the charge restored
        QTRY_VERIFY(c.bills.size() == 1 && c.idle());
        QVERIFY(c.bills.first()->confirm() && c.startNormal(c.pc1));
        const KinRow billed = c.rows().first();
        const int sent = int(c.channel.sent().size());

        c.clock.advance(600);
        c.prompter.clear();
        c.prompter.answer(true);
        stale->startNormal(c.pc1);
        QTRY_VERIFY(c.idle() && c.prompter.said().size() == 2);
        QVERIFY2(c.prompter.last().endsWith(QStringLiteral("is not running: it has ended already.")),
                 qPrintable(c.prompter.last()));
        QVERIFY(c.channel.sent().size() == sent && stale->slot(c.pc1)->state == SlotState::Normal);
        QVERIFY(!stale->moveCharge(c.pc1, c.pc2));
        QVERIFY(c.computer(c.pc1).timer && !c.computer(c.pc2).timer);
        const KinRow after = c.rows().first();
        QVERIFY(after.endtime == billed.endtime && after.totaltime == billed.totaltime && after.computer == "PC1");
    }

    // A day with a shift: what the drawer should hold at the close is the
    // opening cash, every bill confirmed and every account sale made while it
    // was open, whatever died in between; nothing from before it or another
    // console. One shift open per console, closed once, by its own cashier.
    void shiftHoldsWhatWasTaken()
    {
        Cafe c(3);
        Shifts shifts(c.cafe, c.clock);
        QVERIFY(c.confirmedCharge(c.pc1, 3600)); // before the shift: not in it
        QCOMPARE(shifts.close("user", "0").error(), QString("No shift is open at this console."));
        QCOMPARE(shifts.open("user", "5O").error(), QString("\"5O\" Is Not An Amount"));
        QVERIFY(shifts.open("user", "50"));
        QCOMPARE(shifts.open("admin", "10").error(), QString("A shift is already open at this console."));

        QVERIFY(c.startNormal(c.pc1));
        QVERIFY(
            c.cafe.addExtra({0, c.slot(c.pc1).transaction, "Coffee", 2, Money::fromCents(120), Money::fromCents(240)}));
        const auto billed = c.confirmedCharge(c.pc2, 95 * 60);
        QVERIFY(billed && billed->total > Money());
        const auto sale = [&c](qint64 cents, const QString &reason) {
            const auto key = c.cafe.addSale({0, c.clock.now(), "user", 1, "A B", 60, Money::fromCents(cents), reason});
            return key && c.cafe.markCredited(*key);
        };
        QVERIFY(sale(1000, "") && sale(0, "a regular"));
        QVERIFY(c.cafe.addSale({0, c.clock.now(), "user", 1, "A B", 60, Money::fromCents(700), {}})); // never credited

        c.restart(); // the console killed in the middle of the shift
        QVERIFY(shifts.current() && shifts.current()->has_value());
        const auto endAndConfirm = [&c](qint64 aa, const QString &reason) {
            c.clock.advance(40 * 60);
            c.pressYes(aa);
            if (!QTest::qWaitFor([&] { return !c.bills.isEmpty() && c.bills.last() && c.idle(); }))
                return false;
            if (!reason.isEmpty()) {
                c.bills.last()->clearTotal();
                c.bills.last()->setReason(reason);
            }
            return c.bills.last()->confirm();
        };
        const qint64 pc3 = c.key("PC3");
        QVERIFY(endAndConfirm(c.pc1, {}) && c.startNormal(pc3) && endAndConfirm(pc3, "a friend"));
        c.cafe.setConsole("the other counter"); // what it bills is not in this shift
        const auto other = c.confirmedCharge(c.pc2, 600);
        c.cafe.setConsole(QSysInfo::machineHostName());
        QVERIFY(other);

        // Independent sums over the books: every bill after the opening but the other counter's.
        auto q = c.cafe.run("SELECT sum(total), count(*), sum(CASE WHEN total > 0 THEN extra END) FROM kin"
                            " WHERE aa > 1 AND aa <> ?",
                            {other->aa});
        QVERIFY(q && q->next() && q->value(1).toInt() == 3 && q->value(2).toLongLong() == 24000);
        const Money taken = Money::fromUnits(q->value(0).toLongLong() + 50'0000 + 10'0000);
        const Result<Shifts::Closing> closed =
            shifts.close("user", Format::amount(Money::fromUnits(taken.units() - 1'5000)));
        QVERIFY2(closed, qPrintable(closed ? QString() : closed.error()));
        QCOMPARE(closed->expected, taken);
        QCOMPARE((QList<qint64>{closed->figures.bills, closed->figures.freeBills, closed->figures.sales}),
                 (QList<qint64>{3, 1, 2}));
        QCOMPARE(closed->figures.extras(), Money::fromCents(240));
        QCOMPARE(closed->difference(), Money::fromCents(-150));
        QVERIFY(Shifts::summary(*closed).endsWith("Short: " + Format::currency(Money::fromCents(150))));
        QCOMPARE(c.cafe.endShift(closed->shift.aa, c.clock.now(), Money(), Money()).error(),
                 QString("This shift was closed already."));
        QVERIFY(shifts.open("admin", "0"));
        QCOMPARE(shifts.close("user", "0").error(),
                 QString("This shift was opened by the administrator, who closes it."));
        QCOMPARE(shifts.visible("user")->size(), 1);
        QCOMPARE(shifts.visible("admin")->size(), 2);
    }
};

QTEST_MAIN(TestMoneySafety)
#include "tst_moneysafety.moc"
