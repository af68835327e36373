#include "TransferFixture.h"

#include <QSignalSpy>

class TestTransfer : public QObject
{
    Q_OBJECT
private slots:
    void chargeFollowsTheCustomer_data();
    void chargeFollowsTheCustomer();
    void fieldsOfTheWindow_data();
    void fieldsOfTheWindow();
    void listOffersOnlyFreeComputers();
    void placeholderIsRefused();
    void noLeavesEverythingAsItIs();
    void newComputerUnreachable();
    void oldComputerUnreachable();
    void refusedWhenNoLongerPossible_data();
    void refusedWhenNoLongerPossible();
    void newComputerTakenWhileConnecting();
    void booksRefusingLeaveEverythingAsItWas();
    void notClosedWhileInFlight();
    void onlyRunningChargesOpenTheWindow();
};

void TestTransfer::chargeFollowsTheCustomer_data()
{
    QTest::addColumn<QDateTime>("startAt");
    QTest::addColumn<qint64>("prepaid"); // seconds bought, 0 for a normal charge
    QTest::addColumn<qint64>("openAfter");
    QTest::addColumn<qint64>("okAfter");
    QTest::addColumn<QByteArray>("unlock");

    const QDateTime ten(Day, QTime(10, 0));
    QTest::newRow("normal") << ten << qint64(0) << qint64(1530) << qint64(0) << QByteArray("m1530");
    // The seconds are those of the moment the new computer accepts.
    QTest::newRow("normal, window left open") << ten << qint64(0) << qint64(1530) << qint64(45)
                                              << QByteArray("m1575");
    QTest::newRow("normal begun yesterday") << QDateTime(Day, QTime(23, 50)) << qint64(0) << qint64(20 * 60)
                                            << qint64(0) << QByteArray("m1200");
    QTest::newRow("prepaid") << ten << qint64(1800) << qint64(600) << qint64(0) << QByteArray("p1201");
    QTest::newRow("prepaid, one second left") << ten << qint64(1800) << qint64(1799) << qint64(0)
                                              << QByteArray("p2");
    QTest::newRow("prepaid across midnight") << QDateTime(Day, QTime(23, 30)) << qint64(3600) << qint64(45 * 60)
                                             << qint64(0) << QByteArray("p901");
}

