// Moving a running charge between two korvane-client agents with the real
// channels, and following it to its end on the new computer.

#include "E2eCafe.h"
#include "link/Transfer.h"

#include <QtTest>

using namespace linktest;
using e2e::Cafe;

namespace {
const Ports Shifted = Ports::withOffset(Offset);

QStringList noBroadcast() { return {QStringLiteral("--no-broadcast")}; }
} // namespace

class TestE2eTransfer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(clientBinary()), qPrintable("no korvane-client at " + clientBinary()));
    }

    void moveAndEnd_data()
    {
        QTest::addColumn<qint64>("prepaid"); // seconds bought; 0 for a normal charge
        QTest::addColumn<bool>("oldAnswers");
        QTest::addColumn<QString>("unlock");
        QTest::addColumn<QString>("state");
        QTest::newRow("normal") << qint64(0) << true << "m754" << "unlocked";
        QTest::newRow("prepaid") << qint64(1800) << true << "p1047" << "unlocked 1047s";
        QTest::newRow("normal, old computer gone") << qint64(0) << false << "m754" << "unlocked";
        QTest::newRow("prepaid, old computer gone") << qint64(1800) << false << "p1047" << "unlocked 1047s";
    }
    void moveAndEnd()
    {
        QFETCH(qint64, prepaid);
        QFETCH(bool, oldAnswers);
        QFETCH(QString, unlock);
        QFETCH(QString, state);
        Agent oldAgent, newAgent, bystander;
        QVERIFY2(oldAgent.start(address(45, 1), noBroadcast()), qPrintable(oldAgent.errors()));
        QVERIFY2(newAgent.start(address(45, 2), noBroadcast()), qPrintable(newAgent.errors()));
        QVERIFY2(bystander.start(address(45, 3), noBroadcast()), qPrintable(bystander.errors()));
        Cafe c(Shifted);
        QVERIFY(c.start({{"OLD", address(45, 1)}, {"NEW", address(45, 2)}, {"BUSY", address(45, 3)}}));
        Transfer transfer(*c.engine, c.cafe, c.prompter, c.clock, [] {
            auto *channel = new TcpChannel(Shifted.command);
            channel->setTimeoutMs(1000);
            return channel;
        });

        c.prompter.answer(true);
        if (prepaid)
            c.engine->startprepaid(c.key("OLD"), prepaid);
        else
            c.engine->startnormal(c.key("OLD"));
        QVERIFY(oldAgent.waitFor("command"));
        QTRY_VERIFY(c.idle());
        // A computer that is in use is not offered.
        c.prompter.answer(true);
        c.engine->startnormal(c.key("BUSY"));
        QVERIFY(bystander.waitFor("command"));
        QTRY_VERIFY(c.idle());
        const qint64 key = c.slot("OLD").transaction;
        QVERIFY(key != 0);

        if (!oldAnswers)
            oldAgent.stop();
        c.clock.advance(754);
        c.prompter.clear();
        QVERIFY(transfer.load(c.key("OLD")));
        QCOMPARE(transfer.freepcs(), QStringList{"NEW"});
        c.prompter.answer(true);
        QCOMPARE(transfer.ok("NEW"), Transfer::Answer::Started);
        QVERIFY(newAgent.waitFor("command"));
        QCOMPARE(newAgent.last("command").value("text").toString(), unlock);
        QCOMPARE(newAgent.last("command").value("state").toString(), state);
        QTRY_VERIFY_WITH_TIMEOUT(!transfer.isBusy(), 3000);

        if (oldAnswers) {
            QVERIFY(oldAgent.waitFor("command", 2));
            QCOMPARE(oldAgent.last("command").value("text").toString(), QStringLiteral("stoppc"));
            QCOMPARE(oldAgent.last("command").value("state").toString(), QStringLiteral("locked"));
            QCOMPARE(c.prompter.texts(), (QStringList{"Change Computer ?", "Done"}));
        } else {
            QCOMPARE(c.prompter.texts().size(), 2);
            QVERIFY2(c.prompter.last().startsWith("The time charge now runs on NEW, but OLD could not be reached"),
                     qPrintable(c.prompter.last()));
        }
        // The same transaction, now on the new computer, with the flags following it.
        const KinRow moved = *c.cafe.transaction(key);
        QCOMPARE(moved.computer, QStringLiteral("NEW"));
        QVERIFY(moved.isOpen());
        QCOMPARE(moved.starttime, e2e::Opening);
        const ComputerRow oldRow = c.computer("OLD"), newRow = c.computer("NEW");
        QVERIFY(!oldRow.timer && !oldRow.pretime);
        QCOMPARE(newRow.timer, prepaid == 0);
        QCOMPARE(newRow.pretime, prepaid != 0);
        QCOMPARE(c.slot("OLD").state, SlotState::Free);
        QCOMPARE(c.slot("NEW").state, prepaid ? SlotState::Prepaid : SlotState::Normal);
        QCOMPARE(c.slot("NEW").transaction, key);
        QCOMPARE(bystander.count("command"), 1);

        // Ending it on the new computer locks the new computer and bills the same row.
        c.clock.advance(600);
        c.prompter.answer(true);
        if (prepaid)
            c.engine->stopPrepaid(c.key("NEW"));
        else
            c.engine->startnormal(c.key("NEW"));
        QVERIFY(newAgent.waitFor("command", 2));
        QCOMPARE(newAgent.last("command").value("text").toString(), QStringLiteral("stoppc"));
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.bills.size(), 1);
        QVERIFY(c.bills[0] && c.bills[0]->confirm());
        QCOMPARE(c.bills[0]->computer(), QStringLiteral("NEW"));
        const KinRow closed = *c.cafe.transaction(key);
        QVERIFY(!closed.isOpen());
        QCOMPARE(closed.computer, QStringLiteral("NEW"));
        if (!prepaid)
            QCOMPARE(closed.totaltime, QStringLiteral("0:22:34")); // 754 + 600 seconds, from the first start
        QCOMPARE(c.rows().size(), 2); // the bystander's and the moved one: no row was added
        QVERIFY(!c.computer("NEW").timer && !c.computer("NEW").pretime);
    }
};

QTEST_MAIN(TestE2eTransfer)
#include "tst_e2e_transfer.moc"
