// Logon requests served per second on loopback, from the client's connect to
// the answer arriving at the client: refused PINs (answered on the text
// port) and accepted ones (answered with "u" on the command port). Unknown
// PINs are measured twice: looked up (the clock moves a day after every
// round, so no address is paused for guessing) and from paused addresses,
// which are refused unseen.
//
// Then guessing at the throttle's limits, on a settable clock: every
// guessing computer sends an unknown PIN each minute whenever its address
// is not paused. The looked-up guesses over 30 days give the rate a guesser
// gets; a number of cafés of 200 PINs, drawn as the customer desk draws
// them, are guessed until the first PIN is found.
#include "BenchCafe.h"
#include "customers/CustomerAccounts.h"
#include "engine/Engine.h"
#include "engine/CustomerLogon.h"
#include "link/LogonPort.h"
#include "link/TcpChannel.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "store/Installer.h"
#include "SettableClock.h"
#include "base/Prompter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimeZone>
#include <QTimer>
#include <limits>

namespace {

// One client computer: answers arrive on its command and text ports.
struct Client
{
    QString address;
    QTcpServer command, text;
};

struct Run
{
    int done = 0;
    qint64 worstGapNs = 0;
    qint64 lastNs = 0;
};

QString addressOf(int i) { return QStringLiteral("127.3.%1.%2").arg(i / 200).arg(i % 200 + 1); }

struct Guessing
{
    qint64 looked = 0;
    double days = 0;
};

// One guess a minute from each of `computers` addresses, whenever it is not
// paused, until `guesses` have been looked up or `days` have passed.
Guessing guess(int computers, qint64 guesses, double days)
{
    SettableClock clock(QDateTime(QDate(2026, 1, 1), QTime(0, 0), QTimeZone::utc()));
    PinThrottle throttle(clock);
    Guessing g;
    qint64 minutes = 0;
    while (g.looked < guesses && minutes < days * 1440) {
        for (quint32 a = 1; a <= quint32(computers) && g.looked < guesses; ++a)
            if (!throttle.isPaused(a)) {
                ++g.looked;
                throttle.failed(a);
            }
        clock.advance(60);
        ++minutes;
    }
    g.days = minutes / 1440.0;
    return g;
}

void guessingAtTheLimits(QTextStream &out)
{
    const int pins = 200, cafes = 20;
    const double space = 1e7;
    // The guesser tries 0, 1, 2, ... and so finds the lowest PIN first; any
    // order does as well against PINs drawn uniformly.
    const double expected = (space + 1) / (pins + 1);
    for (int computers : {1, 40}) {
        const double perDay = guess(computers, std::numeric_limits<qint64>::max(), 30).looked / 30.0;
        double total = 0;
        for (int c = 0; c < cafes; ++c) {
            qint64 lowest = qint64(space);
            for (int p = 0; p < pins; ++p)
                lowest = std::min(lowest, CustomerAccounts::pinFrom(QRandomGenerator::global()->generateDouble()));
            total += guess(computers, lowest + 1, 1e9).days;
        }
        out << "guessing from " << computers << " computer(s): " << perDay << " PINs looked up a day over 30 days; "
            << expected << " guesses expected for one of " << pins << " PINs, so " << expected / perDay
            << " days; found in " << total / cafes << " days on average over " << cafes << " cafés\n";
        out.flush();
    }
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    guessingAtTheLimits(out);
    QTemporaryDir dir;
    Paths paths(dir.path() + QStringLiteral("/home"));
    Installer::install(paths);
    const int computers = 200;
    // Below the ephemeral ports (32768 up) that the clients' connections take.
    const Ports ports = Ports::withOffset(21000 + int(QCoreApplication::applicationPid() % 10000));

    {
        CafeStore cafe;
        CustomerStore customers;
        cafe.open(paths.cafeDatabase());
        customers.open(paths.customerDatabase());
        cafe.atomically([&] {
            for (int i = 0; i < computers; ++i)
                cafe.addComputer({0, QStringLiteral("PC%1").arg(i), addressOf(i), 0, 0, false, false, false});
            return true;
        });
        customers.atomically([&] {
            for (int i = 0; i < computers; ++i) {
                CustomerRow c;
                c.password = QString::number(100000 + i);
                c.timeleft = c.time = 600;
                customers.addAccount(c);
            }
            return true;
        });
    }
    if (!bench::onChosenEngine(paths, out))
        return 1;
    CafeStore cafe, engineCafe;
    CustomerStore customers;
    cafe.open(paths.cafeDatabase());
    engineCafe.open(paths.cafeDatabase());
    customers.open(paths.customerDatabase());
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < computers; ++i) {
        auto c = std::make_unique<Client>();
        c->address = addressOf(i);
        if (!c->command.listen(QHostAddress(c->address), ports.command)
            || !c->text.listen(QHostAddress(c->address), ports.text)) {
            out << "cannot listen on " << c->address << ": " << c->command.errorString() << "\n";
            return 1;
        }
        clients.push_back(std::move(c));
    }