void TestTransfer::chargeFollowsTheCustomer()
{
    QFETCH(QDateTime, startAt);
    QFETCH(qint64, prepaid);
    QFETCH(qint64, openAfter);
    QFETCH(qint64, okAfter);
    QFETCH(QByteArray, unlock);

    TransferCafe c;
    QVERIFY(c.ok());
    c.clock.set(startAt);
    QVERIFY(prepaid ? c.startPrepaid(c.pc[1], prepaid) : c.startNormal(c.pc[1]));
    const Slot before = c.slot(c.pc[1]);
    const qint64 key = before.transaction;
    QVERIFY(key != 0);

    QSignalSpy timers(c.engine.get(), &Engine::prepaidTimerChanged);
    QSignalSpy pictures(c.engine.get(), &Engine::pictureChanged);
    c.clock.advance(openAfter);
    QVERIFY(c.window->openFor(c.pc[1]));
    c.clock.advance(okAfter);
    c.prompter.clear();
    c.move(QStringLiteral("PC2"));
    QCOMPARE(c.prompter.said().first().text, QStringLiteral("Change Computer ?"));
    QVERIFY(c.prompter.said().first().question);
    QTRY_VERIFY(!c.window->isVisible());

    QCOMPARE(c.newChannel->opened(), QStringList{QStringLiteral("127.0.0.12")});
    QCOMPARE(c.newChannel->sent(), QByteArrayList{unlock});
    QCOMPARE(c.oldChannel->opened(), QStringList{QStringLiteral("127.0.0.11")});
    QCOMPARE(c.oldChannel->sent(), QByteArrayList{"stoppc"});
    QCOMPARE(c.prompter.last(), QStringLiteral("Done"));
    QCOMPARE(c.channel.openCount(), 1); // only the start: the move has its own channels

    // The same transaction, now on the new computer, with all it had.
    const KinRow row = c.row(key);
    QCOMPARE(row.computer, QStringLiteral("PC2"));
    QCOMPARE(row.starttime, startAt);
    QVERIFY(prepaid ? row.pretimeenab : row.enab);
    QCOMPARE(row.ptime, prepaid ? std::optional<qint64>(prepaid) : std::optional<qint64>());
    const ComputerRow oldRow = c.computer(c.pc[1]);
    const ComputerRow newRow = c.computer(c.pc[2]);
    QVERIFY(!oldRow.timer && !oldRow.pretime && !oldRow.user);
    QCOMPARE(newRow.timer, prepaid == 0);
    QCOMPARE(newRow.pretime, prepaid != 0);

    const Slot &moved = c.slot(c.pc[2]);
    QCOMPARE(moved.state, prepaid ? SlotState::Prepaid : SlotState::Normal);
    QCOMPARE(moved.start, startAt);
    QCOMPARE(moved.transaction, key);
    QCOMPARE(moved.plannedEnd, before.plannedEnd);
    QCOMPARE(moved.amount, before.amount);
    QCOMPARE(moved.prepaidTimer, prepaid != 0);
    QCOMPARE(moved.picture, std::optional<Picture>(prepaid ? Picture::Prepaid : Picture::Normal));
    const Slot &left = c.slot(c.pc[1]);
    QVERIFY(left.isFree());
    QCOMPARE(left.transaction, qint64(0));
    QVERIFY(!left.start.isValid());
    QVERIFY(!left.prepaidTimer);
    QCOMPARE(left.picture, std::optional<Picture>(Picture::Free));
    QCOMPARE(pictures.size(), 2);
    QCOMPARE(timers.size(), prepaid ? 2 : 0);

    // The moved charge ends on its new computer as any other.
    if (prepaid == 0) {
        QSignalSpy bills(c.engine.get(), &Engine::billOpened);
        c.prompter.answer(true);
        c.engine->startnormal(c.pc[2]);
        QTRY_COMPARE(bills.size(), 1);
        QVERIFY(bills.first().first().value<Bill *>()->confirm());
        QVERIFY(!c.row(key).enab);
        QVERIFY(!c.computer(c.pc[2]).timer);
    }
}

void TestTransfer::fieldsOfTheWindow_data()
{
    QTest::addColumn<qint64>("prepaid");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("texts"); // Text1 to Text7, "#" for the transaction key
    QTest::newRow("normal") << qint64(0) << QStringLiteral("Transferring PC1")
                            << QStringList{"ison", "10:00:00", "127.0.0.11", "#", "", "95", ""};
    QTest::newRow("prepaid") << qint64(1800) << QStringLiteral("Transfer")
                             << QStringList{"isonpre", "10:30:00", "10:00:00", "127.0.0.11", "#", "1706", "1800"};
}

void TestTransfer::fieldsOfTheWindow()
{
    QFETCH(qint64, prepaid);
    QFETCH(QString, title);
    QFETCH(QStringList, texts);
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(prepaid ? c.startPrepaid(c.pc[1], prepaid) : c.startNormal(c.pc[1]));
    c.clock.advance(95);
    QVERIFY(c.window->openFor(c.pc[1]));
    QCOMPARE(c.window->windowTitle(), title);
    QCOMPARE(c.find<QLabel>(QStringLiteral("Label1"))->text(), QStringLiteral("PC1"));
    const QString key = QString::number(c.slot(c.pc[1]).transaction);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(c.text(i + 1), texts[i] == QLatin1String("#") ? key : texts[i]);
    QCOMPARE(c.window->transfer().metaforatype(), prepaid ? QStringLiteral("pretime") : QStringLiteral("normal"));
}

void TestTransfer::listOffersOnlyFreeComputers()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startNormal(c.pc[1]));
    QVERIFY(c.startPrepaid(c.pc[3], 600));
    // A customer account runs on PC4: only its roster flag says so here.
    QVERIFY(c.cafe.setFlag(QStringLiteral("PC4"), ComputerFlag::User, true));
    QVERIFY(c.window->openFor(c.pc[1]));
    QCOMPARE(c.listed(), (QStringList{QStringLiteral("-ΕΠΙΛΟΓΗ-"), QStringLiteral("PC2")}));
    QCOMPARE(c.combo()->currentText(), QStringLiteral("-ΕΠΙΛΟΓΗ-"));
}

