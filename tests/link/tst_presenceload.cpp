#include "LinkTestSupport.h"
#include "ScriptedPrompter.h"
#include "link/PresencePoller.h"

#include <QElapsedTimer>
#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>

#include <algorithm>
#include <map>

using namespace linktest;

Q_DECLARE_METATYPE(Picture)

// A large café: the probes of one interval come in a few bursts spread over
// it, every computer is still probed once per interval, and polling goes on
// when descriptors run short.
namespace {
constexpr quint16 ProbePort = 1009 + Offset;
constexpr int Interval = PresencePoller::MinimumIntervalMs;

struct Log
{
    ScriptedPrompter prompter;
    QHash<qint64, SlotState> status;
    PresencePoller poller{prompter, ProbePort, [this](qint64 aa) { return status.value(aa); },
                          [] { return QStringLiteral("yes"); }};
    QElapsedTimer clock;
    std::map<qint64, QList<std::pair<qint64, Picture>>> seen; // per computer: when, what
    QList<qint64> order;                                      // every tick, in turn
    Log()
    {
        clock.start();
        QObject::connect(&poller, &PresencePoller::pictureDue, &poller, [this](qint64 aa, Picture p) {
            seen[aa].append({clock.elapsed(), p});
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
        if (it == seen.end())
            return 0;
        return int(std::count_if(it->second.cbegin(), it->second.cend(), [p](const auto &e) { return e.second == p; }));
    }
};

// Groups phases (instants modulo the interval) lying closer than `gap`
// together, around the circle; the sizes of the groups.
QList<int> bursts(QList<qint64> at, qint64 gap)
{
    for (qint64 &t : at)
        t %= Interval;
    std::sort(at.begin(), at.end());
    // Begin after the widest opening, so that no group is cut in two.
    qsizetype start = 0;
    qint64 widest = at.first() + Interval - at.last();
    for (qsizetype i = 1; i < at.size(); ++i)
        if (at[i] - at[i - 1] > widest) {
            widest = at[i] - at[i - 1];
            start = i;
        }
    QList<int> sizes;
    for (qsizetype k = 0; k < at.size(); ++k) {
        const qsizetype i = (start + k) % at.size();
        const qint64 previous = at[(i + at.size() - 1) % at.size()];
        const qint64 opening = (at[i] - previous + Interval) % Interval;
        if (k == 0 || opening > gap)
            sizes.append(0);
        ++sizes.last();
    }
    return sizes;
}

class DescriptorLimit
{
public:
    explicit DescriptorLimit(rlim_t soft)
    {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = soft;
        m_ok = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &m_saved); }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
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
    void spreadsTheProbesOverTheInterval_data()
    {
        QTest::addColumn<int>("first"); // computers added before polling starts
        QTest::addColumn<int>("later"); // and one interval and a half after
        QTest::addColumn<int>("steps"); // bursts in an interval
        QTest::newRow("one") << 1 << 0 << 1;
        QTest::newRow("one burst") << PresencePoller::BurstSize << 0 << 1;
        QTest::newRow("one more") << PresencePoller::BurstSize + 1 << 0 << 2;
        QTest::newRow("large café") << 250 << 0 << 4;
        QTest::newRow("grown while polling") << 100 << 60 << 2;
    }
    void spreadsTheProbesOverTheInterval()
    {
        QFETCH(int, first);
        QFETCH(int, later);
        QFETCH(int, steps);
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
            for (const auto &p : pictures)
                QCOMPARE(p.second, Picture::Error);

        // The bursts and their sizes, from everyone's last tick.
        QList<qint64> last;
        for (const auto &[aa, pictures] : log.seen)
            last.append(pictures.last().first);
        const QList<int> sizes = bursts(last, Interval / (2 * steps));
        QCOMPARE(sizes.size(), steps);
        if (later == 0)
            QVERIFY(*std::max_element(sizes.cbegin(), sizes.cend()) <= PresencePoller::BurstSize);
    }

    // A socket is kept per computer from one probe to the next; when the
    // process runs out of descriptors the poller gives back its idle ones
    // and goes on, as long as one burst of probes fits.
    void goesOnWhenDescriptorsRunShort()
    {
        Agent agent;
        QVERIFY2(agent.start(address(8, 1), {"--no-broadcast"}), qPrintable(agent.errors()));
        const int computers = 3 * 50; // three bursts of 50
        Log log;
        for (int aa = 1; aa <= computers; ++aa)
            log.status.insert(aa, SlotState::Normal);
        const int base = openDescriptors();
        DescriptorLimit limit(rlim_t(base + 80));
        if (!limit.ok())
            QSKIP("cannot lower the descriptor limit here");
        for (int aa = 1; aa <= computers; ++aa)
            log.poller.addComputer(aa, address(8, 1));
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(log.seen.cbegin(), log.seen.cend(),
                                             [&](const auto &e) { return log.countOf(e.first, Picture::Normal) >= 3; })
                                     && int(log.seen.size()) == computers,
                                 6 * Interval);
        for (int aa = 1; aa <= computers; ++aa)
            QCOMPARE(log.countOf(aa, Picture::Error), 0);
        QVERIFY(openDescriptors() <= base + 10); // none kept any more
    }

    // Polling leaves no descriptor behind, and the client sees an ordinary
    // close (the agent reports the probe from the console's address; a reset
    // before its accept would show no peer).
    void probesLeaveNothingBehind()
    {
        Agent agent;
        QVERIFY2(agent.start(address(9, 1), {"--no-broadcast"}), qPrintable(agent.errors()));
        Log log;
        const int before = openDescriptors();
        for (int aa = 1; aa <= 20; ++aa)
            log.poller.addComputer(aa, address(9, 1));
        QTRY_VERIFY_WITH_TIMEOUT(log.countOf(20, Picture::Free) >= 3, 5 * Interval);
        QTRY_VERIFY(openDescriptors() <= before + 1);
        QVERIFY(agent.waitFor("probe", 20));
        for (const QJsonObject &e : agent.events())
            if (e.value("event").toString() == QLatin1String("probe"))
                QVERIFY(e.value("from").toString() != QLatin1String("0.0.0.0"));
    }
};

QTEST_MAIN(TestPresenceLoad)
#include "tst_presenceload.moc"
