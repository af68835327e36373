#include "LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "link/PresencePoller.h"

#include <QtTest>

using namespace linktest;

Q_DECLARE_METATYPE(Picture)

namespace {
constexpr quint16 ProbePort = 1009 + Offset;
constexpr int Interval = PresencePoller::MinimumIntervalMs;
// Generous on purpose: how soon is the business of bench/.
constexpr int Patience = 10 * Interval;

struct Fixture
{
    ScriptedPrompter prompter;
    QHash<qint64, SlotState> status;
    bool polling = true;
    PresencePoller poller{prompter, ProbePort, [this](qint64 aa) { return status.value(aa); },
                          [this] { return polling; }};
    QList<std::pair<qint64, Picture>> pictures;
    Fixture()
    {
        QObject::connect(&poller, &PresencePoller::pictureDue, &poller, [this](qint64 aa, Picture p) {
            pictures.append({aa, p});
        });
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

    // A client that stops answering shows the error picture, and its status
    // word's picture once it answers again; a computer whose client never
    // runs shows the error picture all along.
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
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(1, picture) >= 1, Patience);
        QVERIFY(agent.waitFor("probe"));
        QTRY_VERIFY(f.countOf(2, Picture::Error) >= 1);
        for (const auto &[aa, p] : QList(f.pictures))
            QVERIFY(aa == 2 || p == picture); // the status word alone decides

        agent.stop();
        QTRY_VERIFY_WITH_TIMEOUT(f.lastOf(1) == Picture::Error, Patience);

        QVERIFY(agent.start(address(3, 1), {"--no-broadcast"}));
        QTRY_VERIFY_WITH_TIMEOUT(f.lastOf(1) == picture, Patience);
        QCOMPARE(f.status.value(1), status); // probing never touches a status word
    }

    void pollingOnlyWhileSwitchedOn()
    {
        Agent agent;
        QVERIFY(agent.start(address(3, 4), {"--no-broadcast"}));
        Fixture f;
        f.polling = false;
        f.status = {{1, SlotState::Normal}};
        f.poller.addComputer(1, address(3, 4));
        f.poller.addComputer(2, address(3, 5));
        QTest::qWait(int(2.5 * Interval)); // two ticks must pass without a probe
        QVERIFY(agent.count("probe") == 0 && f.pictures.isEmpty());
        // Switched on live, as the options window does.
        f.polling = true;
        QTRY_VERIFY_WITH_TIMEOUT(f.countOf(1, Picture::Normal) >= 1, Patience);
        QVERIFY(agent.waitFor("probe")); // its line may trail the picture
    }

    // "network Check": the answer comes from the event loop, never from
    // inside the call, and works with polling off.
    void manualCheck_data()
    {
        QTest::addColumn<QString>("ip");
        QTest::addColumn<bool>("running");
        QTest::addColumn<SlotState>("status");
        QTest::addColumn<Picture>("picture"); // the error picture: told so, else that it works
        QTest::newRow("working, free") << address(3, 6) << true << SlotState::Free << Picture::Free;
        QTest::newRow("working, account") << address(3, 6) << true << SlotState::Account << Picture::Account;
        QTest::newRow("silent") << address(3, 6) << false << SlotState::Normal << Picture::Error;
        QTest::newRow("no address") << "" << false << SlotState::Free << Picture::Error;
    }
    void manualCheck()
    {
        QFETCH(QString, ip);
        QFETCH(bool, running);
        QFETCH(SlotState, status);
        QFETCH(Picture, picture);
        const bool error = picture == Picture::Error;
        Agent agent;
        if (running)
            QVERIFY(agent.start(ip, {"--no-broadcast"}));
        Fixture f;
        f.polling = false;
        f.status = {{4, status}};
        f.poller.check(4, "PC 1", ip, status);
        QVERIFY(f.prompter.said().isEmpty());
        QTRY_COMPARE(f.prompter.said().size(), 1);
        QCOMPARE(f.prompter.last(),
                 QString(error ? "Computer PC 1 Has a communication error" : " Computer PC 1  Is Working"));
        QCOMPARE(f.prompter.said().first().icon, error ? Prompter::Icon::Critical : Prompter::Icon::Information);
        QCOMPARE(f.pictures, (QList<std::pair<qint64, Picture>>{{4, picture}}));
    }
};

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"
