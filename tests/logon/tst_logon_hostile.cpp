// The logon port faces every machine on the café's network: floods, junk,
// oversized and silent connections, guessed PINs and busy computers must not
// start a charge nor stop a customer's logon.
#include "FakeChannel.h"
#include "TempHome.h"
#include "link/LogonService.h"
#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "ui/Clock.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

namespace {
const QString Peer = QStringLiteral("127.0.0.5");

// PC1 at `address`, PC2 at 127.0.0.1, where the flood comes from; Alice
// ("4242") and Bob ("7777"), 90 minutes each.
struct Logon
{
    TempHome home;
    CafeStore cafe;
    CustomerStore customers;
    FakeChannel reply;
    SettableClock clock;
    QHash<qint64, SlotState> status;
    QList<qint64> started, ended;
    std::unique_ptr<LogonService> service;
    qint64 pc = 0, guesser = 0;

    explicit Logon(const QString &address = Peer)
    {
        cafe.open(home.paths().cafeDatabase());
        customers.open(home.paths().customerDatabase());
        pc = *cafe.addComputer({0, "PC1", address, 0, 0, false, false, false});
        guesser = *cafe.addComputer({0, "PC2", "127.0.0.1", 0, 0, false, false, false});
        for (const char *pin : {"4242", "7777"}) {
            CustomerRow c;
            c.password = pin;
            c.timeleft = c.time = 90;
            customers.addAccount(c);
        }
        const LogonService::Engine engine{[this](qint64 aa) { return status.value(aa); },
                                          [this](qint64 aa, qint64, const QString &) { started << aa; },
                                          [this](qint64 aa, const QDateTime &) { ended << aa; }};
        service = std::make_unique<LogonService>(cafe, customers, reply, engine, clock);
    }
    QList<bool> inUse()
    {
        QList<bool> marks;
        for (const CustomerRow &c : *customers.accounts())
            marks << c.timer;
        return marks;
    }
    void pin(const QByteArray &text, const QString &from = Peer) { service->handleRequest(from, text); }
};
} // namespace

class TestLogonHostile : public QObject
{
    Q_OBJECT
private slots:
    void pinFromABusyComputerIsRefused_data()
    {
        QTest::addColumn<SlotState>("status");
        QTest::newRow("normal charge") << SlotState::Normal;
        QTest::newRow("prepaid charge") << SlotState::Prepaid;
        QTest::newRow("account charge") << SlotState::Account;
    }
    void pinFromABusyComputerIsRefused()
    {
        QFETCH(SlotState, status);
        Logon l;
        l.status.insert(l.pc, status);
        l.pin("4242");
        QVERIFY(l.started.isEmpty());
        QCOMPARE(l.inUse(), QList<bool>({false, false}));
        QTRY_COMPARE(l.reply.sent(), QByteArrayList{Protocol::computerBusy()});
        QCOMPARE(l.reply.opened(), QStringList{Peer});
    }

    void rosterAddressIsReadAsAnAddress_data()
    {
        QTest::addColumn<QString>("roster");
        QTest::newRow("blank before") << " 127.0.0.5";
        QTest::newRow("blank after") << "127.0.0.5 ";
        QTest::newRow("leading zeros") << "127.000.0.05";
    }
    void rosterAddressIsReadAsAnAddress()
    {
        QFETCH(QString, roster);
        Logon l(roster);
        l.pin("4242");
        QCOMPARE(l.started, QList<qint64>{l.pc});
        l.status.insert(l.pc, SlotState::Account);
        l.pin("closeme");
        QCOMPARE(l.ended, QList<qint64>{l.pc});
    }

