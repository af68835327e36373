// Customer logons, disconnections, messages and broadcasts on the
// protocol's own ports and multicast group: each test runs inside a network
// namespace of its own, where the console's logic (logon service, engine,
// command and reply channels, broadcaster) meets korvane-client agents on
// several loopback addresses.

#include "CafeFixture.h"
#include "LinkTestSupport.h"
#include "NetNamespace.h"
#include "link/Broadcaster.h"
#include "engine/CustomerLogon.h"
#include "link/LogonPort.h"
#include "link/MessageSender.h"
#include "link/Protocol.h"

using namespace linktest;

namespace {
// The console as the main window wires it: the logon service asks the
// engine for a computer's status and starts and ends account charges
// through it.
struct Console
{
    explicit Console(const Roster &roster)
        : c(Ports::withOffset(0), roster)
    {
        c.ports.multicastInterface = QStringLiteral("lo"); // the protocol's own ports, the group on loopback
    }
    LiveCafe c;
    std::unique_ptr<CustomerLogon> rules;
    std::unique_ptr<LogonPort> logon;
    Broadcaster broadcaster;

    bool start()
    {
        if (!c.ok())
            return false;
        std::optional<QString> error = listen();
        if (!error)
            error = broadcaster.bind(c.ports);
        if (error)
            qWarning("%s", qPrintable(*error));
        return !error;
    }
    // The logon service of a console (re)started now.
    std::optional<QString> listen()
    {
        logon.reset();
        rules = std::make_unique<CustomerLogon>(c.customers, CustomerLogon::hooksOn(*c.engine));
        logon = std::make_unique<LogonPort>(c.cafe, *rules, [this] { return textChannel(); }, c.clock);
        QObject::connect(c.engine.get(), &Engine::accountStartFailed, logon.get(),
                         [this](qint64, const QString &pin) { rules->accountStartFailed(pin); });
        return logon->listen(c.ports);
    }
    // A channel to a client's text port; a silent client costs a second.
    TcpChannel *textChannel()
    {
        auto *channel = new TcpChannel(c.ports.text);
        channel->setTimeoutMs(1000);
        return channel;
    }
};

// The text, port and state of the agent's last event of `kind`.
QStringList seen(const Agent &agent, const char *kind)
{
    const QJsonObject e = agent.last(QString::fromLatin1(kind));
    return {e.value("text").toString(), QString::number(e.value("port").toInt()), e.value("state").toString()};
}

} // namespace

class TestE2eLogon : public QObject
{
    Q_OBJECT
private slots:
    // A refusal goes back to the requesting computer's text port and changes
    // nothing; which refusal, in which order, and that none takes an
    // account's in-use mark away, is tst_logonport's answers().
    void refusalGoesBackToTheComputer()
    {
        KORVANE_IN_NETNS();
        Agent agent;
        // Agents answer the console at 127.0.0.1 on the protocol's own ports.
        QVERIFY2(agent.start("127.0.0.2", {}, 0), qPrintable(agent.errors()));
        Console k(Roster{{"PC2", "127.0.0.2"}});
        QVERIFY(k.start());
        const qint64 account = k.c.addAccount("1111", 60);
        agent.write("pin 1112\n");
        QVERIFY(agent.waitFor("message", 1, 5000));
        QCOMPARE(seen(agent, "message"), (QStringList{"Invalid or non-existing password", "1008", "locked"}));
        QVERIFY(!agent.waitFor("command", 1, 300));
        const CustomerRow after = k.c.account(account);
        QCOMPARE(after.timeleft, qint64(60));
        QVERIFY(!after.timer && after.pcused.isEmpty() && k.c.rows().isEmpty() && k.c.prompter.said().isEmpty());
        QCOMPARE(k.c.slot("PC2").state, SlotState::Free);
        QVERIFY(k.logon->isListening());
    }

