// The move and the one-computer message on real sockets, against
// korvane-client agents on loopback addresses of this test's own.
#include "../link/LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "engine/Engine.h"
#include "link/Broadcaster.h"
#include "link/MessageWindow.h"
#include "link/TcpChannel.h"
#include "link/TransferWindow.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace linktest;

class TestTransferAgents : public QObject
{
    Q_OBJECT
private slots:
    void moveBetweenTwoClients_data();
    void moveBetweenTwoClients();
    void messageReachesTheClient();
};

void TestTransferAgents::moveBetweenTwoClients_data()
{
    QTest::addColumn<qint64>("prepaid");
    QTest::addColumn<QString>("unlock");
    QTest::addColumn<QString>("state");
    QTest::newRow("normal") << qint64(0) << "m754" << "unlocked";
    QTest::newRow("prepaid") << qint64(1800) << "p1047" << "unlocked 1047s";
}

void TestTransferAgents::moveBetweenTwoClients()
{
    QFETCH(qint64, prepaid);
    QFETCH(QString, unlock);
    QFETCH(QString, state);
    const int net = prepaid ? 9 : 8;
    const QString oldAddress = address(net, 1);
    const QString newAddress = address(net, 2);
    Agent oldAgent, newAgent;
    QVERIFY2(oldAgent.start(oldAddress, {"--no-broadcast"}), qPrintable(oldAgent.errors()));
    QVERIFY2(newAgent.start(newAddress, {"--no-broadcast"}), qPrintable(newAgent.errors()));

    TempHome home;
    CafeStore cafe;
    CustomerStore customers;
    QVERIFY(home.ok());
    QVERIFY(!cafe.open(home.paths().cafeDatabase()));
    QVERIFY(!customers.open(home.paths().customerDatabase()));
    const qint64 pc1 = cafe.addComputer({0, "PC1", oldAddress, 0, 0, false, false, false}).value_or(0);
    const qint64 pc2 = cafe.addComputer({0, "PC2", newAddress, 0, 0, false, false, false}).value_or(0);
    QVERIFY(pc1 && pc2);
    const Ports ports = Ports::withOffset(Offset);
    TcpChannel channel(ports.command);
    ScriptedPrompter prompter;
    SettableClock clock(QDateTime(QDate(2026, 3, 2), QTime(18, 0)));
    Engine engine(cafe, customers, channel, prompter, clock);
    engine.loadRoster(*cafe.computers());

    prompter.answer(true);
    if (prepaid)
        engine.startprepaid(pc1, prepaid);
    else
        engine.startnormal(pc1);
    QVERIFY(oldAgent.waitFor("command"));
    const qint64 key = engine.slot(pc1)->transaction;
    QVERIFY(key != 0);

    clock.advance(754);
    TransferWindow window(engine, cafe, prompter, clock, ports);
    QVERIFY(window.openFor(pc1));
    auto *combo = window.findChild<QComboBox *>("Combo1");
    combo->setCurrentIndex(combo->findText("PC2"));
    prompter.answer(true);
    window.findChild<QPushButton *>("Command1")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);

    QCOMPARE(prompter.last(), QStringLiteral("Done"));
    QVERIFY(newAgent.waitFor("command"));
    QCOMPARE(newAgent.last("command").value("text").toString(), unlock);
    QCOMPARE(newAgent.last("command").value("state").toString(), state);
    if (!prepaid) // the client goes on counting from the seconds already used
        QVERIFY(newAgent.last("command").value("used").toInt() >= 754);
    QVERIFY(oldAgent.waitFor("command", 2));
    QCOMPARE(oldAgent.last("command").value("text").toString(), QStringLiteral("stoppc"));
    QCOMPARE(oldAgent.last("command").value("state").toString(), QStringLiteral("locked"));
    QCOMPARE(cafe.transaction(key)->computer, QStringLiteral("PC2"));
}

void TestTransferAgents::messageReachesTheClient()
{
    const QString at = address(10, 1);
    Agent agent;
    QVERIFY2(agent.start(at, {"--no-broadcast"}), qPrintable(agent.errors()));
    Broadcaster broadcaster;
    ScriptedPrompter prompter;
    MessageWindow window(broadcaster, prompter, Ports::withOffset(Offset));
    window.openForComputer("PC1", at);
    QTest::sendKeyEvent(QTest::Click, window.findChild<QPlainTextEdit *>("Text1"), Qt::Key_unknown,
                        QStringLiteral("Ο χρόνος σας λήγει"), Qt::NoModifier);
    window.findChild<QPushButton *>("Command1")->click();
    QVERIFY(agent.waitFor("message"));
    QCOMPARE(agent.last("message").value("text").toString(), QStringLiteral("Ο χρόνος σας λήγει"));
    QCOMPARE(agent.last("message").value("port").toInt(), int(Ports::withOffset(Offset).text));
    QTRY_VERIFY(!window.isVisible());
    QVERIFY(prompter.said().isEmpty());
}

QTEST_MAIN(TestTransferAgents)
#include "tst_transfer_agents.moc"
