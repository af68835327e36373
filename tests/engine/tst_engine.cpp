#include "CafeFixture.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    void normalChargeCrossingMidnight();
    void nothingChangesWithoutTheClient_data();
    void nothingChangesWithoutTheClient();
    void confirmClosesOnlyItsOwnTransaction();
    void prepaidCrossingMidnightRestored_data();
    void prepaidCrossingMidnightRestored();
    void stopPrepaidBillsAndLocks();
    void busyChannelRefusesTheSecondCommand_data();
    void busyChannelRefusesTheSecondCommand();
    void errorHandlerByStatusWord_data();
    void errorHandlerByStatusWord();
    void usageTips();
    void pressOnPrepaidDoesNothing();
    void accountEnd_data();
    void accountEnd();
    void accountDisconnectedByOperator();
    void failedAccountStartIsReported();
    void secondBillWaitsForTheFirst();
    void accountStartsWaitTheirTurn();
};

// Two customers whose PINs arrive while a command is in flight are both
// served in turn, without a word to the operator; one whose computer was
// taken meanwhile is turned back.
void TestEngine::accountStartsWaitTheirTurn()
{
    Cafe c;
    const qint64 pc3 =
        *c.cafe.addComputer({0, QStringLiteral("PC3"), QStringLiteral("127.0.0.13"), 0, 0, false, false, false});
    c.restart();
    QSignalSpy failed(c.engine.get(), &Engine::accountStartFailed);
    c.channel.willHang();
    c.prompter.answer(true);
    c.engine->startnormal(c.pc1);
    c.engine->startaccount(c.pc2, 40, QStringLiteral("1111"));
    c.engine->startaccount(pc3, 50, QStringLiteral("2222"));
    c.engine->startaccount(c.pc1, 60, QStringLiteral("3333")); // PC1 will be running by then
    QCOMPARE(c.prompter.said().size(), 1);                     // only "Start Charging"
    c.channel.willConnect();
    c.channel.connectNow();
    QTRY_COMPARE(c.slot(c.pc2).state, SlotState::Account);
    QTRY_COMPARE(c.slot(pc3).state, SlotState::Account);
    QTRY_VERIFY(c.idle());
    QCOMPARE(c.channel.sent(), (QByteArrayList{"startpc", "u40", "u50"}));
    QCOMPARE(c.slot(c.pc1).state, SlotState::Normal);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("3333"));
    QCOMPARE(c.prompter.said().size(), 1);
}

