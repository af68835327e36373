// Presence polling of a large café: 250 listening sockets on loopback,
// probed by the real poller at its shortest interval. Reports the CPU time
// of one poll cycle (getrusage, user + system, divided by the cycles) and
// the worst delay the event loop suffered while polling. The two are
// measured one after the other: the 5 ms beat that finds the delay costs
// about 10 ms of CPU a second by itself, more than the polling it watches.
// First, in the same run and against the same listeners, it measures the
// floor: a bare loop doing only a probe's system calls, in the poller's
// steps, and it reports the poller's cost as a ratio to that floor. Last, it
// reports how the probes of an interval fell into bursts.

#include "link/PresencePoller.h"
#include "base/Prompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
struct SilentPrompter : Prompter
{
    void tell(const QString &, Icon) override {}
    bool ask(const QString &, Icon) override { return false; }
};

double userMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec * 1e3 + u.ru_utime.tv_usec / 1e3;
}
double systemMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_stime.tv_sec * 1e3 + u.ru_stime.tv_usec / 1e3;
}
} // namespace

// Groups phases (instants modulo `interval`) lying closer than `gap`
// together, around the circle; the sizes of the groups.
std::vector<int> bursts(std::vector<qint64> at, qint64 interval, qint64 gap)
{
    for (qint64 &t : at)
        t %= interval;
    std::sort(at.begin(), at.end());
    // Begin after the widest opening, so that no group is cut in two.
    size_t start = 0;
    qint64 widest = at.front() + interval - at.back();
    for (size_t i = 1; i < at.size(); ++i)
        if (at[i] - at[i - 1] > widest) {
            widest = at[i] - at[i - 1];
            start = i;
        }
    std::vector<int> sizes;
    for (size_t k = 0; k < at.size(); ++k) {
        const size_t i = (start + k) % at.size();
        const qint64 opening = (at[i] - at[(i + at.size() - 1) % at.size()] + interval) % interval;
        if (k == 0 || opening > gap)
            sizes.push_back(0);
        ++sizes.back();
    }
    return sizes;
}

QString addressOf(int i) { return QStringLiteral("127.77.%1.%2").arg(i / 200).arg(i % 200 + 1); }

// The clients, in a process of their own so that their work is not counted:
// one listener per computer on its own loopback address, accepting and
// closing at once like korvane-client.
[[noreturn]] void runClients(int argc, char **argv, int computers, quint16 port, int ready)
{
    QCoreApplication app(argc, argv);
    for (int i = 0; i < computers; ++i) {
        auto *s = new QTcpServer(&app);
        if (!s->listen(QHostAddress(addressOf(i)), port)) {
            std::fprintf(stderr, "cannot listen on %s: %s\n", qPrintable(addressOf(i)), qPrintable(s->errorString()));
            _exit(1);
        }
        QObject::connect(s, &QTcpServer::newConnection, s, [s] {
            while (QTcpSocket *c = s->nextPendingConnection()) {
                QObject::connect(c, &QTcpSocket::disconnected, c, &QObject::deleteLater);
                c->disconnectFromHost();
            }
        });
    }
    (void)!::write(ready, "R", 1);
    ::close(ready);
    _exit(app.exec());
}

// CPU per cycle of the bare system calls of a probe (socket, connect,
// poll, getsockopt, close), in as many steps per interval as the poller
// takes, the steps as far apart; answered probes are counted in `answered`.
double floorPerCycle(int computers, int cycles, quint16 port, int interval, int &answered)
{
    std::vector<sockaddr_in> to(computers);
    for (int i = 0; i < computers; ++i) {
        to[i].sin_family = AF_INET;
        to[i].sin_port = htons(port);
        inet_pton(AF_INET, addressOf(i).toLatin1().constData(), &to[i].sin_addr);
    }
    const int steps = (computers + PresencePoller::BurstSize - 1) / PresencePoller::BurstSize;
    const timespec pause{0, long(interval) * 1000000L / steps};
    const double start = userMs() + systemMs();
    answered = 0;
    for (int c = 0; c < cycles; ++c) {
        for (int step = 0; step < steps; ++step) {
            std::vector<pollfd> fds;
            for (int i = step; i < computers; i += steps) {
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                ::connect(fd, reinterpret_cast<const sockaddr *>(&to[i]), sizeof to[i]);
                fds.push_back({fd, POLLOUT, 0});
            }
            for (size_t open = fds.size(); open > 0 && ::poll(fds.data(), fds.size(), 3000) > 0;) {
                for (pollfd &p : fds) {
                    if (p.fd < 0 || !p.revents)
                        continue;
                    int error = 0;
                    socklen_t size = sizeof error;
                    ::getsockopt(p.fd, SOL_SOCKET, SO_ERROR, &error, &size);
                    answered += error == 0;
                    ::close(p.fd);
                    p.fd = -1;
                    --open;
                }
            }
            for (const pollfd &p : fds)
                if (p.fd >= 0)
                    ::close(p.fd);
            nanosleep(&pause, nullptr);
        }
    }
    return (userMs() + systemMs() - start) / (double(answered) / computers);
}

