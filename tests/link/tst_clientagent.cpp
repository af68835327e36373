#include "LinkTestSupport.h"
#include "NetNamespace.h"
#include "link/Ports.h"
#include "link/Protocol.h"
#include "link/TcpChannel.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace linktest;

namespace {
const Ports Shifted = Ports::withOffset(Offset);
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
        QTest::newRow("moved normal") << L{"m65"} << "unlocked";
        QTest::newRow("power keeps state") << L{"startpc", "reboot", "logoff", "powerdown"} << "unlocked";
        QTest::newRow("nothing left") << L{"t0"} << "locked";
        QTest::newRow("unknown ignored") << L{"startpc", "t-x"} << "unlocked";
        QTest::newRow("minutes out of range") << L{"u999999999999999999"} << "locked";
        QTest::newRow("seconds out of range") << L{"startpc", "t99999999999"} << "unlocked";
        QTest::newRow("a year of minutes") << L{"u527040"} << "unlocked 527040min";
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
        QCOMPARE((QStringList{last.value("text").toString(), QString::number(last.value("port").toInt()),
                              last.value("state").toString(), last.value("from").toString()}),
                 (QStringList{QString::fromLatin1(sent.last()), QString::number(Shifted.command), state, "127.0.0.1"}));
        if (sent.last().startsWith('m')) // a moved charge keeps the seconds it had used
            QVERIFY(last.value("used").toInt() >= 65);
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

    void hooksGetTheText_data()
    {
        QTest::addColumn<QString>("hook");
        QTest::addColumn<quint16>("port");
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unlock") << "unlock" << Shifted.command << QByteArray("startpc") << "startpc|unlocked";
        QTest::newRow("message with quotes")
            << "message" << Shifted.text << QByteArray("it's \"$(rm -rf x)\"") << "it's \"$(rm -rf x)\"|locked";
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
        QCOMPARE(f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString(), expected);
        // The hook's own output never lands among the event lines.
        for (const QJsonObject &e : agent.events())
            QVERIFY(!e.isEmpty());
    }

    // A hook still running when its kind comes again runs once more when it
    // ends, with the latest text; whatever came between is passed over.
    void hooksOfAKindCoalesce()
    {
        QTemporaryDir dir;
        const QString out = dir.filePath("out"), hold = dir.filePath("hold");
        QVERIFY(QFile(hold).open(QIODevice::WriteOnly));
        Agent agent;
        QVERIFY(agent.start(
            address(4, 7),
            {"--no-broadcast", "--on-message",
             QString("echo \"$KORVANE_TEXT\" >> '%1'; while [ -e '%2' ]; do sleep 0.05; done").arg(out, hold)}));
        for (int i = 1; i <= 10; ++i)
            QVERIFY(deliver(address(4, 7), Shifted.text, QByteArray::number(i)));
        QVERIFY(agent.waitFor("message", 10));
        const auto written = [&out] {
            QFile f(out);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QTRY_COMPARE(written(), QByteArray("1\n"));
        QFile::remove(hold);
        QTRY_COMPARE(written(), QByteArray("1\n10\n"));
    }

    // A machine with no route for the broadcast group: the agent says how
    // to make one, and serves its ports all the same.
    void broadcastGroupWithoutRoute()
    {
        KORVANE_IN_NETNS();
        QVERIFY(netns::runQuietly("ip", {"route", "del", "224.0.0.0/4"}));
        Agent agent;
        QVERIFY(agent.start("0.0.0.0"));
        QString said;
        QTRY_VERIFY2((said += agent.errors()).contains("ip route add 224.0.0.0/4 dev"), qPrintable(said));
    }

    // A customer's logoff locks the computer at once and runs the lock hook,
    // whether or not the console hears of it. One the console did not hear
    // of goes in answer to the "u" its restart sends, with the time since,
    // and the computer stays locked.
    void logoffLocks()
    {
        QTemporaryDir dir;
        const QString hooked = dir.filePath("locked");
        Agent agent;
        QVERIFY(agent.start(address(7, 2),
                            {"--no-broadcast", "--console", address(7, 1), "--on-lock", "touch '" + hooked + "'"}));
        TcpChannel console(Shifted.command);
        console.setLocalAddress(QHostAddress(address(7, 1)));
        QCOMPARE(deliver(console, address(7, 2), "u30"), QString());
        QVERIFY(agent.waitFor("command"));
        agent.write("closeme\n");
        QVERIFY(agent.waitFor("error"));
        QCOMPARE(agent.last("error").value("state").toString(), QStringLiteral("locked"));
        QTRY_VERIFY(QFile::exists(hooked));

        Receiver back;
        QVERIFY(back.listen(address(7, 1), Shifted.logon));
        QCOMPARE(deliver(console, address(7, 2), "u29"), QString());
        QTRY_COMPARE(back.messages.size(), 1);
        QVERIFY2(QRegularExpression("^closeme[0-9]+$").match(back.messages[0]).hasMatch(), back.messages[0]);
        QCOMPARE(back.peers, QStringList{address(7, 2)});
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("locked"));
    }

    // A PIN goes to the console's logon port from the agent's own address;
    // no event line shows it, delivered or not.
    void pinIsSentUnseen()
    {
        Agent agent;
        QVERIFY(agent.start(address(5, 3), {"--no-broadcast", "--console", address(5, 4)}));
        agent.write("pin 1357\n");
        QVERIFY(agent.waitFor("error"));
        QCOMPARE(agent.last("error").value("text").toString(), QStringLiteral("****"));
        Receiver console;
        QVERIFY(console.listen(address(5, 4), Shifted.logon));
        agent.write("pin 1357\n");
        QVERIFY(agent.waitFor("sent"));
        QTRY_COMPARE(console.messages, QList<QByteArray>{"1357"});
        QCOMPARE(console.peers, QStringList{address(5, 3)});
        QCOMPARE(agent.last("sent").value("text").toString(), QStringLiteral("****"));
        agent.write("hello\n");
        QVERIFY(agent.waitFor("error", 2));
    }
};

QTEST_MAIN(TestClientAgent)
#include "tst_clientagent.moc"
