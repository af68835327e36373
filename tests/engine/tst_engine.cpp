#include "CafeFixture.h"

namespace {
QString cents(const std::optional<Money> &m) { return m ? QString::number(m->cents()) : QStringLiteral("-"); }
// How a transaction was closed, in one line: end date and time, time used,
// then charge, extras and total in cents ("-" for none).
QString closing(const KinRow &k)
{
    const QString day = k.enddate ? k.enddate->toString(Qt::ISODate) : "-";
    const QString time = k.endtime ? k.endtime->toString() : "-";
    return QStringList{day, time, k.totaltime, cents(k.timecharged), cents(k.extra), cents(k.total)}.join(' ');
}
// The operator's command `kind` on aa, answered Yes.
void command(Cafe &c, const QString &kind, qint64 aa)
{
    if (kind == "startterm")
        return c.pressYes(aa);
    c.prompter.answer(true);
    if (kind == "prepaid")
        c.engine->startPrepaid(aa, 1800);
    else if (kind == "stoptermforce")
        c.engine->stopChargeForce(aa);
    else
        c.engine->power(aa, *commandNamed(kind));
}
} // namespace

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    // Customers' logons go out while the operator's command hangs; one for
    // the computer the operator is starting is turned back, without a word.
    void accountStartsDoNotWaitForTheOperator()
    {
        Cafe c(3);
        const qint64 pc3 = c.key(QStringLiteral("PC3"));
        QSignalSpy failed(c.engine.get(), &Engine::accountStartFailed);
        c.channel.willHang();
        command(c, "startterm", c.pc1);
        c.channel.willConnect();
        c.engine->startAccount(c.pc2, 40, QStringLiteral("1111"));
        c.engine->startAccount(pc3, 50, QStringLiteral("2222"));
        c.engine->startAccount(c.pc1, 60, QStringLiteral("3333"));
        QTRY_VERIFY(c.slot(c.pc2).state == SlotState::Account && c.slot(pc3).state == SlotState::Account);
        QCOMPARE(c.channel.sent(), (QByteArrayList{"u40", "u50"}));
        QVERIFY(c.slot(c.pc1).isFree() && c.channel.isBusy());
        QCOMPARE(c.prompter.said().size(), 1); // only "Start Charging"
        QVERIFY(failed.size() == 1 && failed.first().at(1).toString() == "3333");
    }

    void normalChargeCrossingMidnight()
    {
        Cafe c;
        // Inside their seconds: the books keep whole ones, and the time used is theirs.
        c.clock.set(QDateTime(Day, QTime(23, 50, 0, 800)));
        command(c, "startterm", c.pc1);
        QCOMPARE(c.prompter.last(), QStringLiteral("Start Charging\rPC1?"));
        // Nothing changes before the client accepted the connection.
        QVERIFY(c.slot(c.pc1).state == SlotState::Free && c.engine->pcCommand() == "startterm");
        QTRY_COMPARE(c.slot(c.pc1).state, SlotState::Normal);
        QCOMPARE(c.channel.opened(), QStringList{QStringLiteral("127.0.0.11")});
        QVERIFY(c.slot(c.pc1).picture == Picture::Normal && c.computer(c.pc1).timer && c.rows().size() == 1);
        const KinRow started = c.rows().first();
        QVERIFY(started.enab && started.type == "normal" && started.startdate == Day);
        QCOMPARE(c.slot(c.pc1).transaction, started.aa);
        QTRY_VERIFY(c.idle());

        c.clock.set(QDateTime(Day.addDays(1), QTime(0, 26, 30, 300)));
        QSignalSpy tips(c.engine.get(), &Engine::tipCleared);
        command(c, "startterm", c.pc1);
        QCOMPARE(c.prompter.last(), QStringLiteral("Charge And Lock\rPC1?"));
        QTRY_COMPARE(c.bills.size(), 1);
        QVERIFY(c.slot(c.pc1).state == SlotState::Free && c.slot(c.pc1).picture == Picture::Free && tips.size() == 1);
        Bill *bill = c.bills.first();
        // Rate 1 of the installation is 1,50 an hour: two started half-hours.
        QCOMPARE((QStringList{bill->chargeType(), bill->startTimeText(), bill->endTimeText(), bill->timeUsed(),
                              QString::number(bill->minutes()), cents(bill->timeCharge()), bill->extrasText()}),
                 (QStringList{"normal", "23:50:00", "00:26:30", "0:36:30", "36", "150", "0"}));
        QVERIFY(bill->start().date() == Day && bill->end().date() == Day.addDays(1));
        QCOMPARE(bill->transaction(), started.aa);
        // Still open until the operator confirms.
        QVERIFY(c.rows().first().enab && bill->confirm());
        QVERIFY(!c.rows().first().enab && !c.computer(c.pc1).timer && !c.engine->billOnScreen());
        QCOMPARE(closing(c.rows().first()), QStringLiteral("2026-03-03 00:26:30 0:36:30 150 0 150"));
    }

    void nothingChangesWithoutTheClient_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("answer");
        QTest::newRow("normal, client unreachable") << "startterm" << true;
        QTest::newRow("prepaid, client unreachable") << "prepaid" << true;
        QTest::newRow("normal, operator says No") << "startterm" << false;
        QTest::newRow("prepaid, operator says No") << "prepaid" << false;
        QTest::newRow("reboot, operator says No") << "rebootterm" << false;
    }
    void nothingChangesWithoutTheClient()
    {
        QFETCH(QString, kind);
        QFETCH(bool, answer);
        Cafe c;
        QSignalSpy pictures(c.engine.get(), &Engine::pictureChanged);
        c.channel.willFail(QStringLiteral("Connection refused"));
        c.prompter.answer(answer);
        command(c, kind, c.pc1);
        QTRY_VERIFY(c.idle() && c.prompter.said().size() == 1 + answer);
        QCOMPARE(c.channel.openCount(), int(answer));
        if (answer)
            QVERIFY(c.prompter.last() == "Communication Error With PC1\nConnection refused"
                    && c.prompter.said().last().icon == Prompter::Icon::Critical && !c.prompter.said().last().question);
        QVERIFY(c.slot(c.pc1).state == SlotState::Free && !c.slot(c.pc1).prepaidTimer);
        QVERIFY(pictures.isEmpty() && c.rows().isEmpty());
        const ComputerRow row = c.computer(c.pc1);
        QVERIFY(!row.timer && !row.pretime && !row.user);
    }

    // A second counter on the same books: on a server its map follows the
    // first's start and end within a second, telling no client and offering
    // no bill; a file is one console's and has nobody to follow.
    void secondCounterFollows()
    {
        Cafe a;
        CafeStore cafe;
        CustomerStore customers;
        FakeChannel channel;
        ScriptedPrompter prompter;
        QVERIFY(!cafe.open(a.home.paths().cafeDatabase()) && !customers.open(a.home.paths().customerDatabase()));
        Engine b(cafe, customers, channel, [&] { return channel.spawn(); }, prompter, a.clock);
        b.loadRoster(*cafe.computers());
        QCOMPARE(cafe.watch(&b, [&](const QString &) { b.followBooks(); }), cafe.onServer());
        const SlotState followed = cafe.onServer() ? SlotState::Normal : SlotState::Free;
        QVERIFY(a.startNormal(a.pc1));
        QTRY_COMPARE_WITH_TIMEOUT(b.slot(a.pc1)->state, followed, 1000);
        QTest::qWait(50);
        QCOMPARE(b.slot(a.pc1)->state, followed);
        QCOMPARE(b.slot(a.pc1)->transaction, cafe.onServer() ? a.slot(a.pc1).transaction : 0);
        a.clock.advance(600);
        a.pressYes(a.pc1);
        QTRY_VERIFY(a.bills.size() == 1);
        QTRY_COMPARE_WITH_TIMEOUT(b.slot(a.pc1)->state, SlotState::Free, 1000);
        // A prepaid charge runs out at both counters at once: billed once.
        QTRY_VERIFY(a.idle());
        QVERIFY(a.bills.last()->confirm() && a.startPrepaid(a.pc2, 60));
        QTRY_COMPARE_WITH_TIMEOUT(b.slot(a.pc2)->state, cafe.onServer() ? SlotState::Prepaid : SlotState::Free, 1000);
        a.clock.advance(120);
        a.engine->checkPrepaidExpiry(a.pc2);
        b.checkPrepaidExpiry(a.pc2);
        QVERIFY(b.slot(a.pc2)->isFree() && a.bills.size() == 2);
        QVERIFY(channel.sent().isEmpty() && prompter.said().isEmpty());
    }

    void confirmClosesOnlyItsOwnTransaction()
    {
        Cafe c;
        QVERIFY(c.startNormal(c.pc1));
        const qint64 first = c.slot(c.pc1).transaction;
        c.clock.advance(40 * 60);
        command(c, "startterm", c.pc1);
        QTRY_VERIFY(c.bills.size() == 1 && c.idle());
        // A new charge starts on the free computer while the old bill waits.
        c.clock.advance(60);
        QVERIFY(c.startNormal(c.pc1));
        const qint64 second = c.slot(c.pc1).transaction;
        QVERIFY(second != first && c.bills.first()->confirm());
        QVERIFY(!c.row(first).enab && c.row(second).enab && !c.row(second).enddate);
        // The running charge keeps its flag, so a restart finds it.
        QVERIFY(c.computer(c.pc1).timer);
        QTRY_VERIFY(c.idle());
        c.restart();
        QVERIFY(c.slot(c.pc1).state == SlotState::Normal && c.slot(c.pc1).transaction == second);
        QCOMPARE(c.slot(c.pc1).picture, std::optional<Picture>(Picture::Normal));
    }

    void prepaidCrossingMidnightRestored_data()
    {
        QTest::addColumn<QDateTime>("restartAt");
        QTest::addColumn<bool>("expired");
        QTest::newRow("restored before its end") << QDateTime(Day, QTime(23, 55)) << false;
        QTest::newRow("restored after midnight, before its end") << QDateTime(Day.addDays(1), QTime(0, 10)) << false;
        QTest::newRow("restored after its end") << QDateTime(Day.addDays(1), QTime(0, 25)) << true;
        QTest::newRow("restored a day later") << QDateTime(Day.addDays(2), QTime(0, 5)) << true;
    }
    void prepaidCrossingMidnightRestored()
    {
        QFETCH(QDateTime, restartAt);
        QFETCH(bool, expired);
        Cafe c;
        c.clock.set(QDateTime(Day, QTime(23, 45)));
        QSignalSpy timer(c.engine.get(), &Engine::prepaidTimerChanged);
        c.prompter.answer(true);
        c.engine->startPrepaid(c.pc1, 2100); // "0:30" with five minutes' tolerance
        QCOMPARE(c.prompter.last(), QStringLiteral("Start Timer On\rPC1?"));
        QTRY_COMPARE(c.slot(c.pc1).state, SlotState::Prepaid);
        QVERIFY(c.channel.sent() == QByteArrayList{"t2100"} && timer.size() == 1);
        const QDateTime end(Day.addDays(1), QTime(0, 20));
        QCOMPARE(c.slot(c.pc1).plannedEnd, end);
        const KinRow row = c.rows().first();
        QVERIFY(row.pretimeenab && row.enddate == end.date() && row.endtime == end.time() && row.ptime == 2100);
        QTRY_VERIFY(c.computer(c.pc1).pretime && c.idle());

        c.clock.set(restartAt);
        c.restart();
        QCOMPARE(c.slot(c.pc1).state, SlotState::Prepaid);
        QVERIFY(c.slot(c.pc1).plannedEnd == end && c.slot(c.pc1).amount == 2100 && c.slot(c.pc1).prepaidTimer);
        c.engine->checkPrepaidExpiry(c.pc1);
        QCOMPARE(c.slot(c.pc1).state, expired ? SlotState::Free : SlotState::Prepaid);
        // The timer path sends nothing.
        QVERIFY(c.bills.size() == int(expired) && c.slot(c.pc1).prepaidTimer == !expired
                && c.channel.sent().size() == 1);
        if (!expired)
            return;
        Bill *bill = c.bills.first();
        // One half-hour of 1,50.
        QCOMPARE((QStringList{bill->chargeType(), QString::number(bill->minutes()), cents(bill->timeCharge())}),
                 (QStringList{"pretime", "35", "75"}));
        QVERIFY(bill->confirm() && !c.rows().first().pretimeenab && !c.computer(c.pc1).pretime);
        QCOMPARE(closing(c.rows().first()), QStringLiteral("2026-03-03 00:20:00 0:35:00 75 0 75"));
    }

    // A press on a prepaid computer does nothing; Stop asks, then bills the time left and locks.
    void stopPrepaidBillsAndLocks()
    {
        Cafe c;
        QVERIFY(c.startPrepaid(c.pc1, 3600));
        c.prompter.clear();
        c.engine->startNormal(c.pc1);
        QVERIFY(c.prompter.said().isEmpty() && c.channel.openCount() == 1);
        c.clock.advance(600);
        c.engine->stopPrepaid(c.pc1); // answered No
        QCOMPARE(c.prompter.last(), QStringLiteral("Stop Prepaid TimeCharge ?"));
        QVERIFY(c.slot(c.pc1).state == SlotState::Prepaid && c.slot(c.pc1).prepaidTimer);
        c.prompter.answer(true);
        c.engine->stopPrepaid(c.pc1);
        QVERIFY(c.bills.size() == 1 && c.slot(c.pc1).state == SlotState::Free && !c.slot(c.pc1).prepaidTimer);
        QCOMPARE(c.engine->pcCommand(), QStringLiteral("stoptermforce"));
        QTRY_COMPARE(c.channel.sent().last(), QByteArray("stoppc"));
        QVERIFY(c.bills.first()->showsTimeLeft() && c.bills.first()->timeLeftText() == "00:50:00");
    }

    void busyChannelRefusesTheSecondCommand_data()
    {
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("code"); // ending "The previous command to PC1 is still in progress "
        QTest::newRow("startterm") << "startterm" << QStringLiteral("dqtzerr444");
        QTest::newRow("stoptermforce") << "stoptermforce" << QStringLiteral("dqtzerr333");
        QTest::newRow("rebootterm") << "rebootterm" << QStringLiteral("dqtzerr449");
    }
    void busyChannelRefusesTheSecondCommand()
    {
        QFETCH(QString, second);
        QFETCH(QString, code);
        Cafe c;
        c.channel.willHang();
        command(c, "startterm", c.pc1);
        QVERIFY(c.channel.isBusy());
        command(c, second, c.pc2);
        QCOMPARE(c.prompter.last(), "The previous command to PC1 is still in progress " + code);
        QCOMPARE(c.channel.openCount(), 1);
        // The first command goes on undisturbed.
        c.channel.connectNow();
        QVERIFY(c.slot(c.pc1).state == SlotState::Normal && c.slot(c.pc2).state == SlotState::Free);
        QVERIFY(c.channel.sent() == QByteArrayList{"startpc"} && c.engine->pcCommand() == "startterm");
        QVERIFY(c.rows().size() == 1 && c.rows().first().computer == "PC1");
    }

    // A failed command on a running computer; on a free one: nothingChangesWithoutTheClient.
    void errorHandlerByStatusWord_data()
    {
        QTest::addColumn<QString>("running");
        QTest::addColumn<bool>("terminate");
        QTest::addColumn<QString>("told");
        const QString head = QStringLiteral("Communication Error With PC1\nNo route to host");
        const QString ask = head + "\nMake sure you have made the transaction\ndo you want to terminate ?";
        QTest::newRow("normal, terminate") << "normal" << true << ask;
        QTest::newRow("normal, keep") << "normal" << false << ask;
        QTest::newRow("prepaid: silent") << "prepaid" << false << QString();
        QTest::newRow("account: silent") << "account" << false << QString();
    }
    void errorHandlerByStatusWord()
    {
        QFETCH(QString, running);
        QFETCH(bool, terminate);
        QFETCH(QString, told);
        Cafe c;
        c.addAccount(QStringLiteral("1234"), 60);
        QVERIFY(c.start(running, c.pc1));
        const SlotState status = c.slot(c.pc1).state;
        const int rowsBefore = int(c.rows().size());
        c.prompter.clear();
        c.channel.willFail(QStringLiteral("No route to host"));
        c.prompter.answer(true); // "Reboot"
        c.prompter.answer(terminate);
        c.engine->power(c.pc1, *commandNamed(QStringLiteral("rebootterm")));
        QTRY_VERIFY(c.idle() && c.prompter.said().size() == (told.isEmpty() ? 1 : 2));
        if (!told.isEmpty())
            QVERIFY(c.prompter.last() == told && c.prompter.said().last().icon == Prompter::Icon::Critical
                    && c.prompter.said().last().question == (status == SlotState::Normal));
        QCOMPARE(c.slot(c.pc1).state, terminate ? SlotState::Free : status);
        if (terminate) // ended, nothing billed: the bill waits, as the map shows no running charge
            QVERIFY(c.slot(c.pc1).picture == Picture::Error && !c.computer(c.pc1).timer
                    && c.engine->unconfirmedBills()->size() == 1);
        else if (status == SlotState::Normal)
            QVERIFY(c.computer(c.pc1).timer);
        QCOMPARE(c.rows().size(), rowsBefore);
    }

    void usageTips()
    {
        Cafe c;
        c.clock.set(QDateTime(Day, QTime(10, 0, 59)));
        QVERIFY(c.startNormal(c.pc1) && c.startPrepaid(c.pc2, 1800));
        c.clock.advance(1);
        QCOMPARE(c.engine->usageTip(c.pc1), QStringLiteral("START TIME: 10:00:59 CURRENT TIME USED: 0:00:01"));
        QCOMPARE(c.engine->usageTip(c.pc2), QStringLiteral("TIME LEFT 00:29:59"));
        c.clock.advance(25 * 3600);
        QCOMPARE(c.engine->usageTip(c.pc1), QStringLiteral("START TIME: 10:00:59 CURRENT TIME USED: 25:00:01"));
        c.restart();
        QVERIFY(c.engine->usageTip(qint64(999)).isNull());
        // The status view shows the charge so far and writes nothing.
        c.engine->currentStatus(c.pc1);
        QCOMPARE(c.bills.size(), 1);
        Bill *bill = c.bills.first();
        QCOMPARE(bill->caption(), QStringLiteral("Current Status For PC1"));
        QVERIFY(!bill->canConfirm() && !bill->showsEnd() && !bill->confirm());
        bill->close();
        QVERIFY(c.rows().first().enab && c.slot(c.pc1).state == SlotState::Normal);
    }

    void accountEnd_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<qint64>("used");
        QTest::addColumn<QString>("totaltime");
        QTest::addColumn<qint64>("added"); // minutes sold onto the account meanwhile
        QTest::addColumn<qint64>("left");
        QTest::newRow("within the first minute: one minute") << qint64(20) << qint64(1) << "0:00:20" << qint64(0) << qint64(29);
        QTest::newRow("twelve minutes") << qint64(12 * 60 + 5) << qint64(12) << "0:12:05" << qint64(0) << qint64(18);
        QTest::newRow("beyond the credit: none below zero") << qint64(45 * 60) << qint64(45) << "0:45:00" << qint64(0) << qint64(0);
        QTest::newRow("minutes bought meanwhile stay") << qint64(12 * 60) << qint64(12) << "0:12:00" << qint64(60) << qint64(78);
    }
    void accountEnd()
    {
        QFETCH(qint64, seconds);
        QFETCH(qint64, used);
        QFETCH(QString, totaltime);
        QFETCH(qint64, added);
        QFETCH(qint64, left);
        Cafe c;
        const qint64 other = c.addAccount(QStringLiteral("9999"), 30, true);
        const qint64 aa = c.customers.addAccount({0, "Eleni", {}, {}, "1234", 30, 10, 30, true, {}}).value_or(0);
        c.engine->startAccount(c.pc1, 30, QStringLiteral("1234"));
        QTRY_COMPARE(c.slot(c.pc1).state, SlotState::Account);
        QVERIFY(c.prompter.said().isEmpty() && c.channel.sent() == QByteArrayList{"u30"});
        const KinRow started = c.rows().first();
        QVERIFY(started.userenab && started.type == "user" && started.userpin == "1234" && started.ptime == 30);
        QTRY_VERIFY(c.slot(c.pc1).picture == Picture::Account && c.computer(c.pc1).user && c.idle());

        c.restart();
        QCOMPARE(c.slot(c.pc1).pin, QStringLiteral("1234"));
        c.clock.advance(seconds);
        QVERIFY(!added || c.customers.credit(1, aa, added));
        c.engine->endAccount(c.pc1);
        // No command on the client's own logoff.
        QVERIFY(c.slot(c.pc1).state == SlotState::Free && c.channel.openCount() == 1);
        const CustomerRow after = c.account(aa);
        QCOMPARE((QList<qint64>{after.timeleft, after.time, after.usedtime, c.account(other).timeleft}),
                 (QList<qint64>{left, left, (added ? 0 : 10) + used, 30})); // 10 used before
        const KinRow closed = c.rows().first();
        QVERIFY(!closed.userenab && closed.totaltime == totaltime && closed.enddate == c.clock.now().date());
        QVERIFY(!after.timer && !c.computer(c.pc1).user);
    }

    void accountDisconnectedByOperator()
    {
        Cafe c;
        c.addAccount(QStringLiteral("1234"), 60, true); // taken by its logon
        QVERIFY(c.start("account", c.pc1));
        c.clock.advance(300);
        c.engine->startNormal(c.pc1); // answered No
        QCOMPARE(c.prompter.last(), QStringLiteral("Diconnect User From PC1 ?"));
        QCOMPARE(c.slot(c.pc1).state, SlotState::Account);
        command(c, "startterm", c.pc1);
        QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
        QTRY_COMPARE(c.channel.sent().last(), QByteArray("stopuser"));
        QCOMPARE(c.customers.accountsWithPin(QStringLiteral("1234"))->first().timeleft, qint64(55));
    }

    // After a restart each client hears its charge again (time used, time
    // left, credit left), a computer whose bill waits is locked, and after
    // a run that died every free computer is.
    void retellClients_data()
    {
        QTest::addColumn<bool>("lockEveryFree");
        QTest::addColumn<QStringList>("told"); // address and text, in roster order
        const QStringList running{"127.0.0.11 m95", "127.0.0.12 p505", "127.0.0.13 u59", "127.0.0.14 stoppc"};
        QTest::newRow("clean start") << false << running;
        QTest::newRow("after a run that died") << true << running + QStringList{"127.0.0.15 stoppc"};
    }
    void retellClients()
    {
        QFETCH(bool, lockEveryFree);
        QFETCH(QStringList, told);
        FakeChannel clients; // outlives the engine, which owns what it spawns
        Cafe c(5);
        QVERIFY(c.startNormal(c.key("PC4")));
        c.pressYes(c.key("PC4"));
        QTRY_VERIFY(!c.bills.isEmpty() && c.bills.last());
        c.bills.last()->close(); // the bill waits, unconfirmed
        QTRY_VERIFY(c.idle());
        QVERIFY(c.startNormal(c.pc1) && c.startPrepaid(c.pc2, 600));
        c.addAccount(QStringLiteral("1234"), 60, true);
        QVERIFY(c.start("account", c.key("PC3")));
        c.clock.advance(95);
        c.restart([&clients] { return clients.spawn(); }, lockEveryFree);
        QTRY_COMPARE(clients.sent().size(), told.size());
        QStringList seen;
        for (int i = 0; i < told.size(); ++i)
            seen << clients.opened().at(i) + ' ' + QString::fromLatin1(clients.sent().at(i));
        QCOMPARE(seen, told);
    }

    void secondBillWaitsForTheFirst()
    {
        Cafe c;
        QVERIFY(c.startNormal(c.pc1) && c.startNormal(c.pc2));
        c.clock.advance(20 * 60);
        for (qint64 aa : {c.pc1, c.pc2}) {
            command(c, "startterm", aa);
            QTRY_VERIFY(c.slot(aa).state == SlotState::Free && c.idle());
        }
        QCOMPARE(c.bills.size(), 1); // PC2's waits
        QCOMPARE(c.bills.first()->computer(), QStringLiteral("PC1"));
        // A prepaid expiry waits while a bill is on screen.
        QVERIFY(c.startPrepaid(c.pc1, 60));
        c.clock.advance(120);
        c.engine->checkPrepaidExpiry(c.pc1);
        QCOMPARE(c.slot(c.pc1).state, SlotState::Prepaid);
        QVERIFY(c.bills.first()->confirm());
        QVERIFY(c.bills.size() == 2 && c.bills.last()->computer() == "PC2");
    }
};

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
