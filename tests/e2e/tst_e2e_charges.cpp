// The engine and the real command channel against korvane-client processes
// on loopback, through the port offset: what the operator starts and ends
// reaches the client exactly, and what cannot reach it changes nothing.

#include "CafeFixture.h"
#include "LinkTestSupport.h"
#include "engine/Transfer.h"

#include <QSignalSpy>
#include <QtTest>

using namespace linktest;

namespace {
const Ports Shifted = Ports::withOffset(Offset);

QStringList noBroadcast() { return {QStringLiteral("--no-broadcast")}; }
} // namespace

class TestE2eCharges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(clientBinary()), qPrintable("no korvane-client at " + clientBinary()));
    }

    // Every command of the console, as the client receives it: the one place
    // where the wire texts are written out. A moved charge reaches PC2.
    void wire_data()
    {
        QTest::addColumn<QString>("running"); // what runs on PC1 before the step
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("state");
        const auto row = [](const char *name, const char *running, const char *step, const char *text,
                            const char *state) {
            QTest::newRow(name) << QString(running) << QString(step) << QString(text) << QString(state);
        };
        row("normal start", "", "press", "startpc", "unlocked");
        row("normal end", "normal", "press", "stoppc", "locked");
        row("prepaid start", "", "prepaid 1800", "t1800", "unlocked 1800s");
        row("prepaid stop", "prepaid", "stop prepaid", "stoppc", "locked");
        row("account start", "", "account 60", "u60", "unlocked 60min");
        row("account disconnect", "account", "press", "stopuser", "locked");
        row("reboot", "", "rebootterm", "reboot", "locked");
        row("log off", "", "logoff", "logoff", "locked");
        row("shut down", "", "shutdown", "shutdown", "locked");
        row("suspend", "", "powerdown", "powerdown", "locked");
        row("normal moved", "normal", "move", "m754", "unlocked");
        row("prepaid moved", "prepaid", "move", "p1047", "unlocked 1047s");
    }
    void wire()
    {
        QFETCH(QString, running);
        QFETCH(QString, step);
        QFETCH(QString, text);
        QFETCH(QString, state);
        Agent first, second;
        QVERIFY2(first.start(address(40, 1), noBroadcast()), qPrintable(first.errors()));
        QVERIFY2(second.start(address(40, 2), noBroadcast()), qPrintable(second.errors()));
        LiveCafe c(Shifted, {{"PC1", address(40, 1)}, {"PC2", address(40, 2)}});
        QVERIFY(c.ok());
        QVERIFY(c.addAccount("1234", 60, true));
        Transfer transfer(*c.engine, c.cafe, c.prompter, c.clock, [] { return new TcpChannel(Shifted.command); });
        const auto act = [&](const QString &what) {
            c.prompter.answer(true);
            if (what == "press")
                c.engine->startNormal(c.pc1);
            else if (what.startsWith("prepaid "))
                c.engine->startPrepaid(c.pc1, what.mid(8).toLongLong());
            else if (what.startsWith("account "))
                c.engine->startAccount(c.pc1, what.mid(8).toLongLong(), "1234");
            else if (what == "stop prepaid")
                c.engine->stopPrepaid(c.pc1);
            else if (what == "move")
                QVERIFY(transfer.load(c.pc1) && transfer.ok("PC2") == Transfer::Answer::Started);
            else
                c.engine->power(c.pc1, *commandNamed(what));
        };
        if (!running.isEmpty()) {
            act(running == "normal" ? "press" : running == "prepaid" ? "prepaid 1800" : "account 60");
            QVERIFY(first.waitFor("command"));
            QTRY_VERIFY(c.idle());
        }
        Agent &to = step == "move" ? second : first;
        const qint64 at = step == "move" ? c.pc2 : c.pc1;
        const int before = to.count("command");
        c.clock.advance(754);
        act(step);
        QVERIFY(to.waitFor("command", before + 1));
        QCOMPARE(to.last("command").value("text").toString(), text);
        QCOMPARE(to.last("command").value("state").toString(), state);
        QTRY_VERIFY(c.idle() && !transfer.isBusy());
        QCOMPARE(c.slot(at).isFree(), state == "locked");
        QVERIFY(!to.waitFor("command", before + 2, 200));
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
        QVERIFY(account);
        if (kind == QLatin1String("account"))
            c.engine->startAccount(pc, 60, QStringLiteral("1234"));
        else
            QVERIFY(c.startPrepaid(pc, 1800));
        QVERIFY(agent.waitFor("command"));
        QTRY_VERIFY(c.idle() && !c.slot(pc).isFree());
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