void TestTransfer::placeholderIsRefused()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startNormal(c.pc[1]));
    QVERIFY(c.window->openFor(c.pc[1]));
    c.prompter.clear();
    c.okButton()->click();
    QCOMPARE(c.prompter.said().size(), 1);
    QCOMPARE(c.prompter.last(), QStringLiteral("No Computer Has Been Selected "));
    QCOMPARE(c.prompter.said().last().icon, Prompter::Icon::Information);
    QVERIFY(!c.prompter.said().last().question);
    QVERIFY(c.window->isVisible());
    QVERIFY(!c.newChannel);
}

void TestTransfer::noLeavesEverythingAsItIs()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startNormal(c.pc[1]));
    const qint64 key = c.slot(c.pc[1]).transaction;
    QVERIFY(c.window->openFor(c.pc[1]));
    c.prompter.clear();
    c.move(QStringLiteral("PC2"), false);
    QCOMPARE(c.prompter.texts(), QStringList{QStringLiteral("Change Computer ?")});
    QVERIFY(c.window->isVisible());
    QVERIFY(!c.newChannel || c.newChannel->openCount() == 0);
    QCOMPARE(c.slot(c.pc[1]).state, SlotState::Normal);
    QVERIFY(c.slot(c.pc[2]).isFree());
    QCOMPARE(c.row(key).computer, QStringLiteral("PC1"));
    QVERIFY(c.computer(c.pc[1]).timer);
    QVERIFY(!c.computer(c.pc[2]).timer);
}

void TestTransfer::newComputerUnreachable()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startPrepaid(c.pc[1], 1800));
    const qint64 key = c.slot(c.pc[1]).transaction;
    QVERIFY(c.window->openFor(c.pc[1]));
    c.choose(QStringLiteral("PC2"));
    // The channels exist from the first move on; this one is refused.
    c.window->transfer().setChannelFactory([&c]() -> CommandChannel * {
        auto *made = new FakeChannel;
        if (!c.newChannel)
            made->willFail(QStringLiteral("Connection refused"));
        (c.newChannel ? c.oldChannel : c.newChannel) = made;
        return made;
    });
    c.prompter.answer(true);
    c.okButton()->click();
    QVERIFY(!c.okButton()->isEnabled());
    QTRY_COMPARE(c.prompter.last(), QStringLiteral("Communication Error\nConnection refused"));
    QCOMPARE(c.prompter.said().last().icon, Prompter::Icon::Critical);
    QVERIFY(c.window->isVisible());
    QVERIFY(c.okButton()->isEnabled());
    QCOMPARE(c.oldChannel->openCount(), 0);
    QCOMPARE(c.slot(c.pc[1]).state, SlotState::Prepaid);
    QVERIFY(c.slot(c.pc[1]).prepaidTimer);
    QVERIFY(c.slot(c.pc[2]).isFree());
    QCOMPARE(c.row(key).computer, QStringLiteral("PC1"));
    QVERIFY(c.computer(c.pc[1]).pretime);
    QVERIFY(!c.computer(c.pc[2]).pretime);

    // The window is still usable: another try reaches another computer.
    c.newChannel->willConnect();
    c.move(QStringLiteral("PC3"));
    QTRY_VERIFY(!c.window->isVisible());
    QCOMPARE(c.newChannel->opened().last(), QStringLiteral("127.0.0.13"));
    QCOMPARE(c.row(key).computer, QStringLiteral("PC3"));
    QCOMPARE(c.slot(c.pc[3]).state, SlotState::Prepaid);
}