void TestEngine::normalChargeCrossingMidnight()
{
    Cafe c;
    QVERIFY(c.pc1);
    c.clock.set(QDateTime(Day, QTime(23, 50)));
    c.prompter.answer(true);
    c.engine->startnormal(c.pc1);
    QCOMPARE(c.prompter.last(), QStringLiteral("Start Charging\rPC1?"));
    // Nothing changes before the client accepted the connection.
    QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
    QCOMPARE(c.engine->pccommand(), QStringLiteral("startterm"));
    QTRY_COMPARE(c.slot(c.pc1).state, SlotState::Normal);
    QCOMPARE(c.channel.opened(), QStringList{QStringLiteral("127.0.0.11")});
    QCOMPARE(c.channel.sent(), QByteArrayList{"startpc"});
    QCOMPARE(c.slot(c.pc1).picture, std::optional<Picture>(Picture::Normal));
    QVERIFY(c.computer(c.pc1).timer);
    QCOMPARE(c.rows().size(), 1);
    const KinRow started = c.rows().first();
    QCOMPARE(c.slot(c.pc1).transaction, started.aa);
    QVERIFY(started.enab);
    QCOMPARE(started.type, QStringLiteral("normal"));
    QCOMPARE(started.startdate, Day);
    QTRY_VERIFY(c.idle());

    c.clock.set(QDateTime(Day.addDays(1), QTime(0, 26, 30)));
    QSignalSpy opened(c.engine.get(), &Engine::billOpened);
    QSignalSpy tips(c.engine.get(), &Engine::tipCleared);
    c.prompter.answer(true);
    c.engine->startnormal(c.pc1);
    QCOMPARE(c.prompter.last(), QStringLiteral("Charge And Lock\rPC1?"));
    QTRY_COMPARE(opened.size(), 1);
    QCOMPARE(c.channel.sent().last(), QByteArray("stoppc"));
    QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
    QCOMPARE(c.slot(c.pc1).picture, std::optional<Picture>(Picture::Free));
    QCOMPARE(tips.size(), 1);

    Bill *bill = opened.first().first().value<Bill *>();
    QCOMPARE(bill->chargetype(), QStringLiteral("normal"));
    QCOMPARE(bill->startTimeText(), QStringLiteral("23:50:00"));
    QCOMPARE(bill->endTimeText(), QStringLiteral("00:26:30"));
    QCOMPARE(bill->start().date(), Day);
    QCOMPARE(bill->end().date(), Day.addDays(1));
    QCOMPARE(bill->minutes(), qint64(36));
    QCOMPARE(bill->timeUsed(), QStringLiteral("0:36:30"));
    QCOMPARE(bill->transaction(), started.aa);
    // Rate 1 of the installation is 1,50 an hour: two started half-hours.
    QCOMPARE(bill->timeCharge().cents(), qint64(150));
    QCOMPARE(bill->extrasText(), QStringLiteral("0"));
    // Still open until the operator confirms.
    QVERIFY(c.rows().first().enab);
    QVERIFY(bill->confirm());

    const KinRow closed = c.rows().first();
    QVERIFY(!closed.enab);
    QCOMPARE(closed.enddate, std::optional<QDate>(Day.addDays(1)));
    QCOMPARE(closed.endtime, std::optional<QTime>(QTime(0, 26, 30)));
    QCOMPARE(closed.totaltime, QStringLiteral("0:36:30"));
    QCOMPARE(closed.timecharged, std::optional<Money>(Money::fromCents(150)));
    QCOMPARE(closed.extra, std::optional<Money>(Money()));
    QCOMPARE(closed.total, std::optional<Money>(Money::fromCents(150)));
    QVERIFY(!c.computer(c.pc1).timer);
    QVERIFY(!c.engine->billOnScreen());
}

void TestEngine::nothingChangesWithoutTheClient_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("told");
    const QString refused = QStringLiteral("Communication Error With PC1\nConnection refused");
    QTest::newRow("normal, client unreachable") << "normal" << true << refused;
    QTest::newRow("prepaid, client unreachable") << "prepaid" << true << refused;
    QTest::newRow("normal, operator says No") << "normal" << false << QString();
    QTest::newRow("prepaid, operator says No") << "prepaid" << false << QString();
    QTest::newRow("reboot, operator says No") << "rebootterm" << false << QString();
}

void TestEngine::nothingChangesWithoutTheClient()
{
    QFETCH(QString, kind);
    QFETCH(bool, answer);
    QFETCH(QString, told);
    Cafe c;
    QVERIFY(c.pc1);
    QSignalSpy pictures(c.engine.get(), &Engine::pictureChanged);
    c.channel.willFail(QStringLiteral("Connection refused"));
    c.prompter.answer(answer);
    if (kind == QLatin1String("normal"))
        c.engine->startnormal(c.pc1);
    else if (kind == QLatin1String("prepaid"))
        c.engine->startprepaid(c.pc1, 1800);
    else
        c.engine->power(c.pc1, *commandNamed(kind));
    if (answer)
        QTRY_COMPARE(c.prompter.said().size(), 2);
    QTRY_VERIFY(c.idle());
    QCOMPARE(c.channel.openCount(), answer ? 1 : 0);
    if (!told.isEmpty()) {
        QCOMPARE(c.prompter.last(), told);
        QCOMPARE(c.prompter.said().last().icon, Prompter::Icon::Critical);
        QVERIFY(!c.prompter.said().last().question);
    }
    QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
    QVERIFY(!c.slot(c.pc1).prepaidTimer);
    QCOMPARE(pictures.size(), 0);
    QVERIFY(c.rows().isEmpty());
    const ComputerRow row = c.computer(c.pc1);
    QVERIFY(!row.timer && !row.pretime && !row.user);
}