    bench::SilentPrompter prompter;
    // Moved by hand between rounds: the guessing pause is counted on it.
    SettableClock clock(QDateTime::currentDateTime());
    TcpChannel command(ports.command);
    Engine engine(
        engineCafe, customers, command, [&] { return new TcpChannel(ports.command); }, prompter, clock);
    engine.loadRoster(*engineCafe.computers());
    CustomerLogon rules(customers, CustomerLogon::hooksOn(engine));
    LogonPort logon(cafe, rules, [&] { return new TcpChannel(ports.text); }, clock);
    if (auto e = logon.listen(ports, QHostAddress::LocalHost)) {
        out << *e << "\n";
        return 1;
    }

    // One request at a time per client, as a customer at a keyboard would.
    auto measure = [&](const char *what, int requests, auto pinOf, bool accepted, bool minutePerRound) {
        Run run;
        QElapsedTimer t;
        t.start();
        int next = 0;
        std::function<void(int)> send = [&](int i) {
            Client &c = *clients.at(i % computers);
            auto *s = new QTcpSocket;
            s->bind(QHostAddress(c.address));
            QObject::connect(s, &QTcpSocket::connected, s, [s, pin = pinOf(i)] {
                s->write(pin.toLatin1());
                s->disconnectFromHost();
            });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            s->connectToHost(QHostAddress::LocalHost, ports.logon);
        };
        for (auto &c : clients) {
            QTcpServer *answer = accepted ? &c->command : &c->text;
            QObject::connect(answer, &QTcpServer::newConnection, answer, [&, answer] {
                while (QTcpSocket *s = answer->nextPendingConnection()) {
                    QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                    const qint64 now = t.nsecsElapsed();
                    run.worstGapNs = qMax(run.worstGapNs, now - run.lastNs);
                    run.lastNs = now;
                    ++run.done;
                    if (minutePerRound && run.done % computers == 0)
                        clock.advance(PinThrottle::DaySecs);
                    if (next < requests)
                        send(next++);
                }
            });
        }
        // Several customers at once: the console serves them in turn.
        const int parallel = 8;
        for (; next < parallel && next < requests; ++next)
            send(next);
        while (run.done < requests && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double seconds = t.nsecsElapsed() / 1e9;
        out << what << ": " << run.done << " answered in " << seconds << " s, " << run.done / seconds
            << " per second; longest wait between answers " << run.worstGapNs / 1e6 << " ms\n";
        for (auto &c : clients)
            (accepted ? &c->command : &c->text)->disconnect();
    };
    const auto unknown = [](int i) { return QStringLiteral("9%1").arg(i); };
    measure("refused (unknown PIN, looked up)", 2000, unknown, false, true);
    // Five unknown PINs from every address pause them all.
    measure("pausing every address", computers * PinThrottle::BurstFailures, unknown, false, false);
    measure("refused (unknown PIN, address paused)", 2000, unknown, false, false);
    clock.advance(PinThrottle::DaySecs);
    measure(
        "accepted (one per computer)", computers, [](int i) { return QString::number(100000 + i); }, true, false);
    return 0;
}
