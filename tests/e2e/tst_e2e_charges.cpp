// The engine and the real command channel against korvane-client processes
// on loopback, through the port offset: what the operator starts and ends
// reaches the client, and what cannot reach it changes nothing.

#include "E2eCafe.h"
#include "link/PresencePoller.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace linktest;
using e2e::Cafe;

Q_DECLARE_METATYPE(Picture)

namespace {
const Ports Shifted = Ports::withOffset(Offset);
constexpr int Interval = PresencePoller::MinimumIntervalMs;

QStringList noBroadcast() { return {QStringLiteral("--no-broadcast")}; }

// Pictures the poller asked for, per computer.
struct PictureLog
{
    explicit PictureLog(PresencePoller &poller)
    {
        QObject::connect(&poller, &PresencePoller::pictureDue, &poller,
                         [this](qint64 aa, Picture p) { seen.append({aa, p}); });
    }
    std::optional<Picture> last(qint64 aa) const
    {
        for (auto it = seen.crbegin(); it != seen.crend(); ++it)
            if (it->first == aa)
                return it->second;
        return std::nullopt;
    }
    QList<std::pair<qint64, Picture>> seen;
};

// The longest time the event loop went without running a 10 ms timer.
class LoopWatch
{
public:
    LoopWatch()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            m_worst = qMax(m_worst, m_since.restart());
        });
        m_since.start();
        m_timer.start();
    }
    qint64 worstMs() const { return m_worst; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_worst = 0;
};
} // namespace