void TestEngine::confirmClosesOnlyItsOwnTransaction()
{
    Cafe c;
    QSignalSpy opened(c.engine.get(), &Engine::billOpened);
    QVERIFY(c.startNormal(c.pc1));
    const qint64 first = c.slot(c.pc1).transaction;
    c.clock.advance(40 * 60);
    c.prompter.answer(true);
    c.engine->startnormal(c.pc1);
    QTRY_COMPARE(opened.size(), 1);
    QTRY_VERIFY(c.idle());
    Bill *bill = opened.first().first().value<Bill *>();

    // A new charge starts on the free computer while the old bill waits.
    c.clock.advance(60);
    QVERIFY(c.startNormal(c.pc1));
    const qint64 second = c.slot(c.pc1).transaction;
    QVERIFY(second != first);

    QVERIFY(bill->confirm());
    QVERIFY(!c.cafe.transaction(first)->enab);
    QVERIFY(c.cafe.transaction(second)->enab);
    QVERIFY(!c.cafe.transaction(second)->enddate.has_value());
    // The running charge keeps its flag, so a restart finds it.
    QVERIFY(c.computer(c.pc1).timer);
    QTRY_VERIFY(c.idle());
    c.restart();
    QCOMPARE(c.slot(c.pc1).state, SlotState::Normal);
    QCOMPARE(c.slot(c.pc1).transaction, second);
    QCOMPARE(c.slot(c.pc1).picture, std::optional<Picture>(Picture::Normal));
}

void TestEngine::prepaidCrossingMidnightRestored_data()
{
    QTest::addColumn<QDateTime>("restartAt");
    QTest::addColumn<bool>("expired");
    QTest::newRow("restored before its end") << QDateTime(Day, QTime(23, 55)) << false;
    QTest::newRow("restored after midnight, before its end") << QDateTime(Day.addDays(1), QTime(0, 10)) << false;
    QTest::newRow("restored after its end") << QDateTime(Day.addDays(1), QTime(0, 25)) << true;
    QTest::newRow("restored a day later") << QDateTime(Day.addDays(2), QTime(0, 5)) << true;
}

