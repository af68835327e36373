#include "LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "link/PresencePoller.h"

#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>

#include <algorithm>
#include <map>
#include <optional>

using namespace linktest;

Q_DECLARE_METATYPE(Picture)

// A large café: every computer is probed once per turn, and polling goes on
// when descriptors run short. How the probes spread over an interval is
// timing, measured by bench_poll.
namespace {
constexpr quint16 ProbePort = 1009 + Offset;
constexpr int Interval = PresencePoller::MinimumIntervalMs;

struct Log
{
    ScriptedPrompter prompter;
    QHash<qint64, SlotState> status;
    PresencePoller poller{prompter, ProbePort, [this](qint64 aa) { return status.value(aa); }, [] { return true; }};
    std::map<qint64, QList<Picture>> seen; // per computer
    QList<qint64> order;                   // every tick, in turn
    Log()
    {
        QObject::connect(&poller, &PresencePoller::pictureDue, &poller, [this](qint64 aa, Picture p) {
            seen[aa].append(p);
            order.append(aa);
        });
    }
    // Round robin among the computers first..last, added together: at every
    // point their tick counts differ by at most one, however late the timers.
    bool takesTurns(qint64 first, qint64 last) const
    {
        std::vector<int> count(last - first + 1);
        for (const qint64 aa : order)
            if (aa >= first && aa <= last && ++count[aa - first] - *std::min_element(count.begin(), count.end()) > 1)
                return false;
        return true;
    }
    int countOf(qint64 aa, Picture p) const
    {
        const auto it = seen.find(aa);
        return it == seen.end() ? 0 : int(it->second.count(p));
    }
};

struct DescriptorLimit
{
    explicit DescriptorLimit(rlim_t soft)
    {
        getrlimit(RLIMIT_NOFILE, &saved);
        rlimit lowered = saved;
        lowered.rlim_cur = soft;
        ok = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &saved); }
    rlimit saved{};
    bool ok = false;
};

int openDescriptors()
{
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}
} // namespace

class TestPresenceLoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(clientBinary()), qPrintable("no korvane-client at " + clientBinary()));
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
        Log log;
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
        Log log;
        const Picture expected = scarce ? Picture::Normal : Picture::Free;
        for (int aa = 1; scarce && aa <= computers; ++aa)
            log.status.insert(aa, SlotState::Normal);
        const int base = openDescriptors();
        std::optional<DescriptorLimit> limit;
        if (scarce && !limit.emplace(rlim_t(base + 80)).ok)
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

QTEST_MAIN(TestPresenceLoad)
#include "tst_presenceload.moc"
