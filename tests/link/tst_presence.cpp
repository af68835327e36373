#include "LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "link/PresencePoller.h"

#include <QSignalSpy>
#include <QtTest>

using namespace linktest;

Q_DECLARE_METATYPE(Picture)

namespace {
constexpr quint16 ProbePort = 1009 + Offset;
constexpr int Interval = PresencePoller::MinimumIntervalMs;

struct Fixture
{
    ScriptedPrompter prompter;
    QHash<qint64, SlotState> status;
    QString checkpc = QStringLiteral("yes");
    PresencePoller poller{prompter, ProbePort, [this](qint64 aa) { return status.value(aa); },
                          [this] { return checkpc; }};
    QList<std::pair<qint64, Picture>> pictures;
    Fixture()
    {
        QObject::connect(&poller, &PresencePoller::pictureDue, &poller,
                         [this](qint64 aa, Picture p) { pictures.append({aa, p}); });
    }
    int countOf(qint64 aa, Picture p) const
    {
        return int(std::count(pictures.cbegin(), pictures.cend(), std::pair{aa, p}));
    }
    std::optional<Picture> lastOf(qint64 aa) const
    {
        for (auto it = pictures.crbegin(); it != pictures.crend(); ++it)
            if (it->first == aa)
                return it->second;
        return std::nullopt;
    }
};
} // namespace