void TestEngine::prepaidCrossingMidnightRestored()
{
    QFETCH(QDateTime, restartAt);
    QFETCH(bool, expired);
    Cafe c;
    c.clock.set(QDateTime(Day, QTime(23, 45)));
    QSignalSpy timer(c.engine.get(), &Engine::prepaidTimerChanged);
    c.prompter.answer(true);
    // "0:30" with five minutes' tolerance.
    c.engine->startprepaid(c.pc1, 2100);
    QCOMPARE(c.prompter.last(), QStringLiteral("Start Timer On\rPC1?"));
    QTRY_COMPARE(c.slot(c.pc1).state, SlotState::Prepaid);
    QCOMPARE(c.channel.sent(), QByteArrayList{"t2100"});
    QCOMPARE(timer.size(), 1);
    QCOMPARE(c.slot(c.pc1).plannedEnd, QDateTime(Day.addDays(1), QTime(0, 20)));
    const KinRow row = c.rows().first();
    QVERIFY(row.pretimeenab);
    QCOMPARE(row.enddate, std::optional<QDate>(Day.addDays(1)));
    QCOMPARE(row.endtime, std::optional<QTime>(QTime(0, 20)));
    QCOMPARE(row.ptime, std::optional<qint64>(2100));
    QVERIFY(c.computer(c.pc1).pretime);
    QTRY_VERIFY(c.idle());

    c.clock.set(restartAt);
    c.restart();
    QCOMPARE(c.slot(c.pc1).state, SlotState::Prepaid);
    QCOMPARE(c.slot(c.pc1).plannedEnd, QDateTime(Day.addDays(1), QTime(0, 20)));
    QCOMPARE(c.slot(c.pc1).amount, qint64(2100));
    QVERIFY(c.slot(c.pc1).prepaidTimer);

    QSignalSpy opened(c.engine.get(), &Engine::billOpened);
    c.engine->checkPrepaidExpiry(c.pc1);
    QCOMPARE(opened.size(), expired ? 1 : 0);
    QCOMPARE(c.slot(c.pc1).state, expired ? SlotState::Free : SlotState::Prepaid);
    QCOMPARE(c.slot(c.pc1).prepaidTimer, !expired);
    // The timer path sends nothing.
    QCOMPARE(c.channel.sent().size(), 1);
    if (!expired)
        return;
    Bill *bill = opened.first().first().value<Bill *>();
    QCOMPARE(bill->chargetype(), QStringLiteral("pretime"));
    QCOMPARE(bill->minutes(), qint64(35));
    QCOMPARE(bill->timeCharge().cents(), qint64(75)); // one half-hour of 1,50
    QVERIFY(bill->confirm());
    const KinRow closed = c.rows().first();
    QVERIFY(!closed.pretimeenab);
    QCOMPARE(closed.enddate, std::optional<QDate>(Day.addDays(1)));
    QCOMPARE(closed.endtime, std::optional<QTime>(QTime(0, 20)));
    QCOMPARE(closed.total, std::optional<Money>(Money::fromCents(75)));
    QCOMPARE(closed.totaltime, QStringLiteral("0:35:00"));
    QVERIFY(!c.computer(c.pc1).pretime);
}

void TestEngine::stopPrepaidBillsAndLocks()
{
    Cafe c;
    QVERIFY(c.startPrepaid(c.pc1, 3600));

    c.clock.advance(600);
    c.prompter.answer(false);
    c.engine->stopPrepaid(c.pc1);
    QCOMPARE(c.prompter.last(), QStringLiteral("Stop Prepaid TimeCharge ?"));
    QCOMPARE(c.slot(c.pc1).state, SlotState::Prepaid);
    QVERIFY(c.slot(c.pc1).prepaidTimer);

    QSignalSpy opened(c.engine.get(), &Engine::billOpened);
    c.prompter.answer(true);
    c.engine->stopPrepaid(c.pc1);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
    QVERIFY(!c.slot(c.pc1).prepaidTimer);
    QCOMPARE(c.engine->pccommand(), QStringLiteral("stoptermforce"));
    QTRY_COMPARE(c.channel.sent().last(), QByteArray("stoppc"));
    Bill *bill = opened.first().first().value<Bill *>();
    QVERIFY(bill->showsTimeLeft());
    QCOMPARE(bill->timeLeftText(), QStringLiteral("00:50:00"));
}

void TestEngine::busyChannelRefusesTheSecondCommand_data()
{
    QTest::addColumn<QString>("second");
    QTest::addColumn<QString>("told");
    QTest::newRow("startterm") << "startterm"
                               << "The previous command to PC1 is still in progress dqtzerr444";
    QTest::newRow("stoptermforce") << "stoptermforce"
                                   << "The previous command to PC1 is still in progress dqtzerr333";
    QTest::newRow("rebootterm") << "rebootterm"
                                << "The previous command to PC1 is still in progress dqtzerr449";
}

