#include "LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "link/PresencePoller.h"

#include <sys/resource.h>

#include <map>

using namespace linktest;

Q_DECLARE_METATYPE(Picture)

// Every computer is probed once per turn, also in a large café and when
// descriptors run short. How the probes spread over an interval is timing,
// measured by bench_poll.
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
    QList<std::pair<qint64, Picture>> pictures; // every tick, in turn
    std::map<qint64, QList<Picture>> seen;      // per computer
    Fixture()
    {
        QObject::connect(&poller, &PresencePoller::pictureDue, &poller, [this](qint64 aa, Picture p) {
            pictures.append({aa, p});
            seen[aa].append(p);
        });
    }
    // Round robin among the computers first..last, added together: at every
    // point their tick counts differ by at most one, however late the timers.
    bool takesTurns(qint64 first, qint64 last) const
    {
        std::vector<int> count(last - first + 1);
        for (const auto &[aa, p] : pictures)
            if (aa >= first && aa <= last && ++count[aa - first] - *std::min_element(count.begin(), count.end()) > 1)
                return false;
        return true;
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

int openDescriptors()
{
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}
} // namespace

class TestPresence : public QObject
{
    Q_OBJECT
private slots:
    // A client that stops answering shows the error picture, and its status
    // word's picture once it answers again; a computer whose client never
    // runs shows the error picture all along. Nothing is probed while
    // polling is off; switched on live, as the options window does, it starts.
    void followsTheClient_data()
    {
        QTest::addColumn<SlotState>("status");
        QTest::addColumn<Picture>("picture");
        QTest::addColumn<bool>("late"); // polling switched on after two ticks
        QTest::newRow("free") << SlotState::Free << Picture::Free << false;
        QTest::newRow("normal, switched on late") << SlotState::Normal << Picture::Normal << true;
        QTest::newRow("prepaid") << SlotState::Prepaid << Picture::Prepaid << false;
        QTest::newRow("account") << SlotState::Account << Picture::Account << false;
    }
    void followsTheClient()
    {
        QFETCH(SlotState, status);
        QFETCH(Picture, picture);
        QFETCH(bool, late);
        Agent agent;
        QVERIFY2(agent.start(address(3, 1), {"--no-broadcast"}), qPrintable(agent.errors()));
        Fixture f;
        f.polling = !late;
        f.status = {{1, status}, {2, SlotState::Free}};
        f.poller.addComputer(1, address(3, 1));
        f.poller.addComputer(2, address(3, 2)); // nothing listens there
        if (late) {
            QTest::qWait(int(2.5 * Interval));
            QVERIFY(agent.count("probe") == 0 && f.pictures.isEmpty());
            f.polling = true;
        }
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

    // Nothing listens at these addresses: each tick ends in the error
    // picture at once, which shows when every computer was ticked.
    void everyComputerInTurn_data()
    {
        QTest::addColumn<int>("first"); // computers added before polling starts
        QTest::addColumn<int>("later"); // and one interval and a half after
        QTest::newRow("one") << 1 << 0;
        QTest::newRow("one more than a burst") << PresencePoller::BurstSize + 1 << 0;
        QTest::newRow("large café") << 250 << 0;
        QTest::newRow("grown while polling") << 100 << 60;
    }
    void everyComputerInTurn()
    {
        QFETCH(int, first);
        QFETCH(int, later);
        Fixture log;
        const auto add = [&](int from, int count) {
            for (int i = from; i < from + count; ++i)
                log.poller.addComputer(i + 1, address(7, 1 + i % 200));
        };
        add(0, first);
        const int total = first + later;
        if (later > 0) {
            QTest::qWait(Interval + Interval / 2);
            add(first, later);
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(log.seen.cbegin(), log.seen.cend(), [](const auto &e) { return e.second.size() >= 3; })
                && int(log.seen.size()) == total,
            5 * Interval);

        // Once per turn each.
        QVERIFY(log.takesTurns(1, first));
        if (later > 0)
            QVERIFY(log.takesTurns(first + 1, total));
        for (const auto &[aa, pictures] : log.seen)
            QCOMPARE(pictures.count(Picture::Error), pictures.size());
    }

    // A socket is kept per computer from one probe to the next; when the
    // process runs out of descriptors the poller gives back its idle ones
    // and goes on, as long as one burst of probes fits. Polling leaves no
    // descriptor behind, and the client sees an ordinary close (the agent
    // reports the probe from the console's address; a reset before its
    // accept would show no peer).
    void descriptors_data()
    {
        QTest::addColumn<int>("computers");
        QTest::addColumn<bool>("scarce"); // descriptors for little more than a burst
        QTest::newRow("three bursts, descriptors scarce") << 3 * 50 << true;
        QTest::newRow("twenty computers") << 20 << false;
    }
    void descriptors()
    {
        QFETCH(int, computers);
        QFETCH(bool, scarce);
        Agent agent;
        QVERIFY2(agent.start(address(8, 1), {"--no-broadcast"}), qPrintable(agent.errors()));
        Fixture log;
        const Picture expected = scarce ? Picture::Normal : Picture::Free;
        for (int aa = 1; scarce && aa <= computers; ++aa)
            log.status.insert(aa, SlotState::Normal);
        const int base = openDescriptors();
        rlimit saved{};
        getrlimit(RLIMIT_NOFILE, &saved);
        const rlimit lowered{rlim_t(base + 80), saved.rlim_max};
        const auto restore = qScopeGuard([&saved] { setrlimit(RLIMIT_NOFILE, &saved); });
        if (scarce && setrlimit(RLIMIT_NOFILE, &lowered) != 0)
            QSKIP("cannot lower the descriptor limit here");
        for (int aa = 1; aa <= computers; ++aa)
            log.poller.addComputer(aa, address(8, 1));
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(log.seen.cbegin(), log.seen.cend(),
                                             [&](const auto &e) { return log.countOf(e.first, expected) >= 3; })
                                     && int(log.seen.size()) == computers,
                                 6 * Interval);
        for (int aa = 1; aa <= computers; ++aa)
            QCOMPARE(log.countOf(aa, Picture::Error), 0);
        QTRY_VERIFY(openDescriptors() <= base + (scarce ? 10 : 1)); // none kept any more
        QVERIFY(agent.waitFor("probe", 20));
        for (const QJsonObject &e : agent.events())
            if (e.value("event").toString() == QLatin1String("probe"))
                QVERIFY(e.value("from").toString() != QLatin1String("0.0.0.0"));
    }
};

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"