void TestTransfer::oldComputerUnreachable()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startNormal(c.pc[1]));
    const qint64 key = c.slot(c.pc[1]).transaction;
    c.clock.advance(60);
    QVERIFY(c.window->openFor(c.pc[1]));
    c.window->transfer().setChannelFactory([&c]() -> CommandChannel * {
        auto *made = new FakeChannel;
        if (c.newChannel)
            made->willFail(QStringLiteral("Connection timed out"));
        (c.newChannel ? c.oldChannel : c.newChannel) = made;
        return made;
    });
    c.move(QStringLiteral("PC2"));
    QTRY_VERIFY(!c.window->isVisible());
    QCOMPARE(c.newChannel->sent(), QByteArrayList{"m60"});
    QVERIFY(c.oldChannel->sent().isEmpty());
    QCOMPARE(c.prompter.last(), QStringLiteral("The time charge now runs on PC2, but PC1 could not be reached and"
                                               " was not locked.\nConnection timed out"));
    QCOMPARE(c.prompter.said().last().icon, Prompter::Icon::Critical);
    QVERIFY(!c.prompter.texts().contains(QStringLiteral("Done")));
    // The books follow the charge all the same.
    QCOMPARE(c.row(key).computer, QStringLiteral("PC2"));
    QVERIFY(c.computer(c.pc[2]).timer);
    QVERIFY(!c.computer(c.pc[1]).timer);
    QCOMPARE(c.slot(c.pc[2]).transaction, key);
    QVERIFY(c.slot(c.pc[1]).isFree());
}

void TestTransfer::refusedWhenNoLongerPossible_data()
{
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("stays");
    QTest::newRow("new computer started") << "start PC2" << "PC2 is no longer free" << true;
    QTest::newRow("new computer flagged in the books") << "flag PC2" << "PC2 is no longer free" << true;
    QTest::newRow("charge ended") << "end PC1" << "The time charge of PC1 has already ended" << false;
    QTest::newRow("prepaid time up") << "expire PC1" << "The time charge of PC1 has already ended" << false;
}

void TestTransfer::refusedWhenNoLongerPossible()
{
    QFETCH(QString, meanwhile);
    QFETCH(QString, told);
    QFETCH(bool, stays);
    TransferCafe c;
    QVERIFY(c.ok());
    const bool prepaid = meanwhile == QLatin1String("expire PC1");
    QVERIFY(prepaid ? c.startPrepaid(c.pc[1], 600) : c.startNormal(c.pc[1]));
    const qint64 key = c.slot(c.pc[1]).transaction;
    QVERIFY(c.window->openFor(c.pc[1]));
    c.choose(QStringLiteral("PC2"));

    if (meanwhile == QLatin1String("start PC2")) {
        QVERIFY(c.startNormal(c.pc[2]));
    } else if (meanwhile == QLatin1String("flag PC2")) {
        QVERIFY(c.cafe.setFlag(QStringLiteral("PC2"), ComputerFlag::User, true));
    } else if (meanwhile == QLatin1String("end PC1")) {
        c.prompter.answer(true);
        c.engine->startnormal(c.pc[1]);
        QTRY_VERIFY(c.slot(c.pc[1]).isFree());
    } else {
        // The last second has passed; the timer has not ticked yet.
        c.clock.advance(600);
    }
    c.prompter.clear();
    c.prompter.answer(true);
    c.okButton()->click();
    QCOMPARE(c.prompter.texts(), QStringList{told});
    QCOMPARE(c.window->isVisible(), stays);
    QVERIFY(!c.newChannel);
    if (stays)
        QVERIFY(!c.listed().contains(QStringLiteral("PC2")));
    QCOMPARE(c.row(key).computer, QStringLiteral("PC1"));
    QVERIFY(c.slot(c.pc[2]).transaction != key);
}

