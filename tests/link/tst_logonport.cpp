// The logon port faces every machine on the café's network: floods, junk,
// oversized and silent connections, guessed PINs and busy computers must not
// start a charge nor stop a customer's logon.
#include "CafeFixture.h"
#include "engine/CustomerLogon.h"
#include "link/LogonPort.h"
#include "link/Protocol.h"

#include <QRandomGenerator>
#include <QTcpSocket>

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
    std::unique_ptr<CustomerLogon> rules;
    std::unique_ptr<LogonPort> service;
    qint64 pc = 0, guesser = 0;

    explicit Logon(const QString &address = Peer)
    {
        cafe.open(home.paths().cafeDatabase());
        customers.open(home.paths().customerDatabase());
        pc = *cafe.addComputer({0, "PC1", address, 0, 0, false, false, false});
        guesser = *cafe.addComputer({0, "PC2", "127.0.0.1", 0, 0, false, false, false});
        for (const char *pin : {"4242", "7777"})
            customers.addAccount({0, {}, {}, {}, pin, 90, 0, 90, false, {}});
        const CustomerLogon::Hooks engine{[this](qint64 aa) { return status.value(aa); },
                                          [this](qint64 aa, qint64, const QString &) {
                                              started << aa;
                                              status.insert(aa, SlotState::Account);
                                          },
                                          [this](qint64 aa, const QDateTime &) { end(aa); },
                                          [](qint64) { return false; }};
        rules = std::make_unique<CustomerLogon>(customers, engine);
        service = std::make_unique<LogonPort>(cafe, *rules, [this] { return reply.spawn(); }, clock);
    }
    void pin(const QByteArray &text, const QString &from = Peer) { service->handleRequest(from, text); }
    // As the engine ends an account charge: the computer is free, the account too.
    void end(qint64 aa)
    {
        ended << aa;
        status.remove(aa);
        for (CustomerRow c : *customers.accounts()) {
            c.timer = false;
            customers.updateAccount(c);
        }
    }
};

// Alice's PIN in one write from Peer, as her client sends it, to the real port.
bool alicePinTo(quint16 port)
{
    auto *s = new QTcpSocket;
    QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    s->bind(QHostAddress(Peer));
    s->connectToHost(QHostAddress::LocalHost, port);
    if (!s->waitForConnected(2000)) {
        delete s;
        return false;
    }
    s->write("4242");
    s->disconnectFromHost();
    return true;
}

// A message box that stays up, the event loop running, while whileShown()
// runs (in the first box only); counts the boxes up at once.
struct ModalPrompter : ScriptedPrompter
{
    std::function<void()> whileShown;
    int open = 0, most = 0;
    void tell(const QString &text, Icon icon) override
    {
        ScriptedPrompter::tell(text, icon);
        most = std::max(most, ++open);
        if (const auto during = std::exchange(whileShown, {}))
            during();
        --open;
    }
};
} // namespace