void TestEngine::busyChannelRefusesTheSecondCommand()
{
    QFETCH(QString, second);
    QFETCH(QString, told);
    Cafe c;
    c.channel.willHang();
    c.prompter.answer(true);
    c.engine->startnormal(c.pc1);
    QVERIFY(c.channel.isBusy());

    c.prompter.answer(true);
    if (second == QLatin1String("startterm"))
        c.engine->startnormal(c.pc2);
    else if (second == QLatin1String("stoptermforce"))
        c.engine->stopchargeforce(c.pc2);
    else
        c.engine->power(c.pc2, *commandNamed(second));
    QCOMPARE(c.prompter.last(), told);
    QCOMPARE(c.channel.openCount(), 1);

    // The first command goes on undisturbed.
    c.channel.connectNow();
    QCOMPARE(c.slot(c.pc1).state, SlotState::Normal);
    QCOMPARE(c.slot(c.pc2).state, SlotState::Free);
    QCOMPARE(c.channel.sent(), QByteArrayList{"startpc"});
    QCOMPARE(c.engine->pccommand(), QStringLiteral("startterm"));
    QCOMPARE(c.rows().size(), 1);
    QCOMPARE(c.rows().first().computer, QStringLiteral("PC1"));
}

void TestEngine::errorHandlerByStatusWord_data()
{
    QTest::addColumn<SlotState>("status");
    QTest::addColumn<bool>("terminate");
    QTest::addColumn<QString>("told");
    const QString head = QStringLiteral("Communication Error With PC1\nNo route to host");
    const QString ask = head + QStringLiteral("\nMake sure you have made the transaction\ndo you want to terminate ?");
    QTest::newRow("free") << SlotState::Free << false << head;
    QTest::newRow("normal, terminate") << SlotState::Normal << true << ask;
    QTest::newRow("normal, keep") << SlotState::Normal << false << ask;
    QTest::newRow("prepaid: silent") << SlotState::Prepaid << false << QString();
    QTest::newRow("account: silent") << SlotState::Account << false << QString();
}

void TestEngine::errorHandlerByStatusWord()
{
    QFETCH(SlotState, status);
    QFETCH(bool, terminate);
    QFETCH(QString, told);
    Cafe c;
    c.addAccount(QStringLiteral("1234"), 60);
    if (status == SlotState::Normal) {
        c.prompter.answer(true);
        c.engine->startnormal(c.pc1);
    } else if (status == SlotState::Prepaid) {
        c.prompter.answer(true);
        c.engine->startprepaid(c.pc1, 1800);
    } else if (status == SlotState::Account) {
        c.engine->startaccount(c.pc1, 60, QStringLiteral("1234"));
    }
    QTRY_COMPARE(c.slot(c.pc1).state, status);
    QTRY_VERIFY(c.idle());
    const int rowsBefore = int(c.rows().size());
    c.prompter.clear();

    c.channel.willFail(QStringLiteral("No route to host"));
    c.prompter.answer(true); // "Reboot"
    c.prompter.answer(terminate);
    c.engine->power(c.pc1, *commandNamed(QStringLiteral("rebootterm")));
    QTRY_VERIFY(c.idle());
    QTRY_COMPARE(c.prompter.said().size(), told.isEmpty() ? 1 : 2);
    if (!told.isEmpty()) {
        QCOMPARE(c.prompter.last(), told);
        QCOMPARE(c.prompter.said().last().icon, Prompter::Icon::Critical);
        QCOMPARE(c.prompter.said().last().question, status == SlotState::Normal);
    }
    QCOMPARE(c.slot(c.pc1).state, terminate ? SlotState::Free : status);
    if (terminate) {
        QCOMPARE(c.slot(c.pc1).picture, std::optional<Picture>(Picture::Error));
        QVERIFY(!c.computer(c.pc1).timer);
        // Nothing is billed or closed.
        QVERIFY(c.rows().first().enab);
    } else if (status == SlotState::Normal) {
        QVERIFY(c.computer(c.pc1).timer);
    }
    QCOMPARE(c.rows().size(), rowsBefore);
}

