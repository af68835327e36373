// The engine and the real command channel against korvane-client processes
// on loopback, through the port offset: what the operator starts and ends
// reaches the client exactly, and what cannot reach it changes nothing.

#include "CafeFixture.h"
#include "LinkTestSupport.h"

using namespace linktest;

namespace {
const Ports Shifted = Ports::withOffset(Offset);

QStringList noBroadcast() { return {QStringLiteral("--no-broadcast")}; }
} // namespace

class TestE2eCharges : public QObject
{
    Q_OBJECT
private slots:
    // Every command of the engine, as the client receives it: the one place
    // where the engine's wire texts meet a client (a moved charge's:
    // tst_transfer and tst_clientagent, end to end tst_console).
    void wire_data()
    {
        QTest::addColumn<QString>("running"); // what runs on PC1 before the step
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("state");
        QTest::newRow("normal start") << "" << "press" << "startpc" << "unlocked";
        QTest::newRow("normal end") << "normal" << "press" << "stoppc" << "locked";
        QTest::newRow("prepaid start") << "" << "prepaid 1800" << "t1800" << "unlocked 1800s";
        QTest::newRow("prepaid stop") << "prepaid" << "stop prepaid" << "stoppc" << "locked";
        QTest::newRow("account start") << "" << "account 60" << "u60" << "unlocked 60min";
        QTest::newRow("account disconnect") << "account" << "press" << "stopuser" << "locked";
        QTest::newRow("reboot") << "" << "rebootterm" << "reboot" << "locked";
        QTest::newRow("log off") << "" << "logoff" << "logoff" << "locked";
        QTest::newRow("shut down") << "" << "shutdown" << "shutdown" << "locked";
        QTest::newRow("suspend") << "" << "powerdown" << "powerdown" << "locked";
    }
    void wire()
    {
        QFETCH(QString, running);
        QFETCH(QString, step);
        QFETCH(QString, text);
        QFETCH(QString, state);
        Agent agent;
        QVERIFY2(agent.start(address(40, 1), noBroadcast()), qPrintable(agent.errors()));
        LiveCafe c(Shifted, {{"PC1", address(40, 1)}});
        QVERIFY(c.ok() && c.addAccount("1234", 60, true));
        QVERIFY(running.isEmpty() || (c.start(running, c.pc1) && agent.waitFor("command")));
        const int before = agent.count("command");
        c.prompter.answer(true);
        if (step == "press")
            c.engine->startNormal(c.pc1);
        else if (step.startsWith("prepaid "))
            c.engine->startPrepaid(c.pc1, step.mid(8).toLongLong());
        else if (step.startsWith("account "))
            c.engine->startAccount(c.pc1, step.mid(8).toLongLong(), "1234");
        else if (step == "stop prepaid")
            c.engine->stopPrepaid(c.pc1);
        else
            c.engine->power(c.pc1, *commandNamed(step));
        QVERIFY(agent.waitFor("command", before + 1));
        QCOMPARE(agent.last("command").value("text").toString(), text);
        QCOMPARE(agent.last("command").value("state").toString(), state);
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.slot(c.pc1).isFree(), state == "locked");
        QVERIFY(!agent.waitFor("command", before + 2, 200));
    }

    // Ending a charge while another command is in flight is refused before
    // anything ends: the console and the client stay in step.
    void endingWhileAnotherCommandIsInFlight_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("disconnect a customer") << "account";
        QTest::newRow("stop prepaid time") << "prepaid";
    }
    void endingWhileAnotherCommandIsInFlight()
    {
        QFETCH(QString, kind);
        HangingPort hanging;
        if (!hanging.open(address(44, 250), Shifted.command))
            QSKIP("cannot make a listener with a full backlog here");
        Agent agent;
        QVERIFY2(agent.start(address(44, 1), noBroadcast()), qPrintable(agent.errors()));
        LiveCafe c(Shifted, {{"PC1", address(44, 1)}, {"SLOW", address(44, 250)}});
        QVERIFY(c.ok());
        const qint64 pc = c.pc1, account = c.addAccount("1234", 60, true);
        QVERIFY(account && c.start(kind, pc) && agent.waitFor("command"));
        const auto running = c.slot(pc).state;

        c.pressYes(c.key("SLOW"));
        QVERIFY(c.channel.isBusy());
        c.clock.advance(5 * 60);
        c.prompter.clear();
        c.prompter.answer(true);
        if (kind == QLatin1String("account"))
            c.engine->startNormal(pc); // the icon of a customer's computer: "Diconnect User From"
        else
            c.engine->stopPrepaid(pc);
        QVERIFY(c.prompter.texts().join('\n').contains(" is still in progress "));

        QTRY_VERIFY(c.idle());
        agent.waitFor("command", 2, 500); // a late command, if one is on its way
        const bool ended = c.slot(pc).isFree();
        const bool locked = agent.events().last().value("state").toString() == QLatin1String("locked");
        QVERIFY2(ended == locked, ended ? "the console ended the charge but the client was never locked"
                                        : "the client was locked but the console still runs the charge");
        if (!ended) {
            QVERIFY(c.slot(pc).state == running && c.rows().value(0).isOpen() && c.bills.isEmpty());
            if (kind == QLatin1String("account"))
                QVERIFY(c.account(account).timer && c.account(account).timeleft == 60);
        }
    }
};

QTEST_MAIN(TestE2eCharges)
#include "tst_e2e_charges.moc"