class TestLogonPort : public QObject
{
    Q_OBJECT
private slots:
    // What a PIN gets back, decided before anything is written: the credit's
    // edge, the refusals' order, and a computer that already runs a charge.
    // The roster's address is read as an address, and the PIN's charge ends
    // with the computer's "closeme".
    void answers_data()
    {
        QTest::addColumn<qint64>("timeleft");
        QTest::addColumn<bool>("inUse");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<SlotState>("status"); // of the computer asking
        QTest::addColumn<QByteArray>("reply"); // empty: accepted
        QTest::addColumn<QString>("roster");   // PC1's address there
        const QByteArray invalid = "Invalid or non-existing password", expired = " Your time has expired";
        QTest::newRow("1 minute left") << 1LL << false << QByteArray("1111") << SlotState::Free << expired << Peer;
        QTest::newRow("2 minutes left") << 2LL << false << QByteArray("1111") << SlotState::Free << QByteArray() << Peer;
        QTest::newRow("unknown PIN") << 60LL << false << QByteArray("1112") << SlotState::Free << invalid << Peer;
        QTest::newRow("in use") << 60LL << true << QByteArray("1111") << SlotState::Free << QByteArray(" Your PIN is already in use") << Peer;
        QTest::newRow("expired and in use") << 0LL << true << QByteArray("1111") << SlotState::Free << expired << Peer;
        QTest::newRow("unknown before expired") << 1LL << true << QByteArray("111") << SlotState::Free << invalid << Peer;
        QTest::newRow("query text") << 60LL << false << QByteArray("' or ''='") << SlotState::Free << invalid << Peer;
        QTest::newRow("typed line end") << 60LL << false << QByteArray("1111\r\n") << SlotState::Free << QByteArray() << Peer;
        QTest::newRow("roster: blanks around") << 60LL << false << QByteArray("1111") << SlotState::Free << QByteArray() << " 127.0.0.5 ";
        QTest::newRow("roster: leading zeros") << 60LL << false << QByteArray("1111") << SlotState::Free << QByteArray() << "127.000.0.05";
        QTest::newRow("normal charge") << 60LL << false << QByteArray("1111") << SlotState::Normal << Protocol::computerBusy() << Peer;
        QTest::newRow("prepaid charge") << 60LL << false << QByteArray("1111") << SlotState::Prepaid << Protocol::computerBusy() << Peer;
        QTest::newRow("account charge") << 60LL << false << QByteArray("1111") << SlotState::Account << Protocol::computerBusy() << Peer;
    }
    void answers()
    {
        QFETCH(qint64, timeleft);
        QFETCH(bool, inUse);
        QFETCH(QByteArray, typed);
        QFETCH(SlotState, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, roster);
        Logon l(roster);
        const qint64 account = *l.customers.addAccount({0, {}, {}, {}, "1111", 90, 0, timeleft, inUse, {}});
        if (status != SlotState::Free)
            l.status.insert(l.pc, status);
        l.pin(typed);
        const CustomerRow after = **l.customers.account(account);
        QCOMPARE(after.timeleft, timeleft);
        if (reply.isEmpty()) {
            QCOMPARE(l.started, QList<qint64>{l.pc});
            QVERIFY(after.timer && after.pcused == Peer);
            QVERIFY(l.reply.opened().isEmpty());
            l.pin("closeme");
            QCOMPARE(l.ended, QList<qint64>{l.pc});
            return;
        }
        QVERIFY(l.started.isEmpty());
        QCOMPARE(after.timer, inUse); // no in-use mark is left behind, none is taken away
        QVERIFY(after.pcused.isEmpty());
        QTRY_COMPARE(l.reply.sent(), QByteArrayList{reply});
        QCOMPARE(l.reply.opened(), QStringList{Peer});
    }

