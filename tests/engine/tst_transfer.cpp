#include "CafeFixture.h"
#include "RefuseWrites.h"
#include "Widgets.h"
#include "engine/TransferWindow.h"
#include "base/Format.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

namespace {
// Five computers and a transfer window whose two channels are fakes: the
// first made is the new computer's, the second the old one's.
struct Moving : Cafe
{
    std::unique_ptr<TransferWindow> window;
    FakeChannel *newChannel = nullptr;
    FakeChannel *oldChannel = nullptr;
    qint64 pc3 = key(QStringLiteral("PC3"));

    Moving()
        : Cafe(5)
    {
        window = std::make_unique<TransferWindow>(*engine, cafe, prompter, clock, Ports());
        setChannels([](FakeChannel *) {});
    }
    // Channels made from now on are set up by `how` before use.
    void setChannels(const std::function<void(FakeChannel *)> &how)
    {
        window->setChannelFactory([this, how]() -> CommandChannel * {
            auto *made = new FakeChannel;
            how(made);
            (newChannel ? oldChannel : newChannel) = made;
            return made;
        });
    }
    QStringList fields() const
    {
        return texts(window.get(),
                     {"status", "endTime", "startTime", "address", "transaction", "seconds", "prepaidSeconds"});
    }
    QComboBox *combo() const { return child<QComboBox>(window.get(), "newComputer"); }
    QPushButton *okButton() const { return child<QPushButton>(window.get(), "okButton"); }
    QStringList listed() const { return column(combo()->model(), 0); }
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

class TestTransfer : public QObject
{
    Q_OBJECT
private slots:
    void chargeFollowsTheCustomer_data()
    {
        QTest::addColumn<QDateTime>("startAt");
        QTest::addColumn<qint64>("prepaid"); // seconds bought, 0 for a normal charge
        QTest::addColumn<qint64>("openAfter");
        QTest::addColumn<qint64>("okAfter");
        QTest::addColumn<QByteArray>("unlock");
        QTest::addColumn<bool>("oldFails"); // the old computer cannot be reached to lock it

        const QDateTime ten(Day, QTime(10, 0));
        // clang-format off
        QTest::newRow("normal") << ten << qint64(0) << qint64(1530) << qint64(0) << QByteArray("m1530") << false;
        // The books follow the charge all the same.
        QTest::newRow("normal, old computer unreachable") << ten << qint64(0) << qint64(60) << qint64(0) << QByteArray("m60") << true;
        // The seconds are those of the moment the new computer accepts.
        QTest::newRow("normal, window left open") << ten << qint64(0) << qint64(1530) << qint64(45) << QByteArray("m1575") << false;
        QTest::newRow("prepaid, one second left") << ten << qint64(1800) << qint64(1799) << qint64(0) << QByteArray("p2") << false;
        QTest::newRow("prepaid across midnight") << QDateTime(Day, QTime(23, 30)) << qint64(3600) << qint64(45 * 60) << qint64(0) << QByteArray("p901") << false;
        // clang-format on
    }

