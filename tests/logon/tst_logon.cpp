// What a client computer sees of the logon service for a PIN: which
// computer it starts, what is refused, and what guessing costs.
#include "FakeChannel.h"
#include "TempHome.h"
#include "link/LogonService.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QtTest>
#include <memory>

namespace {
const QString Peer = QStringLiteral("127.0.0.5");

// One computer of the roster and Alice (PIN "4242", 90 minutes left).
struct Logon
{
    TempHome home;
    CafeStore cafe;
    CustomerStore customers;
    FakeChannel reply;
    SettableClock clock;
    QHash<qint64, QString> status;
    QList<qint64> started, ended;
    std::unique_ptr<LogonService> service;
    qint64 pc = 0;

    explicit Logon(const QString &rosterAddress = Peer)
    {
        cafe.open(home.paths().cafeDatabase());
        customers.open(home.paths().customerDatabase());
        pc = *cafe.addComputer({0, "PC1", rosterAddress, 0, 0, false, false, false});
        CustomerRow alice;
        alice.name = "Alice";
        alice.password = "4242";
        alice.timeleft = alice.time = 90;
        customers.addAccount(alice);
        LogonService::Engine engine;
        engine.statusOf = [this](qint64 aa) { return status.value(aa); };
        engine.startaccount = [this](qint64 aa, qint64, const QString &) { started << aa; };
        engine.endaccount = [this](qint64 aa) { ended << aa; };
        service = std::make_unique<LogonService>(cafe, customers, reply, engine, clock);
    }
    bool aliceInUse() { return customers.accountsWithPin("4242")->first().timer; }
    void pin(const QByteArray &text, const QString &from = Peer) { service->handleRequest(from, text); }
};
} // namespace

class TestLogon : public QObject
{
    Q_OBJECT
private slots:
    void pinFromABusyComputerIsRefused_data()
    {
        QTest::addColumn<QString>("status");
        QTest::newRow("normal charge") << "ison";
        QTest::newRow("prepaid charge") << "isonpre";
        QTest::newRow("account charge") << "isonuser";
    }
    void pinFromABusyComputerIsRefused()
    {
        QFETCH(QString, status);
        Logon l;
        l.status.insert(l.pc, status);
        l.pin("4242");
        QVERIFY(l.started.isEmpty());
        QVERIFY(!l.aliceInUse());
        QTRY_COMPARE(l.reply.sent(), QByteArrayList{Protocol::computerBusy()});
        QCOMPARE(l.reply.opened(), QStringList{Peer});
    }

    void rosterAddressIsReadAsAnAddress_data()
    {
        QTest::addColumn<QString>("roster");
        QTest::newRow("blank before") << " 127.0.0.5";
        QTest::newRow("blank after") << "127.0.0.5 ";
        QTest::newRow("leading zero") << "127.0.0.05";
        QTest::newRow("zeros everywhere") << "127.000.000.005";
    }
    void rosterAddressIsReadAsAnAddress()
    {
        QFETCH(QString, roster);
        Logon l(roster);
        l.pin("4242");
        QCOMPARE(l.started, QList<qint64>{l.pc});
        l.status.insert(l.pc, "isonuser");
        l.pin("closeme");
        QCOMPARE(l.ended, QList<qint64>{l.pc});
    }

    void guessingPausesGrowAndAreToldOnce()
    {
        Logon l;
        QSignalSpy told(l.service.get(), &LogonService::guessing);
        const auto guess = [&l] {
            for (int i = 0; i < PinThrottle::FailuresAllowed; ++i)
                l.pin(QByteArray::number(9000 + i));
        };
        guess();
        QCOMPARE(told.size(), 1);
        l.pin("4242"); // paused: refused unseen
        QVERIFY(l.started.isEmpty());
        QVERIFY(!l.aliceInUse());
        l.clock.advance(PinThrottle::FirstPauseSecs + 1);
        guess();
        l.clock.advance(PinThrottle::FirstPauseSecs + 1);
        l.pin("4242"); // the second pause is twice as long
        QVERIFY(l.started.isEmpty());
        l.clock.advance(PinThrottle::FirstPauseSecs);
        l.pin("4242");
        QCOMPARE(l.started, QList<qint64>{l.pc});
        QCOMPARE(told.size(), 1);
    }
};

QTEST_MAIN(TestLogon)
#include "tst_logon.moc"
