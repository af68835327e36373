// The logon port faces every machine on the café's network: floods, junk,
// oversized and silent connections must not stop a customer's logon.
#include "TempHome.h"
#include "engine/CommandChannel.h"
#include "link/LogonService.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

namespace {
// Replies go nowhere: every connection fails at once, as to a client that is gone.
class NowhereChannel : public CommandChannel
{
public:
    bool isBusy() const override { return m_busy; }
    void open(const QString &address) override
    {
        m_busy = true;
        m_address = address;
        ++opened;
        QTimer::singleShot(0, this, [this] {
            m_busy = false;
            emit failed(QStringLiteral("Connection refused"));
        });
    }
    void send(const QByteArray &) override {}
    QString address() const override { return m_address; }
    int opened = 0;

private:
    bool m_busy = false;
    QString m_address;
};

QList<CustomerRow> accounts(CustomerStore &s) { return *s.accounts(); }

bool sameAccounts(const QList<CustomerRow> &a, const QList<CustomerRow> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].aa != b[i].aa || a[i].timer != b[i].timer || a[i].pcused != b[i].pcused
            || a[i].timeleft != b[i].timeleft || a[i].password != b[i].password)
            return false;
    return true;
}
} // namespace

class TestLogonHostile : public QObject
{
    Q_OBJECT
private slots:
    void floodThenAValidPin()
    {
        TempHome home;
        CafeStore cafe;
        CustomerStore customers;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        QVERIFY(!customers.open(home.paths().customerDatabase()));
        const qint64 pc = *cafe.addComputer({0, "PC1", "127.0.0.5", 0, 0, false, false, false});
        CustomerRow alice;
        alice.name = "Alice";
        alice.password = "4242";
        alice.timeleft = alice.time = 90;
        customers.addAccount(alice);
        CustomerRow bob = alice;
        bob.name = "Bob";
        bob.password = "7777";
        customers.addAccount(bob);
        const QList<CustomerRow> before = accounts(customers);

        QList<std::tuple<qint64, qint64, QString>> started;
        LogonService::Engine engine;
        engine.statusOf = [](qint64) { return QString(); };
        engine.startaccount = [&](qint64 aa, qint64 minutes, const QString &pin) { started.append({aa, minutes, pin}); };
        engine.endaccount = [](qint64) {};
        NowhereChannel reply;
        LogonService service(cafe, customers, reply, engine);
        const Ports ports = Ports::withOffset(30000 + QRandomGenerator::global()->bounded(20000));
        QVERIFY(!service.listen(ports, QHostAddress::LocalHost));

        // 10,000 hostile requests, 50 at a time: junk, SQL, apostrophes, a split
        // request, megabyte payloads and silent connections.
        const QList<QByteArray> fixed{"' or ''='", "4242' OR '1'='1", "'; DELETE FROM users; --", "closeme",
                                      "7777 ", "", QByteArray("42\0" "42", 5)};
        int done = 0;
        QList<QTcpSocket *> silent;
        auto *rng = QRandomGenerator::global();
        const int total = 10000;
        int next = 0;
        QList<QTcpSocket *> inFlight;
        while (next < total || !inFlight.isEmpty()) {
            while (next < total && inFlight.size() < 50) {
                const int i = next++;
                auto *s = new QTcpSocket(this);
                if (i % 500 == 7) { // silent: connects and never speaks
                    s->connectToHost(QHostAddress::LocalHost, ports.logon);
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
                    payload.resize(1 + rng->bounded(40));
                    for (char &c : payload)
                        c = char(rng->bounded(256));
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
                s->connectToHost(QHostAddress::LocalHost, ports.logon);
            }
            QTest::qWait(1);
        }
        QCOMPARE(done, total);
        QVERIFY(service.isListening());
        QVERIFY(started.isEmpty()); // no junk came from a roster address

        // A valid PIN from the computer's own address is served promptly,
        // even while silent connections are still open.
        QElapsedTimer t;
        t.start();
        QTcpSocket valid;
        QVERIFY(valid.bind(QHostAddress("127.0.0.5")));
        valid.connectToHost(QHostAddress::LocalHost, ports.logon);
        QVERIFY(valid.waitForConnected(2000));
        valid.write("4242");
        valid.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(started.size(), 1, 2000);
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(started.first(), std::make_tuple(pc, qint64(90), QString("4242")));

        // users.dat holds exactly the one change: Alice in use on 127.0.0.5.
        QList<CustomerRow> expected = before;
        expected[0].timer = true;
        expected[0].pcused = "127.0.0.5";
        QVERIFY(sameAccounts(accounts(customers), expected));
        qDeleteAll(silent);
    }

    void refusalsInTheirOrder_data()
    {
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("peer");
        QTest::addColumn<QString>("reply");
        QTest::newRow("unknown") << "0000" << "127.0.0.5" << "Invalid or non-existing password";
        QTest::newRow("injection") << "' or ''='" << "127.0.0.5" << "Invalid or non-existing password";
        QTest::newRow("one minute: expired") << "1111" << "127.0.0.5" << " Your time has expired";
        QTest::newRow("expired beats in use") << "3333" << "127.0.0.5" << " Your time has expired";
        QTest::newRow("in use") << "2222" << "127.0.0.5" << " Your PIN is already in use";
        QTest::newRow("unknown computer") << "4444" << "127.0.0.99" << "Invalid or non-existing password";
        QTest::newRow("two minutes: accepted") << "4444" << "127.0.0.5" << "";
    }
    void refusalsInTheirOrder()
    {
        QFETCH(QString, pin);
        QFETCH(QString, peer);
        QFETCH(QString, reply);
        TempHome home;
        CafeStore cafe;
        CustomerStore customers;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        QVERIFY(!customers.open(home.paths().customerDatabase()));
        cafe.addComputer({0, "PC1", "127.0.0.5", 0, 0, false, false, false});
        auto add = [&](const QString &p, qint64 left, bool inUse) {
            CustomerRow c;
            c.password = p;
            c.timeleft = c.time = left;
            c.timer = inUse;
            customers.addAccount(c);
        };
        add("1111", 1, false);
        add("2222", 50, true);
        add("3333", 0, true);
        add("4444", 2, false);
        int starts = 0;
        LogonService::Engine engine{[](qint64) { return QString(); },
                                    [&](qint64, qint64, const QString &) { ++starts; }, [](qint64) {}};
        NowhereChannel channel;
        LogonService service(cafe, customers, channel, engine);
        QSignalSpy refused(&service, &LogonService::refused);
        service.handleRequest(peer, pin.toLatin1());
        if (reply.isEmpty()) {
            QCOMPARE(refused.size(), 0);
            QCOMPARE(starts, 1);
            QVERIFY(customers.accountsWithPin(pin)->first().timer);
        } else {
            QCOMPARE(refused.size(), 1);
            QCOMPARE(refused.first().at(0).toString(), peer);
            QCOMPARE(refused.first().at(1).toString(), reply);
            QCOMPARE(starts, 0);
            QTRY_COMPARE(channel.opened, 1);
            QCOMPARE(channel.address(), peer);
            // A refused request never marks an account in use.
            const auto rows = *customers.accountsWithPin(pin);
            for (const CustomerRow &c : rows)
                QCOMPARE(c.timer, c.password == "2222" || c.password == "3333");
        }
    }

    void closemeEndsOnlyAnAccountCharge_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("ended");
        QTest::newRow("account") << "isonuser" << true;
        QTest::newRow("normal") << "ison" << false;
        QTest::newRow("prepaid") << "isonpre" << false;
        QTest::newRow("free") << "" << false;
    }
    void closemeEndsOnlyAnAccountCharge()
    {
        QFETCH(QString, status);
        QFETCH(bool, ended);
        TempHome home;
        CafeStore cafe;
        CustomerStore customers;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        QVERIFY(!customers.open(home.paths().customerDatabase()));
        cafe.addComputer({0, "PC1", "127.0.0.5", 0, 0, false, false, false});
        const qint64 last = *cafe.addComputer({0, "PC2", "127.0.0.5", 0, 0, false, false, false});
        QList<qint64> endedSlots;
        LogonService::Engine engine{[&](qint64) { return status; }, [](qint64, qint64, const QString &) {},
                                    [&](qint64 aa) { endedSlots << aa; }};
        NowhereChannel channel;
        LogonService service(cafe, customers, channel, engine);
        service.handleRequest("127.0.0.5", "closeme");
        service.handleRequest("127.0.0.77", "closeme"); // no such computer: nothing
        QCOMPARE(endedSlots, ended ? QList<qint64>{last} : QList<qint64>{});
        QCOMPARE(channel.opened, 0);
    }