class TestE2eCharges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(clientBinary()), qPrintable("no korvane-client at " + clientBinary()));
    }

    // Pressing a free computer, then pressing it again: the client is
    // unlocked and locked again, the transaction opens with the start and
    // closes only when the bill is confirmed.
    void normalChargeStartedAndCharged()
    {
        Agent agent;
        QVERIFY2(agent.start(address(40, 1), noBroadcast()), qPrintable(agent.errors()));
        Cafe c(Shifted);
        QVERIFY(c.start({{"PC1", address(40, 1)}}));
        const qint64 pc = c.key("PC1");

        c.prompter.answer(true);
        c.engine->startnormal(pc);
        QVERIFY(agent.waitFor("command"));
        QCOMPARE(agent.last("command").value("text").toString(), QStringLiteral("startpc"));
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("unlocked"));
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.slot("PC1").state, SlotState::Normal);
        QCOMPARE(c.slot("PC1").picture, std::optional(Picture::Normal));
        QVERIFY(c.computer("PC1").timer);
        QList<KinRow> rows = c.rows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].computer, QStringLiteral("PC1"));
        QCOMPARE(rows[0].type, QStringLiteral("normal"));
        QCOMPARE(rows[0].starttime, e2e::Opening);
        QVERIFY(rows[0].enab);
        QVERIFY(!rows[0].enddate);

        c.clock.advance(30 * 60);
        c.prompter.answer(true);
        c.engine->startnormal(pc);
        QTRY_COMPARE(c.bills.size(), 1);
        QVERIFY(agent.waitFor("command", 2));
        QCOMPARE(agent.last("command").value("text").toString(), QStringLiteral("stoppc"));
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("locked"));
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.slot("PC1").state, SlotState::Free);
        // Locked but not yet billed: the row stays open until the operator confirms.
        QVERIFY(c.rows()[0].enab);
        QVERIFY(c.computer("PC1").timer);

        Bill *bill = c.bills[0];
        QVERIFY(bill);
        QCOMPARE(bill->timeUsed(), QStringLiteral("0:30:00"));
        QVERIFY(bill->confirm());
        rows = c.rows();
        QCOMPARE(rows.size(), 1);
        QVERIFY(!rows[0].enab);
        QCOMPARE(rows[0].enddate, std::optional(e2e::Opening.date()));
        QCOMPARE(rows[0].endtime, std::optional(QTime(10, 30, 30)));
        QCOMPARE(rows[0].totaltime, QStringLiteral("0:30:00"));
        QCOMPARE(rows[0].timecharged, std::optional(bill->timeCharge().roundedToCents()));
        QCOMPARE(rows[0].total, std::optional(bill->timeCharge().roundedToCents()));
        QVERIFY(!c.computer("PC1").timer);

        const QStringList asked = c.prompter.texts();
        QCOMPARE(asked.size(), 2);
        QVERIFY(asked[0].startsWith("Start Charging") && asked[0].endsWith("PC1?"));
        QVERIFY(asked[1].startsWith("Charge And Lock") && asked[1].endsWith("PC1?"));
    }

    // Prepaid time: "t" and the seconds; stopped by the operator: "stoppc".
    void prepaidChargeStartedAndStopped()
    {
        Agent agent;
        QVERIFY2(agent.start(address(40, 2), noBroadcast()), qPrintable(agent.errors()));
        Cafe c(Shifted);
        QVERIFY(c.start({{"PC2", address(40, 2)}}));
        const qint64 pc = c.key("PC2");

        c.prompter.answer(true);
        c.engine->startprepaid(pc, 1800);
        QVERIFY(agent.waitFor("command"));
        QCOMPARE(agent.last("command").value("text").toString(), QStringLiteral("t1800"));
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("unlocked 1800s"));
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.slot("PC2").state, SlotState::Prepaid);
        QVERIFY(c.slot("PC2").prepaidTimer);
        QVERIFY(c.computer("PC2").pretime);
        const QList<KinRow> rows = c.rows();
        QCOMPARE(rows.size(), 1);
        QVERIFY(rows[0].pretimeenab);
        QCOMPARE(rows[0].ptime, std::optional<qint64>(1800));
        QCOMPARE(rows[0].endtime, std::optional(QTime(10, 30, 30)));

        c.clock.advance(10 * 60);
        c.prompter.answer(true);
        c.engine->stopPrepaid(pc);
        QVERIFY(agent.waitFor("command", 2));
        QCOMPARE(agent.last("command").value("text").toString(), QStringLiteral("stoppc"));
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("locked"));
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.slot("PC2").state, SlotState::Free);
        QCOMPARE(c.bills.size(), 1);
        QVERIFY(c.bills[0] && c.bills[0]->confirm());
        QVERIFY(!c.rows()[0].pretimeenab);
        QVERIFY(!c.computer("PC2").pretime);
    }

    // The four power commands, each behind its question; No sends nothing.
    void powerCommands_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("message");
        QTest::newRow("reboot") << "rebootterm" << "Reboot" << true << "reboot";
        QTest::newRow("log off") << "logoff" << "Log off" << true << "logoff";
        QTest::newRow("shut down") << "shutdown" << "Shut Down" << true << "shutdown";
        QTest::newRow("suspend") << "powerdown" << "Suspend" << true << "powerdown";
        QTest::newRow("reboot, answered No") << "rebootterm" << "Reboot" << false << "";
    }
    void powerCommands()
    {
        QFETCH(QString, word);
        QFETCH(QString, question);
        QFETCH(bool, yes);
        QFETCH(QString, message);
        Agent agent;
        QVERIFY2(agent.start(address(40, 3), noBroadcast()), qPrintable(agent.errors()));
        Cafe c(Shifted);
        QVERIFY(c.start({{"PC3", address(40, 3)}}));

        c.prompter.answer(yes);
        c.engine->power(c.key("PC3"), *commandNamed(word));
        QCOMPARE(c.prompter.texts().size(), 1);
        QVERIFY(c.prompter.last().startsWith(question) && c.prompter.last().endsWith("PC3?"));
        if (!yes) {
            QVERIFY(!c.channel.isBusy());
            QVERIFY(!agent.waitFor("command", 1, 300));
            return;
        }
        QVERIFY(agent.waitFor("command"));
        QCOMPARE(agent.last("command").value("text").toString(), message);
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("locked"));
        QTRY_VERIFY(c.idle());
        QCOMPARE(c.slot("PC3").state, SlotState::Free);
        QVERIFY(c.rows().isEmpty());
        QCOMPARE(c.prompter.texts().size(), 1);
    }

    // A command that cannot reach its client records nothing and tells the
    // operator which computer and why; the channel is free for the next.
    void unreachableClient_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<bool>("hang");
        QTest::newRow("nothing listens") << address(41, 1) << false;
        QTest::newRow("connection hangs") << address(41, 2) << true;
        QTest::newRow("empty address") << "" << false;
        QTest::newRow("garbage") << "not an address' or '1'='1" << false;
        QTest::newRow("out of range") << "127.0.0.300" << false;
        QTest::newRow("host name") << "localhost" << false;
    }
    void unreachableClient()
    {
        QFETCH(QString, ip);
        QFETCH(bool, hang);
        HangingPort hanging;
        if (hang && !hanging.open(ip, Shifted.command))
            QSKIP("cannot make a listener with a full backlog here");
        Cafe c(Shifted);
        QVERIFY(c.start({{"PC9", ip}}));
        const qint64 pc = c.key("PC9");
        QSignalSpy failures(&c.channel, &CommandChannel::failed);

        // A normal start, then a prepaid one on the same channel.
        c.prompter.answer(true);
        c.engine->startnormal(pc);
        QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, 3000);
        c.prompter.answer(true);
        c.engine->startprepaid(pc, 3600);
        QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 2, 3000);

        const QList<ScriptedPrompter::Said> said = c.prompter.said();
        QCOMPARE(said.size(), 4);
        for (int i : {1, 3}) {
            const QString description = failures[i / 2].at(0).toString();
            QVERIFY(!description.isEmpty());
            QCOMPARE(said[i].text, QStringLiteral("Communication Error With PC9\n") + description);
            QCOMPARE(said[i].icon, Prompter::Icon::Critical);
            QVERIFY(!said[i].question);
        }
        QVERIFY(c.idle());
        QCOMPARE(c.slot("PC9").state, SlotState::Free);
        QVERIFY(!c.slot("PC9").prepaidTimer);
        QVERIFY(c.pictures.isEmpty());
        QVERIFY(c.rows().isEmpty());
        const ComputerRow row = c.computer("PC9");
        QVERIFY(!row.timer && !row.pretime && !row.user);
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
        Cafe c(Shifted);
        QVERIFY(c.start({{"PC1", address(44, 1)}, {"SLOW", address(44, 250)}}));
        const qint64 pc = c.key("PC1");
        CustomerRow customer;
        customer.password = QStringLiteral("1234");
        customer.timeleft = customer.time = 60;
        customer.timer = true; // as the logon service leaves it
        const qint64 account = c.customers.addAccount(customer).value_or(0);
        QVERIFY(account);

        if (kind == QLatin1String("account")) {
            c.engine->startaccount(pc, 60, QStringLiteral("1234"));
        } else {
            c.prompter.answer(true);
            c.engine->startprepaid(pc, 1800);
        }
        QVERIFY(agent.waitFor("command"));
        QTRY_VERIFY(c.idle());
        const SlotState running = c.slot("PC1").state;
        QVERIFY(running != SlotState::Free);

        c.prompter.answer(true);
        c.engine->startnormal(c.key("SLOW"));
        QVERIFY(c.channel.isBusy());
        c.clock.advance(5 * 60);
        c.prompter.clear();
        c.prompter.answer(true);
        if (kind == QLatin1String("account"))
            c.engine->startnormal(pc); // the icon of a customer's computer: "Diconnect User From"
        else
            c.engine->stopPrepaid(pc);
        QVERIFY(c.prompter.texts().join('\n').contains(" is still in progress "));

        QTRY_VERIFY_WITH_TIMEOUT(c.idle(), 3000);
        agent.waitFor("command", 2, 500); // a late command, if one is on its way
        const bool ended = c.slot("PC1").isFree();
        const bool locked = agent.events().last().value("state").toString() == QLatin1String("locked");
        QVERIFY2(ended == locked, ended ? "the console ended the charge but the client was never locked"
                                        : "the client was locked but the console still runs the charge");
        if (!ended) {
            QCOMPARE(c.slot("PC1").state, running);
            QVERIFY(c.rows().value(0).isOpen());
            QVERIFY(c.bills.isEmpty());
            if (kind == QLatin1String("account")) {
                QVERIFY(c.customers.account(account)->timer);
                QCOMPARE(c.customers.account(account)->timeleft, qint64(60));
            }
        }
    }

    // A client that stops answering probes shows the error picture within two
    // intervals, and the picture of the engine's status word once it is back;
    // the charges run on all the while.
    void presenceFollowsTheEngine()
    {
        Agent normal, prepaid, idle;
        QVERIFY2(normal.start(address(42, 1), noBroadcast()), qPrintable(normal.errors()));
        QVERIFY2(prepaid.start(address(42, 2), noBroadcast()), qPrintable(prepaid.errors()));
        QVERIFY2(idle.start(address(42, 3), noBroadcast()), qPrintable(idle.errors()));
        Cafe c(Shifted);
        QVERIFY(c.start({{"N", address(42, 1)}, {"P", address(42, 2)}, {"F", address(42, 3)}}));
        c.prompter.answer(true);
        c.engine->startnormal(c.key("N"));
        QVERIFY(normal.waitFor("command"));
        QTRY_VERIFY(c.idle());
        c.prompter.answer(true);
        c.engine->startprepaid(c.key("P"), 3600);
        QVERIFY(prepaid.waitFor("command"));
        QTRY_VERIFY(c.idle());

        PresencePoller poller(c.prompter, Shifted.probe, [&c](qint64 aa) { return c.status(aa); },
                              [] { return QStringLiteral("yes"); });
        PictureLog log(poller);
        const QList<std::tuple<QString, Agent *, Picture>> computers = {
            {"N", &normal, Picture::Normal}, {"P", &prepaid, Picture::Prepaid}, {"F", &idle, Picture::Free}};
        for (const auto &[name, agent, picture] : computers)
            poller.addComputer(c.key(name), c.slot(name).address);
        for (const auto &[name, agent, picture] : computers)
            QTRY_VERIFY_WITH_TIMEOUT(log.last(c.key(name)) == picture, 3 * Interval);

        QElapsedTimer stopped;
        for (const auto &[name, agent, picture] : computers)
            agent->stop();
        stopped.start();
        for (const auto &[name, agent, picture] : computers)
            QTRY_VERIFY_WITH_TIMEOUT(log.last(c.key(name)) == Picture::Error, 2 * Interval + 500);
        QVERIFY(stopped.elapsed() <= 2 * Interval + 500);

        for (const auto &[name, agent, picture] : computers)
            QVERIFY(agent->start(c.slot(name).address, noBroadcast()));
        for (const auto &[name, agent, picture] : computers)
            QTRY_VERIFY_WITH_TIMEOUT(log.last(c.key(name)) == picture, 3 * Interval);

        QCOMPARE(c.slot("N").state, SlotState::Normal);
        QCOMPARE(c.slot("P").state, SlotState::Prepaid);
        QCOMPARE(c.slot("F").state, SlotState::Free);
        QCOMPARE(c.rows().size(), 2);
        for (const KinRow &r : c.rows())
            QVERIFY(r.isOpen());
    }

    // Dozens of clients failing at once (refused, hanging, unusable
    // addresses): the event loop keeps running, every computer shows the
    // error picture, and the command channel still reaches a live client.
    void dozensFailingAtOnce()
    {
        HangingPort hangProbe, hangCommand;
        const QString hangAddress = address(43, 250);
        if (!hangProbe.open(hangAddress, Shifted.probe) || !hangCommand.open(hangAddress, Shifted.command))
            QSKIP("cannot make a listener with a full backlog here");
        Agent live;
        QVERIFY2(live.start(address(43, 1), noBroadcast()), qPrintable(live.errors()));

        QList<QPair<QString, QString>> roster{{"LIVE", address(43, 1)}};
        for (int i = 0; i < 20; ++i)
            roster.append({QStringLiteral("R%1").arg(i), address(43, 10 + i)}); // refused
        for (int i = 0; i < 10; ++i)
            roster.append({QStringLiteral("H%1").arg(i), hangAddress});
        for (int i = 0; i < 10; ++i)
            roster.append({QStringLiteral("G%1").arg(i), i % 2 ? QString() : QStringLiteral("pc-%1.local").arg(i)});
        Cafe c(Shifted);
        QVERIFY(c.start(roster));

        LoopWatch watch;
        PresencePoller poller(c.prompter, Shifted.probe, [&c](qint64 aa) { return c.status(aa); },
                              [] { return QStringLiteral("yes"); });
        PictureLog log(poller);
        for (const auto &[name, ip] : roster)
            poller.addComputer(c.key(name), ip);

        // Meanwhile the operator tries one failing computer of each kind after another.
        QSignalSpy failures(&c.channel, &CommandChannel::failed);
        const QStringList tried = {"R0", "H0", "G0", "G1", "R1"};
        for (const QString &name : tried) {
            c.prompter.answer(true);
            c.engine->startnormal(c.key(name));
            QTRY_VERIFY_WITH_TIMEOUT(c.idle(), 3000);
        }
        QCOMPARE(failures.size(), tried.size());
        int errors = 0;
        for (const QString &t : c.prompter.texts())
            errors += t.startsWith("Communication Error With ");
        QCOMPARE(errors, tried.size());

        for (const auto &[name, ip] : roster) {
            const Picture expected = name == QLatin1String("LIVE") ? Picture::Free : Picture::Error;
            QTRY_VERIFY2_WITH_TIMEOUT(log.last(c.key(name)) == expected, qPrintable(name), 3 * Interval);
        }
        QVERIFY2(watch.worstMs() < 250, qPrintable(QString("event loop stalled %1 ms").arg(watch.worstMs())));

        c.prompter.answer(true);
        c.engine->startnormal(c.key("LIVE"));
        QVERIFY(live.waitFor("command"));
        QCOMPARE(live.last("command").value("text").toString(), QStringLiteral("startpc"));
        QTRY_COMPARE(c.slot("LIVE").state, SlotState::Normal);
        QCOMPARE(c.rows().size(), 1);
        QCOMPARE(c.rows()[0].computer, QStringLiteral("LIVE"));
        QTRY_VERIFY_WITH_TIMEOUT(log.last(c.key("LIVE")) == Picture::Normal, 3 * Interval);
    }
};

QTEST_MAIN(TestE2eCharges)
#include "tst_e2e_charges.moc"
