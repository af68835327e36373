// The logon port faces every machine on the café's network: floods, junk,
// oversized and silent connections must not stop a customer's logon.
#include "TempHome.h"
#include "engine/CommandChannel.h"
#include "link/LogonService.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "link/Protocol.h"
#include "ui/Clock.h"

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
        // The flood comes from a computer of the roster, so its PINs are looked up.
        const qint64 guesser = *cafe.addComputer({0, "PC2", "127.0.0.1", 0, 0, false, false, false});
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
        SettableClock clock;
        LogonService service(cafe, customers, reply, engine, clock);
        QSignalSpy told(&service, &LogonService::guessing);
        // Below the kernel's ephemeral ports (32768 up), which the flood's own
        // connections take, and apart from the console tests' offsets.
        const Ports ports = Ports::withOffset(29500 + QRandomGenerator::global()->bounded(2000));
        QVERIFY(!service.listen(ports, QHostAddress::LocalHost));

        // 10,000 hostile requests, 50 at a time: junk, SQL, apostrophes, a split
        // request, megabyte payloads and silent connections.
        const QList<QByteArray> fixed{"' or ''='", "4242' OR '1'='1", "'; DELETE FROM users; --", "closeme",
                                      "7777 ", "", QByteArray("42\0" "42", 5)};
        int done = 0;
        QList<QTcpSocket *> silent;
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        auto *rng = &random;
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
        QVERIFY(started.isEmpty()); // no junk was a valid PIN
        QCOMPARE(told.size(), 1);

        // A valid PIN from another computer is served, its address never
        // paused, even while silent connections are still open.
        QTcpSocket valid;
        QVERIFY(valid.bind(QHostAddress("127.0.0.5")));
        valid.connectToHost(QHostAddress::LocalHost, ports.logon);
        QVERIFY(valid.waitForConnected(2000));
        valid.write("4242");
        valid.disconnectFromHost();
        QTRY_COMPARE(started.size(), 1);
        QCOMPARE(started.first(), std::make_tuple(pc, qint64(90), QString("4242")));

        // Bob's valid PIN from the guessing computer is refused during its
        // pause, unseen, and served once the pause is over.
        QSignalSpy refused(&service, &LogonService::refused);
        service.handleRequest("127.0.0.1", "7777");
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().at(1).toString(), QString::fromLatin1(Protocol::invalidPassword()));
        QCOMPARE(started.size(), 1);
        // users.dat holds exactly the one change: Alice in use on 127.0.0.5.
        QList<CustomerRow> expected = before;
        expected[0].timer = true;
        expected[0].pcused = "127.0.0.5";
        QVERIFY(sameAccounts(accounts(customers), expected));
        clock.advance(PinThrottle::LongestPauseSecs);
        service.handleRequest("127.0.0.1", "7777");
        QCOMPARE(started.size(), 2);
        QCOMPARE(std::get<0>(started.last()), guesser);

        qDeleteAll(silent);
    }

    void busyPortIsExplained()
    {
        QTcpServer squatter;
        const Ports ports = Ports::withOffset(29500 + QRandomGenerator::global()->bounded(2000));
        QVERIFY(squatter.listen(QHostAddress::LocalHost, ports.logon));
        TempHome home;
        CafeStore cafe;
        CustomerStore customers;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        QVERIFY(!customers.open(home.paths().customerDatabase()));
        NowhereChannel channel;
        SettableClock clock;
        LogonService service(cafe, customers, channel, {}, clock);
        const auto err = service.listen(ports, QHostAddress::LocalHost);
        QVERIFY(err);
        QVERIFY2(err->contains(QString::number(ports.logon)), qPrintable(*err));
        QVERIFY(!service.isListening());
    }
};

QTEST_MAIN(TestLogonHostile)
#include "tst_logon_hostile.moc"
