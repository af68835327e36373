#include "LinkTestSupport.h"
#include "link/Ports.h"
#include "link/Protocol.h"
#include "link/TcpChannel.h"

#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

using namespace linktest;

namespace {
const Ports Shifted = Ports::withOffset(Offset);

bool deliver(const QString &address, quint16 port, const QByteArray &message, const QString &from = {})
{
    TcpChannel c(port);
    if (!from.isEmpty())
        c.setLocalAddress(QHostAddress(from));
    QSignalSpy done(&c, &CommandChannel::finished);
    QSignalSpy failed(&c, &CommandChannel::failed);
    QObject::connect(&c, &CommandChannel::connected, &c, [&c, message] { c.send(message); });
    c.open(address);
    return QTest::qWaitFor([&] { return !done.isEmpty() || !failed.isEmpty(); }, 5000) && !done.isEmpty();
}

bool runQuiet(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

class TestClientAgent : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(clientBinary()), qPrintable("no korvane-client at " + clientBinary()));
    }

    // Commands on the command port, in order; the state after the last one.
    void commands_data()
    {
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<QString>("state");
        using L = QList<QByteArray>;
        QTest::newRow("startpc") << L{"startpc"} << "unlocked";
        QTest::newRow("startpc, stoppc") << L{"startpc", "stoppc"} << "locked";
        QTest::newRow("prepaid") << L{"t1800"} << "unlocked 1800s";
        QTest::newRow("prepaid moved") << L{"p2"} << "unlocked 2s";
        QTest::newRow("account") << L{"u120"} << "unlocked 120min";
        QTest::newRow("account, stopuser") << L{"u120", "stopuser"} << "locked";
        QTest::newRow("moved normal") << L{"m65"} << "unlocked";
        QTest::newRow("power keeps state") << L{"startpc", "reboot", "logoff", "powerdown"} << "unlocked";
        QTest::newRow("nothing left") << L{"t0"} << "locked";
        QTest::newRow("unknown ignored") << L{"startpc", "t-x"} << "unlocked";
    }
    void commands()
    {
        QFETCH(QList<QByteArray>, sent);
        QFETCH(QString, state);
        Agent agent;
        QVERIFY2(agent.start(address(4, 1), {"--no-broadcast"}), qPrintable(agent.errors()));
        for (const QByteArray &m : sent)
            QVERIFY(deliver(address(4, 1), Shifted.command, m));
        QTRY_COMPARE(agent.count("command") + agent.count("error"), sent.size());
        const QJsonObject last = agent.events().last();
        QCOMPARE(last.value("text").toString(), QString::fromLatin1(sent.last()));
        QCOMPARE(last.value("port").toInt(), int(Shifted.command));
        QCOMPARE(last.value("state").toString(), state);
        QCOMPARE(last.value("from").toString(), QStringLiteral("127.0.0.1"));
    }

    // A customer must not unlock his computer by commanding it himself.
    void onlyTheConsoleIsObeyed_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<quint16>("port");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("state");
        const QString console = address(6, 1);
        const QString stranger = address(6, 9);
        QTest::newRow("startpc from the console") << console << Shifted.command << QByteArray("startpc")
                                                  << "command" << "unlocked";
        QTest::newRow("startpc from another computer") << stranger << Shifted.command << QByteArray("startpc")
                                                       << "refused" << "locked";
        QTest::newRow("account from another computer") << stranger << Shifted.command << QByteArray("u600")
                                                       << "refused" << "locked";
        QTest::newRow("text from another computer") << stranger << Shifted.text << QByteArray("Free time!")
                                                    << "refused" << "locked";
        QTest::newRow("startpc from the computer itself") << address(6, 2) << Shifted.command
                                                          << QByteArray("startpc") << "refused" << "locked";
    }
    void onlyTheConsoleIsObeyed()
    {
        QFETCH(QString, from);
        QFETCH(quint16, port);
        QFETCH(QByteArray, message);
        QFETCH(QString, event);
        QFETCH(QString, state);
        Agent agent;
        QVERIFY2(agent.start(address(6, 2), {"--no-broadcast", "--console", address(6, 1)}), qPrintable(agent.errors()));
        deliver(address(6, 2), port, message, from);
        QVERIFY(agent.waitFor(event));
        QCOMPARE(agent.last(event).value("from").toString(), from);
        QCOMPARE(agent.last(event).value("port").toInt(), int(port));
        agent.write("status\n");
        QVERIFY(agent.waitFor("status"));
        QCOMPARE(agent.last("status").value("state").toString(), state);
        QCOMPARE(agent.count("command") + agent.count("message"), event == "refused" ? 0 : 1);
    }

    void noConsoleNoStart()
    {
        QProcess p;
        p.start(clientBinary(), {"--listen", address(6, 3), "--port-offset", QString::number(Offset)});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("--console"));
    }

    void movedChargeKeepsTheSecondsUsed()
    {
        Agent agent;
        QVERIFY(agent.start(address(4, 2), {"--no-broadcast"}));
        QVERIFY(deliver(address(4, 2), Shifted.command, Protocol::movedNormal(65)));
        QVERIFY(agent.waitFor("command"));
        QVERIFY(agent.last("command").value("used").toInt() >= 65);
    }

    void prepaidCountsDownAndLocks()
    {
        Agent agent;
        QVERIFY(agent.start(address(4, 3), {"--no-broadcast"}));
        QVERIFY(deliver(address(4, 3), Shifted.command, Protocol::prepaid(2)));
        QVERIFY(agent.waitFor("command"));
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("unlocked 2s"));
        QVERIFY(agent.waitFor("expired", 1, 5000));
        QCOMPARE(agent.last("expired").value("state").toString(), QStringLiteral("locked"));
        // A later stoppc finds it locked already and keeps it so.
        QVERIFY(deliver(address(4, 3), Shifted.command, Protocol::stoppc()));
        QVERIFY(agent.waitFor("command", 2));
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("locked"));
    }

    void messageInSegmentsIsReadToTheEnd()
    {
        Agent agent;
        QVERIFY(agent.start(address(4, 4), {"--no-broadcast"}));
        QTcpSocket s;
        s.connectToHost(QHostAddress(address(4, 4)), Shifted.command);
        QVERIFY(s.waitForConnected(5000));
        s.write("sta");
        QVERIFY(s.waitForBytesWritten(5000));
        QVERIFY(!agent.waitFor("command", 1, 300)); // half a command is no command yet
        s.write("rtpc");
        s.disconnectFromHost();
        QVERIFY(agent.waitFor("command"));
        QCOMPARE(agent.last("command").value("text").toString(), QStringLiteral("startpc"));
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("unlocked"));
    }

    void textsArriveInTheCodePage()
    {
        Agent agent;
        QVERIFY(agent.start(address(4, 5), {"--no-broadcast"}));
        const QString greek = QString::fromUtf8("Κλείνουμε σε 10 λεπτά");
        QVERIFY(deliver(address(4, 5), Shifted.text, Protocol::encodeText(greek)));
        QVERIFY(deliver(address(4, 5), Shifted.text, Protocol::timeExpired()));
        QVERIFY(agent.waitFor("message", 2));
        QCOMPARE(agent.events().at(agent.events().size() - 2).value("text").toString(), greek);
        QCOMPARE(agent.last("message").value("text").toString(), QStringLiteral(" Your time has expired"));
        QCOMPARE(agent.last("message").value("port").toInt(), int(Shifted.text));
        QCOMPARE(agent.last("message").value("state").toString(), QStringLiteral("locked"));
    }

    void hooksGetTheText_data()
    {
        QTest::addColumn<QString>("hook");
        QTest::addColumn<quint16>("port");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unlock") << "unlock" << Shifted.command << QByteArray("startpc") << "startpc|unlocked";
        QTest::newRow("reboot") << "reboot" << Shifted.command << QByteArray("reboot") << "reboot|locked";
        QTest::newRow("suspend") << "suspend" << Shifted.command << QByteArray("powerdown") << "powerdown|locked";
        QTest::newRow("message with quotes") << "message" << Shifted.text << QByteArray("it's \"$(rm -rf x)\"")
                                             << "it's \"$(rm -rf x)\"|locked";
    }
    void hooksGetTheText()
    {
        QFETCH(QString, hook);
        QFETCH(quint16, port);
        QFETCH(QByteArray, message);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString out = dir.filePath("hook.txt");
        Agent agent;
        QVERIFY(agent.start(address(4, 6),
                            {"--no-broadcast", "--on-" + hook,
                             QString("printf '%s|%s' \"$KORVANE_TEXT\" \"$KORVANE_STATE\" > '%1'").arg(out)}));
        QVERIFY(deliver(address(4, 6), port, message));
        QTRY_VERIFY(QFileInfo(out).size() > 0);
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), expected);
        // The hook's own output never lands among the event lines.
        for (const QJsonObject &e : agent.events())
            QVERIFY(!e.isEmpty());
    }

    void pinAndClosemeGoToTheConsoleFromTheListenAddress()
    {
        Receiver console;
        QVERIFY(console.listen(address(5, 1), Shifted.logon));
        Agent agent;
        QVERIFY(agent.start(address(5, 2), {"--no-broadcast", "--console", address(5, 1)}));
        agent.write("pin 4321\n");
        QVERIFY(agent.waitFor("sent"));
        agent.write("closeme\n");
        QVERIFY(agent.waitFor("sent", 2));
        QTRY_COMPARE(console.messages, (QList<QByteArray>{"4321", "closeme"}));
        QCOMPARE(console.peers, (QStringList{address(5, 2), address(5, 2)}));
        QCOMPARE(agent.last("sent").value("port").toInt(), int(Shifted.logon));
    }

    void pinWithoutConsoleIsReported()
    {
        Agent agent;
        QVERIFY(agent.start(address(5, 3), {"--no-broadcast", "--console", address(5, 4)}));
        agent.write("pin 1\n");
        QVERIFY(agent.waitFor("error"));
        QVERIFY(!agent.last("error").value("error").toString().isEmpty());
        agent.write("hello\n");
        QVERIFY(agent.waitFor("error", 2));
    }

    // Real ports and the broadcast group: only inside a network namespace of
    // our own, where this test binary runs itself again.
    void realPortsAndBroadcastInNamespace()
    {
        if (!qEnvironmentVariableIsSet("KORVANE_NETNS_CHILD")) {
            QStringList how;
            if (runQuiet("unshare", {"-n", "true"}))
                how = {"-n"};
            else if (runQuiet("unshare", {"-rn", "true"}))
                how = {"-rn"};
            else
                QSKIP("cannot create a network namespace here (unshare -n and -rn both refused)");
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("KORVANE_NETNS_CHILD", "1");
            env.insert("KORVANE_BIN_DIR", QFileInfo(clientBinary()).absolutePath());
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start("unshare", how + QStringList{QCoreApplication::applicationFilePath(),
                                                     "realPortsAndBroadcastInNamespace"});
            QVERIFY(child.waitForFinished(60000));
            const QString output = QString::fromLocal8Bit(child.readAll());
            QVERIFY2(child.exitCode() == 0, qPrintable(output));
            QVERIFY2(output.contains("PASS   : TestClientAgent::realPortsAndBroadcastInNamespace"), qPrintable(output));
            return;
        }

        QVERIFY(runQuiet("ip", {"link", "set", "lo", "up"}));
        QVERIFY(runQuiet("ip", {"link", "set", "lo", "multicast", "on"}));
        QVERIFY(runQuiet("ip", {"route", "add", "224.0.0.0/4", "dev", "lo"}));
        const Ports real = Ports::withOffset(0);

        Agent a, b;
        QVERIFY2(a.start("127.0.0.2", {}, 0), qPrintable(a.errors()));
        QVERIFY2(b.start("127.0.0.3", {}, 0), qPrintable(b.errors()));
        QVERIFY(deliver("127.0.0.2", real.command, Protocol::prepaid(1800)));
        QVERIFY(a.waitFor("command"));
        QCOMPARE(a.last("command").value("port").toInt(), 1007);

        // Another computer's "unlock all" is not obeyed.
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress("127.0.0.5"), 0));
        stranger.setMulticastInterface(QNetworkInterface::interfaceFromName("lo"));
        QCOMPARE(stranger.writeDatagram(Protocol::terminate(), real.group, real.broadcastRemote),
                 qint64(Protocol::terminate().size()));
        QVERIFY(b.waitFor("refused"));
        QCOMPARE(b.last("refused").value("from").toString(), QStringLiteral("127.0.0.5"));
        QCOMPARE(b.last("refused").value("state").toString(), QStringLiteral("locked"));

        QUdpSocket console;
        QVERIFY(console.bind(QHostAddress("127.0.0.1"), real.broadcastLocal));
        console.setMulticastInterface(QNetworkInterface::interfaceFromName("lo"));
        const QString greek = QString::fromUtf8("Καλησπέρα");
        for (const QByteArray &d : {Protocol::terminate(), Protocol::encodeText(greek)})
            QCOMPARE(console.writeDatagram(d, real.group, real.broadcastRemote), qint64(d.size()));

        for (Agent *agent : {&a, &b}) {
            QVERIFY2(agent->waitFor("broadcast") && agent->waitFor("message"), qPrintable(agent->errors()));
            QCOMPARE(agent->last("broadcast").value("text").toString(), QStringLiteral("terminate"));
            QCOMPARE(agent->last("broadcast").value("port").toInt(), 9000);
            QCOMPARE(agent->last("message").value("text").toString(), greek);
        }
        // Unlock all leaves a running prepaid charge as it was.
        QVERIFY(a.last("broadcast").value("state").toString().startsWith("unlocked 1"));
        QCOMPARE(b.last("broadcast").value("state").toString(), QStringLiteral("unlocked"));
    }
};

QTEST_MAIN(TestClientAgent)
#include "tst_clientagent.moc"
