#include "Files.h"
#include "LinkTestSupport.h"
#include "LockWindow.h"
#include "NetNamespace.h"
#include "ScreenSession.h"
#include "TimePanel.h"
#include "link/Ports.h"
#include "link/Protocol.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <grp.h>
#include <sys/stat.h>

using namespace linktest;

namespace {
const Ports Shifted = Ports::withOffset(Offset);

QString textOf(const QWidget *window, const char *label)
{
    return window->findChild<QLabel *>(QString::fromLatin1(label))->text();
}
} // namespace

class TestClientAgent : public QObject
{
    Q_OBJECT
private slots:
    // Commands on the command port, in order; the state after the last one.
    void commands_data()
    {
        QTest::addColumn<QList<QByteArray>>("sent");
        QTest::addColumn<QString>("state");
        using L = QList<QByteArray>;
        QTest::newRow("moved normal") << L{"m65"} << "unlocked";
        QTest::newRow("moved prepaid") << L{"p1047"} << "unlocked 1047s";
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
                             QString("echo; printf '%s|%s' \"$KORVANE_TEXT\" \"$KORVANE_STATE\" > '%1'").arg(out)}));
        QVERIFY(deliver(address(4, 6), port, message));
        QTRY_VERIFY(QFileInfo(out).size() > 0);
        QCOMPARE(QString::fromUtf8(fileBytes(out)), expected);
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
        QTRY_COMPARE(fileBytes(out), QByteArray("1\n"));
        QFile::remove(hold);
        QTRY_COMPARE(fileBytes(out), QByteArray("1\n10\n"));
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
        QVERIFY(deliver(address(7, 1), address(7, 2), Shifted.command, "u30"));
        QVERIFY(agent.waitFor("command"));
        agent.write("closeme\n");
        QVERIFY(agent.waitFor("error"));
        QCOMPARE(agent.last("error").value("state").toString(), QStringLiteral("locked"));
        QTRY_VERIFY(QFile::exists(hooked));

        Receiver back;
        QVERIFY(back.listen(address(7, 1), Shifted.logon));
        QVERIFY(deliver(address(7, 1), address(7, 2), Shifted.command, "u29"));
        QTRY_COMPARE(back.messages.size(), 1);
        QVERIFY2(QRegularExpression("^closeme[0-9]+$").match(back.messages[0]).hasMatch(), back.messages[0]);
        QCOMPARE(back.peers, QStringList{address(7, 2)});
        QCOMPARE(agent.last("command").value("state").toString(), QStringLiteral("locked"));
    }

    // The screen against a real agent and a fake console: the café's name
    // over every screen; a PIN typed there reaches the logon port (from the
    // computer's own address: pinIsSentUnseen); the console's answers, the
    // pause after five wrong PINs and the counter's texts show; a command
    // from elsewhere changes nothing; "u60" brings the panel with the time left; Log Off
    // sends "closeme" and locks; prepaid time warns at 5 and 1 minutes and
    // locks when it runs out.
    void screenFollowsTheAgent()
    {
        QTemporaryDir dir;
        const QString socket = dir.filePath("screen"), console = address(8, 1), computer = address(8, 2);
        Receiver logons;
        QVERIFY(logons.listen(console, Shifted.logon));
        Agent agent;
        QVERIFY2(agent.start(computer, {"--no-broadcast", "--console", console, "--screen-socket", socket,
                                        "--screen-group", QString::fromLocal8Bit(::getgrgid(::getgid())->gr_name),
                                        "--cafe-name", QString::fromUtf8("Καφέ Ώρα")}),
                 qPrintable(agent.errors()));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(socket).constData(), &st), 0);
        QCOMPARE((QList<uint>{st.st_mode & 0777u, st.st_gid}), (QList<uint>{0660u, ::getgid()}));

        ScreenSession session({socket, false});
        session.start();
        LockWindow *lock = session.lockWindow();
        TimePanel *panel = session.panel();
        QTRY_COMPARE(textOf(lock, "cafeName"), QString::fromUtf8("Καφέ Ώρα"));
        QVERIFY(lock->isFullScreen() && lock->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !panel->isVisible());
        auto *box = lock->findChild<QLineEdit *>("pinBox");
        auto *logOn = lock->findChild<QPushButton *>("logOnButton");
        const auto logOnWith = [&](const char *typed) {
            QTest::keyClicks(box, typed);
            logOn->click();
        };
        QTRY_VERIFY(box->isEnabled());
        logOnWith("12a34");
        QTRY_COMPARE(logons.messages, QList<QByteArray>{"1234"});
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        for (const QByteArray &refusal : {Protocol::timeExpired(), Protocol::pinInUse(), Protocol::computerBusy()}) {
            QVERIFY(deliver(console, computer, Shifted.text, refusal));
            QTRY_COMPARE(textOf(lock, "answer"), QString::fromLatin1(refusal));
        }
        for (int i = 2; i <= 6; ++i) {
            logOnWith("4321");
            QTRY_COMPARE(logons.messages.size(), i);
            QVERIFY(deliver(console, computer, Shifted.text, Protocol::invalidPassword()));
            if (i < 6)
                QTRY_COMPARE(textOf(lock, "answer"), QString::fromLatin1(Protocol::invalidPassword()));
        }
        QTRY_VERIFY(textOf(lock, "answer").startsWith("Too many wrong PINs. Try again in "));
        QVERIFY(!logOn->isEnabled());

        QVERIFY(deliver(address(8, 9), computer, Shifted.command, "u60"));
        QVERIFY(deliver(console, computer, Shifted.text, "Closing at ten"));
        QTRY_COMPARE(textOf(lock, "message"), QStringLiteral("Closing at ten"));
        QVERIFY(lock->isVisible() && !panel->isVisible());

        QVERIFY(deliver(console, computer, Shifted.command, "u60"));
        QTRY_VERIFY(panel->isVisible() && !lock->isVisible());
        const QString left = textOf(panel, "timeValue");
        QVERIFY2(textOf(panel, "timeCaption") == "Time left" && (left == "01:00:00" || left.startsWith("00:59:")),
                 qPrintable(left));
        QVERIFY(deliver(console, computer, Shifted.text, "Happy hour"));
        QTRY_COMPARE(textOf(panel, "notice"), QStringLiteral("Happy hour"));
        panel->findChild<QPushButton *>("logOffButton")->click();
        QTRY_COMPARE(logons.messages.value(6), QByteArray("closeme"));
        QTRY_VERIFY(lock->isVisible() && !panel->isVisible());

        const QList<std::pair<QByteArray, QString>> countdowns = {{"t301", "5 minutes left. Save your work."},
                                                                  {"t61", "1 minute left. Save your work."}};
        for (const auto &[prepaid, warning] : countdowns) {
            QVERIFY(deliver(console, computer, Shifted.command, prepaid));
            QTRY_COMPARE(textOf(panel, "notice"), warning);
        }
        QVERIFY(deliver(console, computer, Shifted.command, "t1"));
        QTRY_VERIFY(lock->isVisible());
        QCOMPARE(textOf(lock, "answer"), QStringLiteral("Your time is up."));
    }

    // A PIN goes to the console's logon port from the agent's own address,
    // at the first of two counters that takes it; no event line shows it,
    // delivered or not. The second counter commands the computer too.
    void pinIsSentUnseen()
    {
        Agent agent;
        QVERIFY(agent.start(address(5, 3), {"--no-broadcast", "--console", address(5, 4) + "," + address(5, 5)}));
        agent.write("pin 1357\n");
        QVERIFY(agent.waitFor("error"));
        QCOMPARE(agent.last("error").value("text").toString(), QStringLiteral("****"));
        QVERIFY(deliver(address(5, 5), address(5, 3), Shifted.text, "From the second counter"));
        QVERIFY(agent.waitFor("message"));
        Receiver console;
        QVERIFY(console.listen(address(5, 5), Shifted.logon));
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