void TestEngine::usageTips()
{
    Cafe c;
    c.clock.set(QDateTime(Day, QTime(10, 0, 59)));
    QVERIFY(c.startNormal(c.pc1));
    QVERIFY(c.startPrepaid(c.pc2, 1800));
    c.clock.advance(1);
    QCOMPARE(c.engine->usageTip(c.pc1), QStringLiteral("START TIME: 10:00:59 CURRENT TIME USED: 0:00:01"));
    QCOMPARE(c.engine->usageTip(c.pc2), QStringLiteral("TIME LEFT 00:29:59"));
    c.clock.advance(25 * 3600);
    QCOMPARE(c.engine->usageTip(c.pc1), QStringLiteral("START TIME: 10:00:59 CURRENT TIME USED: 25:00:01"));
    c.restart();
    QVERIFY(c.engine->usageTip(qint64(999)).isNull());

    // The status view shows the charge so far and writes nothing.
    QSignalSpy opened(c.engine.get(), &Engine::billOpened);
    c.engine->currentStatus(c.pc1);
    QCOMPARE(opened.size(), 1);
    Bill *bill = opened.first().first().value<Bill *>();
    QCOMPARE(bill->caption(), QStringLiteral("Current Status For PC1"));
    QVERIFY(!bill->canConfirm());
    QVERIFY(!bill->showsEnd());
    QVERIFY(!bill->confirm());
    bill->close();
    QVERIFY(c.rows().first().enab);
    QCOMPARE(c.slot(c.pc1).state, SlotState::Normal);
}

void TestEngine::pressOnPrepaidDoesNothing()
{
    Cafe c;
    QVERIFY(c.startPrepaid(c.pc1, 1800));
    const int said = int(c.prompter.said().size());
    c.engine->startnormal(c.pc1);
    QCOMPARE(c.prompter.said().size(), said);
    QCOMPARE(c.channel.openCount(), 1);
}

void TestEngine::accountEnd_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<qint64>("credit");
    QTest::addColumn<qint64>("used");
    QTest::addColumn<QString>("totaltime");
    QTest::newRow("within the first minute: one minute") << qint64(20) << qint64(30) << qint64(1) << "0:00:20";
    QTest::newRow("twelve minutes") << qint64(12 * 60 + 5) << qint64(30) << qint64(12) << "0:12:05";
    QTest::newRow("beyond the credit") << qint64(45 * 60) << qint64(30) << qint64(45) << "0:45:00";
}

void TestEngine::accountEnd()
{
    QFETCH(qint64, seconds);
    QFETCH(qint64, credit);
    QFETCH(qint64, used);
    QFETCH(QString, totaltime);
    Cafe c;
    CustomerRow customer;
    customer.name = QStringLiteral("Eleni");
    customer.password = QStringLiteral("1234");
    customer.time = credit + 10;
    customer.usedtime = 10;
    customer.timeleft = credit;
    customer.timer = true;
    const qint64 account = c.customers.addAccount(customer).value_or(0);
    customer.name = QStringLiteral("Other");
    customer.password = QStringLiteral("9999");
    const qint64 other = c.customers.addAccount(customer).value_or(0);

    c.engine->startaccount(c.pc1, credit, QStringLiteral("1234"));
    QVERIFY(c.prompter.said().isEmpty());
    QTRY_COMPARE(c.slot(c.pc1).state, SlotState::Account);
    QCOMPARE(c.channel.sent(), QByteArrayList{"u" + QByteArray::number(credit)});
    QCOMPARE(c.slot(c.pc1).picture, std::optional<Picture>(Picture::Account));
    const KinRow started = c.rows().first();
    QVERIFY(started.userenab);
    QCOMPARE(started.type, QStringLiteral("user"));
    QCOMPARE(started.userpin, QStringLiteral("1234"));
    QCOMPARE(started.ptime, std::optional<qint64>(credit));
    QVERIFY(c.computer(c.pc1).user);
    QTRY_VERIFY(c.idle());

    c.restart();
    QCOMPARE(c.slot(c.pc1).pin, QStringLiteral("1234"));
    c.clock.advance(seconds);
    c.engine->endaccount(c.pc1);
    QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
    QCOMPARE(c.channel.openCount(), 1); // no command on the client's own logoff
    const CustomerRow after = *c.customers.account(account);
    QCOMPARE(after.timeleft, credit - used);
    QCOMPARE(after.time, credit - used);
    QCOMPARE(after.usedtime, 10 + used);
    QVERIFY(!after.timer);
    QCOMPARE(c.customers.account(other)->timeleft, credit);
    const KinRow closed = c.rows().first();
    QVERIFY(!closed.userenab);
    QCOMPARE(closed.totaltime, totaltime);
    QCOMPARE(closed.enddate, std::optional<QDate>(c.clock.now().date()));
    QVERIFY(!c.computer(c.pc1).user);
}