    void failedStartFreesTheAccount()
    {
        TempHome home;
        CafeStore cafe;
        CustomerStore customers;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        QVERIFY(!customers.open(home.paths().customerDatabase()));
        cafe.addComputer({0, "PC1", "127.0.0.5", 0, 0, false, false, false});
        CustomerRow c;
        c.password = "5555";
        c.timeleft = 30;
        customers.addAccount(c);
        LogonService::Engine engine{[](qint64) { return QString(); }, [](qint64, qint64, const QString &) {},
                                    [](qint64) {}};
        NowhereChannel channel;
        LogonService service(cafe, customers, channel, engine);
        service.handleRequest("127.0.0.5", "5555\r\n");
        QVERIFY(customers.accountsWithPin("5555")->first().timer);
        service.accountStartFailed("5555");
        QVERIFY(!customers.accountsWithPin("5555")->first().timer);
    }

    void busyPortIsExplained()
    {
        QTcpServer squatter;
        const Ports ports = Ports::withOffset(30000 + QRandomGenerator::global()->bounded(20000));
        QVERIFY(squatter.listen(QHostAddress::LocalHost, ports.logon));
        TempHome home;
        CafeStore cafe;
        CustomerStore customers;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        QVERIFY(!customers.open(home.paths().customerDatabase()));
        NowhereChannel channel;
        LogonService service(cafe, customers, channel, {});
        const auto err = service.listen(ports, QHostAddress::LocalHost);
        QVERIFY(err);
        QVERIFY2(err->contains(QString::number(ports.logon)), qPrintable(*err));
        QVERIFY(!service.isListening());
    }
};

QTEST_MAIN(TestLogonHostile)
#include "tst_logon_hostile.moc"