void TestTransfer::newComputerTakenWhileConnecting()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startNormal(c.pc[1]));
    const qint64 key = c.slot(c.pc[1]).transaction;
    QVERIFY(c.window->openFor(c.pc[1]));
    c.window->transfer().setChannelFactory([&c]() -> CommandChannel * {
        auto *made = new FakeChannel;
        made->willHang();
        (c.newChannel ? c.oldChannel : c.newChannel) = made;
        return made;
    });
    c.move(QStringLiteral("PC2"));
    QVERIFY(c.newChannel && c.newChannel->isBusy());
    // The operator cannot reach the map behind a modal window; a customer
    // account can still start there.
    c.engine->startaccount(c.pc[2], 120, QStringLiteral("1234"));
    QTRY_COMPARE(c.slot(c.pc[2]).state, SlotState::Account);
    QTRY_VERIFY(!c.channel.isBusy());
    c.newChannel->connectNow();
    QTRY_VERIFY(!c.window->transfer().isBusy());
    // Nothing unlocks the new computer; the charge stays where it was.
    QCOMPARE(c.newChannel->sent(), QByteArrayList{QByteArray()});
    QCOMPARE(c.prompter.last(), QStringLiteral("PC2 is no longer free"));
    QCOMPARE(c.oldChannel->openCount(), 0);
    QCOMPARE(c.slot(c.pc[1]).transaction, key);
    QCOMPARE(c.row(key).computer, QStringLiteral("PC1"));
    QVERIFY(c.window->isVisible());
    QVERIFY(c.okButton()->isEnabled());
}

void TestTransfer::booksRefusingLeaveEverythingAsItWas()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startNormal(c.pc[1]));
    const qint64 key = c.slot(c.pc[1]).transaction;
    // The transaction row can be moved, but the new computer's flag cannot be written.
    QVERIFY(c.cafe.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE OF timer ON computers"
                                       " WHEN NEW.pcname = 'PC2' BEGIN SELECT RAISE(ABORT, 'disk full'); END")));
    QVERIFY(c.window->openFor(c.pc[1]));
    c.prompter.clear();
    c.move(QStringLiteral("PC2"));
    QTRY_VERIFY(!c.window->transfer().isBusy());
    QCOMPARE(c.prompter.said().size(), 2);
    QVERIFY(c.prompter.last().startsWith(QStringLiteral("The books could not be read or written.\n")));
    QVERIFY(c.prompter.last().contains(QStringLiteral("disk full")));
    // The new computer is sent nothing that unlocks it, the old one is left alone.
    QCOMPARE(c.newChannel->sent(), QByteArrayList{QByteArray()});
    QCOMPARE(c.oldChannel->openCount(), 0);
    QCOMPARE(c.row(key).computer, QStringLiteral("PC1"));
    QVERIFY(c.computer(c.pc[1]).timer);
    QVERIFY(!c.computer(c.pc[2]).timer);
    QCOMPARE(c.slot(c.pc[1]).transaction, key);
    QVERIFY(c.slot(c.pc[2]).isFree());
    QVERIFY(c.window->isVisible());
}

void TestTransfer::notClosedWhileInFlight()
{
    TransferCafe c;
    QVERIFY(c.ok());
    QVERIFY(c.startNormal(c.pc[1]));
    QVERIFY(c.window->openFor(c.pc[1]));
    c.window->transfer().setChannelFactory([&c]() -> CommandChannel * {
        auto *made = new FakeChannel;
        if (!c.newChannel)
            made->willHang();
        (c.newChannel ? c.oldChannel : c.newChannel) = made;
        return made;
    });
    c.move(QStringLiteral("PC2"));
    QCOMPARE(c.window->transfer().metafora(), QStringLiteral("anoikse"));
    c.window->reject();
    c.window->close();
    QVERIFY(c.window->isVisible());
    c.newChannel->connectNow();
    QTRY_VERIFY(!c.window->isVisible());
    QCOMPARE(c.window->transfer().metafora(), QString());
    QCOMPARE(c.slot(c.pc[2]).state, SlotState::Normal);
}

void TestTransfer::onlyRunningChargesOpenTheWindow()
{
    TransferCafe c;
    QVERIFY(c.ok());
    c.engine->startaccount(c.pc[3], 60, QStringLiteral("77"));
    QTRY_COMPARE(c.slot(c.pc[3]).state, SlotState::Account);
    QVERIFY(!c.window->openFor(c.pc[2]));
    QVERIFY(!c.window->openFor(c.pc[3]));
    QVERIFY(!c.window->openFor(999));
    QVERIFY(!c.window->isVisible());
}

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