void TestEngine::accountDisconnectedByOperator()
{
    Cafe c;
    c.addAccount(QStringLiteral("77"), 50);
    c.engine->startaccount(c.pc1, 50, QStringLiteral("77"));
    QTRY_COMPARE(c.slot(c.pc1).state, SlotState::Account);
    QTRY_VERIFY(c.idle());
    c.clock.advance(300);
    c.prompter.answer(false);
    c.engine->startnormal(c.pc1);
    QCOMPARE(c.prompter.last(), QStringLiteral("Diconnect User From PC1 ?"));
    QCOMPARE(c.slot(c.pc1).state, SlotState::Account);
    c.prompter.answer(true);
    c.engine->startnormal(c.pc1);
    QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
    QTRY_COMPARE(c.channel.sent().last(), QByteArray("stopuser"));
    QCOMPARE(c.customers.accountsWithPin(QStringLiteral("77"))->first().timeleft, qint64(45));
}

void TestEngine::failedAccountStartIsReported()
{
    Cafe c;
    QSignalSpy failed(c.engine.get(), &Engine::accountStartFailed);
    c.channel.willFail(QStringLiteral("Connection refused"));
    c.engine->setCurrentComputer(c.pc2);
    c.engine->startaccount(c.pc1, 30, QStringLiteral("4321"));
    QTRY_COMPARE(failed.size(), 1);
    QCOMPARE(failed.first().at(0).toLongLong(), c.pc1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("4321"));
    // The report names the logon's computer, not the one last pressed.
    QCOMPARE(c.prompter.last(), QStringLiteral("Communication Error With PC1\nConnection refused"));
    QVERIFY(c.rows().isEmpty());
    QCOMPARE(c.slot(c.pc1).state, SlotState::Free);
}

void TestEngine::secondBillWaitsForTheFirst()
{
    Cafe c;
    QSignalSpy opened(c.engine.get(), &Engine::billOpened);
    for (qint64 aa : {c.pc1, c.pc2}) {
        QVERIFY(c.startNormal(aa));
    }
    c.clock.advance(20 * 60);
    for (qint64 aa : {c.pc1, c.pc2}) {
        c.prompter.answer(true);
        c.engine->startnormal(aa);
        QTRY_COMPARE(c.slot(aa).state, SlotState::Free);
        QTRY_VERIFY(c.idle());
    }
    QCOMPARE(opened.size(), 1);
    QCOMPARE(c.engine->waitingBills(), 1);
    Bill *first = opened.first().first().value<Bill *>();
    QCOMPARE(first->computer(), QStringLiteral("PC1"));

    // A prepaid expiry waits while a bill is on screen.
    QVERIFY(c.startPrepaid(c.pc1, 60));
    c.clock.advance(120);
    c.engine->checkPrepaidExpiry(c.pc1);
    QCOMPARE(c.slot(c.pc1).state, SlotState::Prepaid);

    QVERIFY(first->confirm());
    QCOMPARE(opened.size(), 2);
    QCOMPARE(opened.last().first().value<Bill *>()->computer(), QStringLiteral("PC2"));
}

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