    void guessingPausesGrow()
    {
        Logon l;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < PinThrottle::FailuresAllowed; ++i)
                l.pin(QByteArray::number(9000 + i));
            l.clock.advance(PinThrottle::FirstPauseSecs + 1);
        }
        l.pin("4242"); // the second pause is twice as long
        QVERIFY(l.started.isEmpty());
        l.clock.advance(PinThrottle::FirstPauseSecs);
        l.pin("4242");
        QCOMPARE(l.started, QList<qint64>{l.pc});
    }

    void floodThenAValidPin()
    {
        Logon l;
        l.reply.willFail("Connection refused"); // the flood's clients are gone
        QSignalSpy told(l.service.get(), &LogonService::guessing);
        // Below the kernel's ephemeral ports (32768 up), which the flood's own
        // connections take, and apart from the console tests' offsets.
        const Ports ports = Ports::withOffset(29500 + QRandomGenerator::global()->bounded(2000));
        QVERIFY(!l.service->listen(ports, QHostAddress::LocalHost));

        // 10,000 hostile requests, 50 at a time: junk, SQL, apostrophes, a split
        // request, megabyte payloads and silent connections.
        QList<QByteArray> fixed =
            QByteArray("' or ''='|4242' OR '1'='1|'; DELETE FROM users; --|closeme|7777 |").split('|');
        fixed << QByteArray("42") + '\0' + "42";
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        const int total = 10000;
        int next = 0, done = 0;
        QList<QTcpSocket *> inFlight, silent;
        while (next < total || !inFlight.isEmpty()) {
            while (next < total && inFlight.size() < 50) {
                const int i = next++;
                auto *s = new QTcpSocket(this);
                s->connectToHost(QHostAddress::LocalHost, ports.logon);
                if (i % 500 == 7) { // silent: connects and never speaks
                    silent << s;
                    ++done;
                    continue;
                }
                QByteArray payload;
                if (i % 1000 == 3)
                    payload = QByteArray(1 << 20, 'x');
                else if (i % 3 == 0)
                    payload = fixed.at(i % fixed.size());
                else {
                    payload.resize(1 + random.bounded(40));
                    for (char &c : payload)
                        c = char(random.bounded(256));
                }
                connect(s, &QTcpSocket::connected, s, [s, payload] {
                    s->write(payload);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QTcpSocket::errorOccurred, s, &QObject::deleteLater);
                connect(s, &QObject::destroyed, this, [&inFlight, &done, s] {
                    inFlight.removeOne(s);
                    ++done;
                });
                inFlight << s;
            }
            QTest::qWait(1);
        }
        QCOMPARE(done, total);
        QVERIFY(l.service->isListening() && l.started.isEmpty()); // no junk was a valid PIN
        QCOMPARE(told.size(), 1);

        // A valid PIN from another computer is served, its address never
        // paused, even while silent connections are still open.
        QTcpSocket valid;
        QVERIFY(valid.bind(QHostAddress(Peer)));
        valid.connectToHost(QHostAddress::LocalHost, ports.logon);
        QVERIFY(valid.waitForConnected(2000));
        valid.write("4242");
        valid.disconnectFromHost();
        QTRY_COMPARE(l.started, QList<qint64>{l.pc});

        // Bob's valid PIN from the guessing computer is refused unseen during
        // its pause, and served once the pause is over.
        l.pin("7777", "127.0.0.1");
        QCOMPARE(l.started, QList<qint64>{l.pc});
        QCOMPARE(l.inUse(), QList<bool>({true, false}));
        l.clock.advance(PinThrottle::LongestPauseSecs);
        l.pin("7777", "127.0.0.1");
        QCOMPARE(l.started, QList<qint64>({l.pc, l.guesser}));
        qDeleteAll(silent);
    }

    void busyPortIsExplained()
    {
        QTcpServer squatter;
        const Ports ports = Ports::withOffset(29500 + QRandomGenerator::global()->bounded(2000));
        QVERIFY(squatter.listen(QHostAddress::LocalHost, ports.logon));
        Logon l;
        const auto err = l.service->listen(ports, QHostAddress::LocalHost);
        QVERIFY2(err && err->contains(QString::number(ports.logon)), qPrintable(err.value_or("")));
        QVERIFY(!l.service->isListening());
    }
};

QTEST_MAIN(TestLogonHostile)
#include "tst_logon_hostile.moc"