    // Unknown PINs pause an address however they are spread: in runs that
    // a per-minute count would forget, between logons with the customer's
    // own PIN, slowly all day, or over many computers. A computer that sent
    // no unknown PIN is served all along; the operator hears of it once.
    void guessingIsPaused_data()
    {
        QTest::addColumn<int>("computers"); // guessing, each at its own address
        QTest::addColumn<int>("perRound");  // unknown PINs from each
        QTest::addColumn<int>("gap");       // seconds between rounds
        QTest::addColumn<int>("rounds");
        QTest::addColumn<bool>("ownPin"); // a logon and "closeme" after every round
        QTest::addColumn<bool>("cafe");   // stopped by the café's limit, not the address's
        QTest::newRow("four a minute") << 1 << 4 << 61 << 2 << false << false;
        QTest::newRow("own PIN between runs") << 1 << 4 << 1 << 2 << true << false;
        QTest::newRow("one every ten minutes") << 1 << 1 << 601 << PinThrottle::DayFailures << false << false;
        QTest::newRow("many computers") << 25 << 4 << 601 << PinThrottle::CafeFailures / 100 << false << true;
    }
    void guessingIsPaused()
    {
        QFETCH(int, computers);
        QFETCH(int, perRound);
        QFETCH(int, gap);
        QFETCH(int, rounds);
        QFETCH(bool, ownPin);
        QFETCH(bool, cafe);
        Logon l;
        QStringList guessers{"127.0.0.1"};
        for (int i = 1; i < computers; ++i) {
            guessers << QStringLiteral("127.0.1.%1").arg(i);
            l.cafe.addComputer({0, "G" + QString::number(i), guessers.last(), 0, 0, false, false, false});
        }
        QSignalSpy told(l.service.get(), &LogonPort::guessing);
        QSignalSpy toldCafe(l.service.get(), &LogonPort::cafeGuessing);
        int guess = 0;
        for (int round = 0; round < rounds; ++round) {
            for (const QString &from : guessers)
                for (int i = 0; i < perRound; ++i)
                    l.pin(QByteArray::number(9000 + guess++), from);
            if (ownPin) {
                l.pin("7777", "127.0.0.1");
                l.pin("closeme", "127.0.0.1");
            }
            l.clock.advance(gap);
        }
        l.pin("7777", "127.0.0.1");
        QCOMPARE(l.started.count(l.guesser), ownPin ? 1 : 0);
        l.pin("4242");
        QCOMPARE(l.started.last(), l.pc);
        QCOMPARE((QList<qsizetype>{told.size(), toldCafe.size()}), (QList<qsizetype>{cafe ? 0 : 1, cafe ? 1 : 0}));
    }

    // The client agent tells its customer how long a pause lasts: until the
    // oldest wrong PIN of the limit reached leaves its window.
    void pauseLastsUntilItsOldestFailureLeaves()
    {
        SettableClock clock;
        PinThrottle throttle(clock);
        for (int i = 0; i < PinThrottle::BurstFailures; ++i) {
            throttle.failed(1);
            clock.advance(60);
        }
        QCOMPARE(throttle.pausedForSecs(1), PinThrottle::BurstSecs - 300);
        clock.advance(PinThrottle::BurstSecs - 301);
        QVERIFY(throttle.isPaused(1) && throttle.pausedForSecs(1) == 1);
        clock.advance(1);
        QVERIFY(!throttle.isPaused(1) && throttle.pausedForSecs(1) == 0 && throttle.pausedForSecs(2) == 0);
    }

    void floodThenAValidPin()
    {
        Logon l;
        l.reply.willFail("Connection refused"); // the flood's clients are gone
        QSignalSpy told(l.service.get(), &LogonPort::guessing);
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
        QVERIFY(alicePinTo(ports.logon));
        QTRY_COMPARE(l.started, QList<qint64>{l.pc});

        // Bob's valid PIN from the guessing computer is served once the pause
        // is over (refused during it: guessingIsPaused).
        l.clock.advance(PinThrottle::DaySecs);
        l.pin("7777", "127.0.0.1");
        QCOMPARE(l.started, QList<qint64>({l.pc, l.guesser}));
        qDeleteAll(silent);
    }