    void chargeFollowsTheCustomer()
    {
        QFETCH(QDateTime, startAt);
        QFETCH(qint64, prepaid);
        QFETCH(qint64, openAfter);
        QFETCH(qint64, okAfter);
        QFETCH(QByteArray, unlock);
        QFETCH(bool, oldFails);

        Moving c;
        c.clock.set(startAt);
        QVERIFY(prepaid ? c.startPrepaid(c.pc1, prepaid) : c.startNormal(c.pc1));
        const Slot before = c.slot(c.pc1);
        const qint64 key = before.transaction;

        QSignalSpy timers(c.engine.get(), &Engine::prepaidTimerChanged);
        QSignalSpy pictures(c.engine.get(), &Engine::pictureChanged);
        c.clock.advance(openAfter);
        QVERIFY(c.window->openFor(c.pc1));
        c.setChannels([&c, oldFails](FakeChannel *f) {
            if (c.newChannel && oldFails)
                f->willFail(QStringLiteral("Connection timed out"));
        });
        c.clock.advance(okAfter);
        c.prompter.clear();
        c.move(QStringLiteral("PC2"));
        QVERIFY(c.prompter.said().first().question);
        QTRY_VERIFY(!c.window->isVisible());
        const QString unreachable = "The time charge now runs on PC2, but PC1 could not be reached and was not locked."
                                    "\nConnection timed out";
        QCOMPARE(c.prompter.texts(), (QStringList{"Change Computer ?", oldFails ? unreachable : "Done"}));
        QCOMPARE(c.prompter.said().last().icon, oldFails ? Prompter::Icon::Critical : Prompter::Icon::Information);
        QCOMPARE((QList<QStringList>{c.newChannel->opened(), c.oldChannel->opened()}),
                 (QList<QStringList>{{"127.0.0.12"}, {"127.0.0.11"}}));
        QCOMPARE((QList<QByteArrayList>{c.newChannel->sent(), c.oldChannel->sent()}),
                 (QList<QByteArrayList>{{unlock}, oldFails ? QByteArrayList() : QByteArrayList{"stoppc"}}));
        QCOMPARE(c.channel.openCount(), 1); // only the start: the move has its own channels

        // The same transaction, now on the new computer, with all it had.
        const KinRow row = c.row(key);
        QVERIFY(row.computer == "PC2" && row.starttime == startAt && (prepaid ? row.pretimeenab : row.enab));
        QCOMPARE(row.ptime, prepaid ? std::optional<qint64>(prepaid) : std::optional<qint64>());
        const ComputerRow oldRow = c.computer(c.pc1), newRow = c.computer(c.pc2);
        QVERIFY(!oldRow.timer && !oldRow.pretime && !oldRow.user);
        QVERIFY(newRow.timer == !prepaid && newRow.pretime == !!prepaid);

        const Slot &moved = c.slot(c.pc2);
        QCOMPARE(moved.state, prepaid ? SlotState::Prepaid : SlotState::Normal);
        QVERIFY(moved.start == startAt && moved.transaction == key && moved.prepaidTimer == !!prepaid
                && moved.plannedEnd == before.plannedEnd && moved.amount == before.amount);
        QCOMPARE(moved.picture, std::optional<Picture>(prepaid ? Picture::Prepaid : Picture::Normal));
        const Slot &left = c.slot(c.pc1);
        QVERIFY(left.isFree() && left.transaction == 0 && !left.start.isValid() && !left.prepaidTimer);
        QCOMPARE(left.picture, std::optional<Picture>(Picture::Free));
        QVERIFY(pictures.size() == 2 && timers.size() == (prepaid ? 2 : 0));

        // Ended on its new computer, it bills the same row, timed from the first start.
        c.clock.advance(600);
        c.prompter.answer(true);
        prepaid ? c.engine->stopPrepaid(c.pc2) : c.engine->startNormal(c.pc2);
        QTRY_COMPARE(c.bills.size(), 1);
        QVERIFY(c.bills[0]->confirm());
        QCOMPARE(c.rows().size(), 1);
        QVERIFY(c.row(key).computer == "PC2" && !c.row(key).isOpen());
        if (!prepaid)
            QCOMPARE(c.row(key).totaltime, Format::duration(openAfter + okAfter + 600));
        QVERIFY(!c.computer(c.pc2).timer && !c.computer(c.pc2).pretime);
    }

    void fieldsOfTheWindow_data()
    {
        QTest::addColumn<qint64>("prepaid");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("texts"); // in the window's order, "#" for the transaction key
        // clang-format off
        QTest::newRow("normal") << qint64(0) << QStringLiteral("Transferring PC1") << QStringList{"ison", "", "10:00:00", "127.0.0.11", "#", "95", ""};
        QTest::newRow("prepaid") << qint64(1800) << QStringLiteral("Transfer") << QStringList{"isonpre", "10:30:00", "10:00:00", "127.0.0.11", "#", "1706", "1800"};
        // clang-format on
    }

    void fieldsOfTheWindow()
    {
        QFETCH(qint64, prepaid);
        QFETCH(QString, title);
        QFETCH(QStringList, texts);
        Moving c;
        QVERIFY(prepaid ? c.startPrepaid(c.pc1, prepaid) : c.startNormal(c.pc1));
        QVERIFY(c.startPrepaid(c.pc3, 600));
        // Customer accounts run on PC4, where only its roster flag says so, and on PC5.
        QVERIFY(c.cafe.setFlag(QStringLiteral("PC4"), ComputerFlag::User, true));
        QVERIFY(c.start("account", c.key("PC5")));
        // Only running time charges open the window.
        QVERIFY(!c.window->openFor(c.pc2) && !c.window->openFor(c.key("PC5")) && !c.window->openFor(999));
        QVERIFY(!c.window->isVisible());
        c.clock.advance(95);
        QVERIFY(c.window->openFor(c.pc1));
        // Only free computers are offered.
        QCOMPARE(c.listed(), (QStringList{QStringLiteral("-ΕΠΙΛΟΓΗ-"), QStringLiteral("PC2")}));
        QCOMPARE(c.combo()->currentText(), QStringLiteral("-ΕΠΙΛΟΓΗ-"));
        QCOMPARE(c.window->windowTitle(), title);
        QCOMPARE(child<QLabel>(c.window.get(), "computerName")->text(), QStringLiteral("PC1"));
        texts.replaceInStrings(QStringLiteral("#"), QString::number(c.slot(c.pc1).transaction));
        QCOMPARE(c.fields(), texts);
    }

    void refusedWhenNoLongerPossible_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("told");
        QTest::addColumn<bool>("stays");
        const QString taken = "PC2 is no longer free", ended = "The time charge of PC1 has already ended";
        // clang-format off
        QTest::newRow("nothing chosen") << "unchoose" << "No Computer Has Been Selected " << true;
        QTest::newRow("answered No") << "answer No" << "Change Computer ?" << true;
        QTest::newRow("new computer started") << "start PC2" << taken << true;
        QTest::newRow("new computer flagged in the books") << "flag PC2" << taken << true;
        QTest::newRow("charge ended") << "end PC1" << ended << false;
        QTest::newRow("prepaid time up") << "expire PC1" << ended << false;
        // clang-format on
    }