class TestPresence : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(clientBinary()), qPrintable("no korvane-client at " + clientBinary()));
    }

    // A client that stops answering shows the error picture within two
    // intervals and its status word's picture once it answers again; a
    // computer whose client never runs shows the error picture all along.
    void followsTheClient_data()
    {
        QTest::addColumn<SlotState>("status");
        QTest::addColumn<Picture>("picture");
        QTest::newRow("free") << SlotState::Free << Picture::Free;
        QTest::newRow("normal") << SlotState::Normal << Picture::Normal;
        QTest::newRow("prepaid") << SlotState::Prepaid << Picture::Prepaid;
        QTest::newRow("account") << SlotState::Account << Picture::Account;
    }
    void followsTheClient()
    {
        QFETCH(SlotState, status);
        QFETCH(Picture, picture);
        Agent agent;
        QVERIFY2(agent.start(address(3, 1), {"--no-broadcast"}), qPrintable(agent.errors()));
        Fixture f;
        f.status = {{1, status}, {2, SlotState::Free}};
        f.poller.addComputer(1, address(3, 1));
        f.poller.addComputer(2, address(3, 2)); // nothing listens there
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(1, picture) >= 1, 3 * Interval);
        QVERIFY(agent.waitFor("probe"));
        QTRY_VERIFY(f.countOf(2, Picture::Error) >= 1);
        const QList<std::pair<qint64, Picture>> seen = f.pictures;
        for (const auto &[aa, p] : seen)
            QVERIFY(aa == 2 || p == picture); // the status word alone decides

        agent.stop();
        QElapsedTimer stopped;
        stopped.start();
        QTRY_VERIFY_WITH_TIMEOUT(f.lastOf(1) == Picture::Error, 2 * Interval + 500);
        QVERIFY(stopped.elapsed() <= 2 * Interval + 500);

        QVERIFY(agent.start(address(3, 1), {"--no-broadcast"}));
        QTRY_VERIFY_WITH_TIMEOUT(f.lastOf(1) == picture, 3 * Interval);
        QCOMPARE(f.status.value(1), status); // probing never touches a status word
    }

    void unansweredProbeIsJudgedAtTheNextTick()
    {
        HangingPort hang;
        if (!hang.open(address(3, 3), ProbePort))
            QSKIP("cannot make a listener with a full backlog here");
        Fixture f;
        f.poller.addComputer(7, address(3, 3));
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(7, Picture::Error) >= 1, 2 * Interval + 500);
        // Judged, then probed again at the tick after: error once per two ticks.
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(7, Picture::Error) >= 2, 4 * Interval + 500);
    }

    void badAddressShowsError_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::newRow("empty") << "";
        QTest::newRow("host name") << "cafe-pc3";
        QTest::newRow("garbage") << "1.2.3.4.5";
    }
    void badAddressShowsError()
    {
        QFETCH(QString, ip);
        Fixture f;
        f.poller.addComputer(3, ip);
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(3, Picture::Error) >= 1, 2 * Interval);
    }

    void pollingOnlyWhileCheckpcIsExactlyYes_data()
    {
        QTest::addColumn<QString>("checkpc");
        QTest::newRow("capital") << "Yes";
        QTest::newRow("trailing blank") << "yes ";
        QTest::newRow("no") << "no";
        QTest::newRow("empty") << "";
    }
    void pollingOnlyWhileCheckpcIsExactlyYes()
    {
        QFETCH(QString, checkpc);
        Agent agent;
        QVERIFY(agent.start(address(3, 4), {"--no-broadcast"}));
        Fixture f;
        f.checkpc = checkpc;
        f.status = {{1, SlotState::Normal}};
        f.poller.addComputer(1, address(3, 4));
        f.poller.addComputer(2, address(3, 5));
        QTest::qWait(int(2.5 * Interval)); // two ticks must pass without a probe
        QCOMPARE(agent.count("probe"), 0);
        QVERIFY(f.pictures.isEmpty());
        // Switched on live, as the options window does.
        f.checkpc = "yes";
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(1, Picture::Normal) >= 1, 3 * Interval);
        QVERIFY(agent.waitFor("probe")); // its line may trail the picture
    }

    void intervalHasAMinimum_data()
    {
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("used");
        QTest::newRow("zero") << 0 << Interval;
        QTest::newRow("negative") << -5 << Interval;
        QTest::newRow("below") << 999 << Interval;
        QTest::newRow("ten seconds") << 10000 << 10000;
    }
    void intervalHasAMinimum()
    {
        QFETCH(int, asked);
        QFETCH(int, used);
        Fixture f;
        f.poller.setIntervalMs(asked);
        QCOMPARE(f.poller.intervalMs(), used);
    }

    void manualCheck_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<SlotState>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::addColumn<Picture>("picture");
        const int info = int(Prompter::Icon::Information);
        const int critical = int(Prompter::Icon::Critical);
        QTest::newRow("working, free") << true << SlotState::Free << " Computer PC 1  Is Working" << info << Picture::Free;
        QTest::newRow("working, normal") << true << SlotState::Normal << " Computer PC 1  Is Working" << info << Picture::Normal;
        QTest::newRow("working, prepaid") << true << SlotState::Prepaid << " Computer PC 1  Is Working" << info
                                          << Picture::Prepaid;
        QTest::newRow("working, account") << true << SlotState::Account << " Computer PC 1  Is Working" << info
                                          << Picture::Account;
        QTest::newRow("silent") << false << SlotState::Normal << "Computer PC 1 Has a communication error" << critical
                                << Picture::Error;
    }
    void manualCheck()
    {
        QFETCH(bool, running);
        QFETCH(SlotState, status);
        QFETCH(QString, text);
        QFETCH(int, icon);
        QFETCH(Picture, picture);
        Agent agent;
        if (running)
            QVERIFY(agent.start(address(3, 6), {"--no-broadcast"}));
        Fixture f;
        f.checkpc = "no"; // the check works with polling off
        f.status = {{4, status}};
        f.poller.check(4, "PC 1", address(3, 6), status);
        QVERIFY(f.prompter.said().isEmpty()); // the answer comes from the event loop
        QTRY_COMPARE(f.prompter.said().size(), 1);
        QCOMPARE(f.prompter.last(), text);
        QCOMPARE(int(f.prompter.said().first().icon), icon);
        QCOMPARE(f.pictures, (QList<std::pair<qint64, Picture>>{{4, picture}}));
    }

    void manualCheckOfBadAddress()
    {
        Fixture f;
        f.poller.check(9, "PC9", "", SlotState::Free);
        QVERIFY(f.prompter.said().isEmpty());
        QTRY_COMPARE(f.prompter.texts(), QStringList{"Computer PC9 Has a communication error"});
        QCOMPARE(f.pictures, (QList<std::pair<qint64, Picture>>{{9, Picture::Error}}));
    }
};

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"