    // A known PIN with credit from a roster computer unlocks it for the
    // credit's minutes, marks the account in use there and opens an account
    // row, without a word to the operator (the row itself is the engine's
    // test). "closeme" ends an account charge at that computer and draws the
    // minutes used (the arithmetic is the engine's own test); nothing goes
    // back on the wire, and the account can log on again with what is left.
    // From a computer that runs no account charge, it leaves that as it is.
    // A logoff delivered late ends the charge when the customer left, if the
    // console was not listening then.
    void closeme_data()
    {
        QTest::addColumn<bool>("account");
        QTest::addColumn<QByteArray>("late"); // empty: the customer logs off now, at the agent
        QTest::addColumn<bool>("restart");
        QTest::addColumn<qint64>("left");
        QTest::addColumn<QString>("used");
        QTest::newRow("account charge ends") << true << QByteArray() << false << 25LL << "0:05:00";
        QTest::newRow("normal charge stays") << false << QByteArray() << false << 30LL << "";
        QTest::newRow("late, console restarted since") << true << QByteArray("closeme240") << true << 29LL << "0:01:00";
        QTest::newRow("late, console listening then") << true << QByteArray("closeme240") << false << 25LL << "0:05:00";
        QTest::newRow("late, before the charge") << true << QByteArray("closeme999") << true << 29LL << "0:00:00";
    }
    void closeme()
    {
        KORVANE_IN_NETNS();
        QFETCH(bool, account);
        QFETCH(QByteArray, late);
        QFETCH(bool, restart);
        QFETCH(qint64, left);
        QFETCH(QString, used);
        Agent agent;
        QVERIFY2(agent.start("127.0.0.4", {}, 0), qPrintable(agent.errors()));
        Console k(Roster{{"PC4", "127.0.0.4"}});
        QVERIFY(k.start());
        const qint64 customer = k.c.addAccount("2468", 30);
        if (account)
            agent.write("pin 2468\n"); // which command it brings: below
        QVERIFY(account ? agent.waitFor("command") : k.c.startNormal(k.c.key("PC4")));
        QTRY_COMPARE(k.c.slot("PC4").state, account ? SlotState::Account : SlotState::Normal);
        if (account) {
            QTRY_VERIFY(k.c.idle());
            QCOMPARE(seen(agent, "command"), (QStringList{"u30", "1007", "unlocked 30min"}));
            QCOMPARE(k.c.slot("PC4").picture, std::optional(Picture::Account));
            QVERIFY(k.c.account(customer).timer && k.c.account(customer).pcused == QStringLiteral("127.0.0.4"));
            QVERIFY(k.c.rows().size() == 1 && !agent.has("message") && k.c.prompter.said().isEmpty());
        }

        k.c.clock.advance(5 * 60);
        if (restart)
            QCOMPARE(k.listen(), std::nullopt);
        if (late.isEmpty()) {
            agent.write("closeme\n");
            QVERIFY(agent.waitFor("sent", account ? 2 : 1));
            // The customer's own computer locks; a normal charge goes on.
            QCOMPARE(seen(agent, "sent"), (QStringList{"closeme", "1010", account ? "locked" : "unlocked"}));
        } else {
            QVERIFY(deliver("127.0.0.4", "127.0.0.1", k.c.ports.logon, late)); // to the console's logon port
        }
        if (!account) {
            QVERIFY(!QTest::qWaitFor([&] { return k.c.slot("PC4").state != SlotState::Normal; }, 500));
            QVERIFY(k.c.rows().value(0).enab && k.c.computer("PC4").timer);
            return;
        }
        QTRY_VERIFY(k.c.slot("PC4").isFree());
        QCOMPARE(k.c.account(customer).timeleft, left);
        QCOMPARE(k.c.rows().value(0).totaltime, used);
        QVERIFY(!k.c.account(customer).timer && !k.c.rows().value(0).userenab);
        QCOMPARE(k.c.slot("PC4").picture, std::optional(Picture::Free));
        QVERIFY(!agent.waitFor("command", 2, 300) && k.c.prompter.said().isEmpty());

        agent.write("pin 2468\n");
        QVERIFY(agent.waitFor("command", 2));
        QCOMPARE(agent.last("command").value("text").toString(), QStringLiteral("u%1").arg(left));
    }

    // A message to one computer reaches that one only, on the text port; a
    // message to all and "terminate" reach every client through the group,
    // and "terminate" leaves a running prepaid charge as it was.
    void messagesAndBroadcasts()
    {
        KORVANE_IN_NETNS();
        Agent a, b, c;
        for (const auto &[agent, ip] : {std::pair{&a, "127.0.0.2"}, {&b, "127.0.0.3"}, {&c, "127.0.0.4"}})
            QVERIFY2(agent->start(ip, {}, 0), qPrintable(agent->errors()));
        Console k(Roster{{"PC2", "127.0.0.2"}, {"PC3", "127.0.0.3"}, {"PC4", "127.0.0.4"}});
        QVERIFY(k.start() && k.c.startPrepaid(k.c.key("PC4"), 1800));

        MessageSender sender(k.broadcaster, [&k] { return k.textChannel(); });
        QSignalSpy delivered(&sender, &MessageSender::delivered);
        const QString note = QString::fromUtf8("Κλείνουμε σε 10 λεπτά");
        QVERIFY(sender.sendTo("127.0.0.3", note));
        QVERIFY(b.waitFor("message"));
        QCOMPARE(seen(b, "message").mid(0, 2), (QStringList{note, "1008"}));
        QTRY_COMPARE(delivered.size(), 1);

        const QString all = QString::fromUtf8("Happy hour: 2 € the hour");
        QVERIFY(sender.sendToAll(all) && k.broadcaster.send(Protocol::terminate()));
        for (Agent *agent : {&a, &b, &c}) {
            QVERIFY2(agent->waitFor("broadcast"), qPrintable(agent->errors()));
            QCOMPARE(seen(*agent, "message").mid(0, 2), (QStringList{all, "9000"}));
            QCOMPARE(agent->last("broadcast").value("text").toString(), QStringLiteral("terminate"));
        }
        for (Agent *agent : {&a, &b})
            QCOMPARE(agent->last("broadcast").value("state").toString(), QStringLiteral("unlocked"));
        QVERIFY(c.last("broadcast").value("state").toString().startsWith("unlocked 1"));
        QCOMPARE((QList<int>{a.count("message"), b.count("message"), c.count("message")}), (QList<int>{1, 2, 1}));
    }
};

QTEST_MAIN(TestE2eLogon)
#include "tst_e2e_logon.moc"