    void refusedWhenNoLongerPossible()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QString, told);
        QFETCH(bool, stays);
        Moving c;
        const bool prepaid = meanwhile == QLatin1String("expire PC1");
        QVERIFY(prepaid ? c.startPrepaid(c.pc1, 600) : c.startNormal(c.pc1));
        const qint64 key = c.slot(c.pc1).transaction;
        QVERIFY(c.window->openFor(c.pc1));
        c.choose(QStringLiteral("PC2"));

        if (meanwhile == QLatin1String("unchoose")) {
            c.combo()->setCurrentIndex(0);
        } else if (meanwhile == QLatin1String("start PC2")) {
            QVERIFY(c.startNormal(c.pc2));
        } else if (meanwhile == QLatin1String("flag PC2")) {
            QVERIFY(c.cafe.setFlag(QStringLiteral("PC2"), ComputerFlag::User, true));
        } else if (meanwhile == QLatin1String("end PC1")) {
            c.pressYes(c.pc1);
            QTRY_VERIFY(c.slot(c.pc1).isFree());
        } else if (meanwhile == QLatin1String("expire PC1")) {
            // The last second has passed; the timer has not ticked yet.
            c.clock.advance(600);
        }
        c.prompter.clear();
        c.prompter.answer(meanwhile != QLatin1String("answer No"));
        c.okButton()->click();
        QCOMPARE(c.prompter.texts(), QStringList{told});
        if (meanwhile == QLatin1String("unchoose"))
            QCOMPARE(c.prompter.said().last().icon, Prompter::Icon::Information);
        QVERIFY(c.window->isVisible() == stays && !c.newChannel);
        if (stays)
            QVERIFY(c.listed().contains(QStringLiteral("PC2")) == !told.endsWith("free") && c.computer(c.pc1).timer);
        QVERIFY(c.row(key).computer == "PC1" && c.slot(c.pc2).transaction != key
                && c.computer(c.pc2).timer == (meanwhile == QLatin1String("start PC2")));
    }

    // The new computer cannot take the charge: nothing moves, nothing that
    // unlocks is sent, and the window stays for another try.
    void newComputerCannotTakeIt_data()
    {
        QTest::addColumn<QString>("why");
        QTest::addColumn<QString>("told");
        QTest::newRow("refused") << "refused" << QString("Communication Error\nConnection refused");
        QTest::newRow("taken while connecting") << "taken" << QString("PC2 is no longer free");
        QTest::newRow("books refuse") << "books" << QString("The books could not be read or written.\n");
    }
    void newComputerCannotTakeIt()
    {
        QFETCH(QString, why);
        QFETCH(QString, told);
        Moving c;
        QVERIFY(c.startPrepaid(c.pc1, 1800));
        const qint64 key = c.slot(c.pc1).transaction;
        if (why == "books") // the transaction row can be moved, the new computer's flag cannot be written
            QVERIFY(refuseWrites(c.cafe, "UPDATE OF pretime ON computers", "NEW.pcname = 'PC2'"));
        c.setChannels([&](FakeChannel *f) {
            if (why == "refused" && !c.newChannel)
                f->willFail(QStringLiteral("Connection refused"));
            else if (why == "taken" && !c.newChannel)
                f->willHang();
        });
        QVERIFY(c.window->openFor(c.pc1));
        c.prompter.clear();
        c.move(QStringLiteral("PC2"));
        c.window->reject(); // not closed while in flight
        c.window->close();
        QVERIFY(!c.okButton()->isEnabled() && c.window->isVisible());
        if (why == "taken") {
            // The operator cannot reach the map behind a modal window; a
            // customer account can still start there.
            c.engine->startAccount(c.pc2, 120, QStringLiteral("1234"));
            QTRY_VERIFY(c.slot(c.pc2).state == SlotState::Account && c.idle());
            c.newChannel->connectNow();
        }
        QTRY_VERIFY(!c.window->transfer().isBusy());
        QCOMPARE(c.prompter.said().size(), 2);
        QVERIFY2(c.prompter.last().startsWith(told), qPrintable(c.prompter.last()));
        QVERIFY(c.newChannel->sent().join().isEmpty() && c.oldChannel->openCount() == 0);
        QVERIFY(c.slot(c.pc1).transaction == key && c.slot(c.pc1).prepaidTimer && c.row(key).computer == "PC1");
        QVERIFY(c.computer(c.pc1).pretime && !c.computer(c.pc2).pretime);
        QVERIFY(c.window->isVisible() && c.okButton()->isEnabled());

        // Another try reaches another computer.
        c.newChannel->willConnect();
        c.move(QStringLiteral("PC3"));
        QTRY_VERIFY(!c.window->isVisible());
        QCOMPARE(c.newChannel->opened().last(), QStringLiteral("127.0.0.13"));
        QVERIFY(c.row(key).computer == "PC3" && c.slot(c.pc3).state == SlotState::Prepaid);
    }
};

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