int main(int argc, char **argv)
{
    const int computers = argc > 1 ? atoi(argv[1]) : 250;
    const int cycles = argc > 2 ? atoi(argv[2]) : 10;
    const quint16 port = 41009;

    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return 1;
    const pid_t clients = ::fork();
    if (clients == 0) {
        ::close(pipeFds[0]);
        runClients(argc, argv, computers, port, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    char r = 0;
    if (::read(pipeFds[0], &r, 1) != 1) {
        std::fprintf(stderr, "the listeners did not start\n");
        return 1;
    }

    int floorAnswered = 0;
    floorPerCycle(computers, 1, port, PresencePoller::MinimumIntervalMs, floorAnswered); // warm-up
    const double floor = floorPerCycle(computers, cycles, port, PresencePoller::MinimumIntervalMs, floorAnswered);

    QCoreApplication app(argc, argv);
    SilentPrompter prompter;
    PresencePoller poller(
        prompter, port, [](qint64) { return SlotState::Normal; }, [] { return true; });
    poller.setIntervalMs(PresencePoller::MinimumIntervalMs);
    int answered = 0, errors = 0;
    QElapsedTimer since;
    since.start();
    std::vector<qint64> lastTick(computers, 0); // per computer, since the start
    QObject::connect(&poller, &PresencePoller::pictureDue, &app, [&](qint64 aa, Picture p) {
        (p == Picture::Error ? errors : answered)++;
        lastTick[aa - 1] = since.elapsed();
    });

    // Event-loop beat: a 5 ms timer; any gap beyond it is delay.
    QElapsedTimer beat;
    qint64 worstGap = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] { worstGap = qMax(worstGap, beat.restart()); });

    for (int i = 0; i < computers; ++i)
        poller.addComputer(i + 1, addressOf(i));

    // The first cycle warms up; the following ones are measured, the CPU
    // first, then the delay. The windows are offset from the poller's steps
    // (whole twentieths of the interval) so that none begins or ends on one.
    const int interval = PresencePoller::MinimumIntervalMs;
    const int offset = interval / 2 + 20;
    const int delayCycles = 5;
    double userStart = 0, systemStart = 0, user = 0, sys = 0;
    int measuredFrom = 0, probes = 0;
    QTimer::singleShot(interval + offset, Qt::PreciseTimer, &app, [&] {
        userStart = userMs();
        systemStart = systemMs();
        measuredFrom = answered;
    });
    QTimer::singleShot((cycles + 1) * interval + offset, Qt::PreciseTimer, &app, [&] {
        user = userMs() - userStart;
        sys = systemMs() - systemStart;
        probes = answered - measuredFrom;
        worstGap = 0;
        beat.start();
        ticker.start(5);
    });
    QTimer::singleShot((cycles + 1 + delayCycles) * interval + offset, Qt::PreciseTimer, &app, [&] {
        const double measuredCycles = double(probes) / computers;
        std::printf("computers           %d\n", computers);
        std::printf("interval            %d ms\n", interval);
        std::printf("cycles measured     %.1f (%d answered probes, %d error pictures)\n", measuredCycles, probes,
                    errors);
        std::printf("CPU per cycle       %.2f ms (user %.2f, system %.2f; console side only)\n",
                    (user + sys) / measuredCycles, user / measuredCycles, sys / measuredCycles);
        std::printf("worst loop delay    %lld ms (beat every 5 ms, %d further cycles)\n",
                    static_cast<long long>(worstGap), delayCycles);
        const double perCycle = (user + sys) / measuredCycles;
        std::printf("floor per cycle     %.2f ms (bare system calls, same steps; %d answered)\n", floor, floorAnswered);
        std::printf("ratio to the floor  %.2f\n", perCycle / floor);
        const int steps = (computers + PresencePoller::BurstSize - 1) / PresencePoller::BurstSize;
        const std::vector<int> sizes = bursts(lastTick, interval, interval / (2 * steps));
        std::printf("bursts per interval %zu, the largest %d probes (aimed at: %d of at most %d)\n", sizes.size(),
                    *std::max_element(sizes.begin(), sizes.end()), steps, PresencePoller::BurstSize);
        app.quit();
    });
    const int rc = app.exec();
    ::kill(clients, SIGTERM);
    ::waitpid(clients, nullptr, 0);
    return rc;
}