    // Silent connections hold no other computer's logon: a machine the
    // roster does not know is dropped at once, a roster computer keeps a
    // few, and a valid PIN from another computer is served meanwhile.
    void idleConnections_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("kept");
        QTest::newRow("not in the roster") << "127.0.0.9" << 0;
        QTest::newRow("a roster computer") << "127.0.0.1" << LogonPort::MaxConnectionsPerAddress;
    }
    void idleConnections()
    {
        QFETCH(QString, from);
        QFETCH(int, kept);
        Logon l;
        const Ports ports = Ports::withOffset(29500 + QRandomGenerator::global()->bounded(2000));
        QVERIFY(!l.service->listen(ports, QHostAddress::LocalHost));
        QElapsedTimer since;
        since.start();
        std::vector<std::unique_ptr<QTcpSocket>> silent(70);
        int dropped = 0;
        for (auto &s : silent) {
            s = std::make_unique<QTcpSocket>();
            QVERIFY(s->bind(QHostAddress(from)));
            connect(s.get(), &QAbstractSocket::stateChanged, this, [&dropped](QAbstractSocket::SocketState state) {
                dropped += state == QAbstractSocket::UnconnectedState;
            });
            s->connectToHost(QHostAddress::LocalHost, ports.logon);
        }
        QTRY_COMPARE(dropped, int(silent.size()) - kept);
        QVERIFY(alicePinTo(ports.logon));
        QTRY_COMPARE(l.started, QList<qint64>{l.pc});
        // All at once, while the connections kept were still waiting to speak.
        QVERIFY(since.elapsed() < LogonPort::RequestTimeoutMs);
    }

    // Refusals for a computer whose text port never answers wait for it alone.
    void refusalsQueuePerAddress()
    {
        Logon l;
        l.reply.willHang();
        for (int i = 0; i < 3; ++i)
            l.pin("1", "127.0.0.1");
        l.reply.willConnect();
        l.pin("2");
        QTRY_COMPARE(l.reply.sent(), QByteArrayList{Protocol::invalidPassword()});
        QCOMPARE(l.reply.opened(), (QStringList{"127.0.0.1", Peer}));
    }

    // A customer whose computer's command port never answers keeps sending
    // his PIN: one start at a time goes there and the operator's commands go
    // out meanwhile. However often he tries, its failure is told once, in
    // one box (another computer's after it, not on top of it), and every
    // account is left free.
    void blockedCommandPort()
    {
        Cafe c(3);
        ModalPrompter boxes;
        Engine engine(c.cafe, c.customers, c.channel, [&c] { return c.channel.spawn(); }, boxes, c.clock);
        engine.loadRoster(*c.cafe.computers());
        FakeChannel reply;
        CustomerLogon rules(c.customers, CustomerLogon::hooksOn(engine));
        LogonPort logon(c.cafe, rules, [&reply] { return reply.spawn(); }, c.clock);
        connect(&engine, &Engine::accountStartFailed, &logon, [&rules](qint64, const QString &pin) {
            QVERIFY(rules.accountStartFailed(pin));
        });
        QSignalSpy refused(&logon, &LogonPort::refused);
        c.addAccount("4242", 90);
        c.addAccount("7777", 90);
        const auto tries = [&](const QString &from, const QByteArray &pin) {
            logon.handleRequest(from, pin);
            QVERIFY(QTest::qWaitFor([&] { return engine.startingAccounts().isEmpty(); }));
        };

        c.channel.willHang();
        for (int i = 0; i < 10; ++i)
            logon.handleRequest("127.0.0.11", "4242");
        QCOMPARE(c.channel.opened(), QStringList{"127.0.0.11"});
        QCOMPARE(refused.size(), 9);
        QCOMPARE(refused.last().at(1).toString(), QString::fromLatin1(Protocol::computerBusy()));
        c.channel.willConnect();
        boxes.answer(true);
        engine.startNormal(c.pc2);
        QTRY_VERIFY(engine.slot(c.pc2)->state == SlotState::Normal && !c.channel.isBusy());

        boxes.clear();
        engine.setCurrentComputer(c.pc2); // the reports name the logons' computers
        c.channel.willFail("Connection refused");
        boxes.whileShown = [&] {
            for (int i = 0; i < 5; ++i)
                tries("127.0.0.11", "4242");
            tries("127.0.0.13", "7777");
        };
        c.channel.failNow("Connection timed out");
        QTRY_COMPARE(boxes.texts(), (QStringList{"Communication Error With PC1\nConnection timed out",
                                                 "Communication Error With PC3\nConnection refused"}));
        QCOMPARE(boxes.most, 1);
        QCOMPARE(c.channel.openCount(), 8);
        for (const CustomerRow &a : *c.customers.accounts())
            QVERIFY(!a.timer);
    }
};

QTEST_MAIN(TestLogonPort)
#include "tst_logonport.moc"
