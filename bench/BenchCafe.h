#pragma once

// Builds a large café in a temporary application folder for the benchmarks:
// hundreds of computers, some running, a year of transactions, customers.

#include "PgServer.h"
#include "store/BookMove.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "store/Installer.h"
#include "store/StoreValues.h"
#include "base/Prompter.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <sys/resource.h>

namespace bench {

// Nobody answers in a benchmark: questions are No (Yes once yes is set),
// texts are kept to print.
class SilentPrompter : public Prompter
{
public:
    void tell(const QString &text, Icon) override { told << text; }
    bool ask(const QString &, Icon) override { return yes; }
    QStringList told;
    bool yes = false;
};

struct CafeSize
{
    int computers = 250;
    int running = 30;
    int transactions = 1000000;
    int customers = 5000;
};

// Exposes bulk inserts that reuse one prepared statement.
class BulkStore : public CafeStore
{
public:
    QSqlDatabase &database() { return db(); }
};

inline QDate today() { return QDate::currentDate(); }

inline bool build(const Paths &paths, const CafeSize &size, QTextStream &log)
{
    if (auto e = Installer::install(paths).error) {
        log << *e << "\n";
        return false;
    }
    BulkStore cafe;
    if (auto e = cafe.open(paths.cafeDatabase())) {
        log << *e << "\n";
        return false;
    }
    QElapsedTimer t;
    t.start();
    QRandomGenerator rng(42);
    const QDateTime now = QDateTime::currentDateTime();
    cafe.atomically([&] {
        QSqlQuery pc(cafe.database());
        pc.prepare(QStringLiteral("INSERT INTO computers (pcname, ip, \"left\", top, timer, pretime, \"user\")"
                                  " VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < size.computers; ++i) {
            const int kind = i < size.running ? i % 3 : -1;
            pc.addBindValue(QStringLiteral("PC%1").arg(i + 1, 3, 10, QLatin1Char('0')));
            pc.addBindValue(QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1));
            pc.addBindValue((i % 20) * 1100 + 200);
            pc.addBindValue((i / 20) * 1300 + 200);
            pc.addBindValue(int(kind == 0));
            pc.addBindValue(int(kind == 1));
            pc.addBindValue(int(kind == 2));
            pc.exec();
        }
        QSqlQuery kin(cafe.database());
        kin.prepare(
            QStringLiteral("INSERT INTO kin (computer, startdate, starttime, enddate, endtime, ptime, enab,"
                           " pretimeenab, userenab, userpin, type, totaltime, timecharged, extra, total, reason)"
                           " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (int i = 0; i < size.transactions; ++i) {
            const QDateTime start = now.addSecs(-qint64(rng.bounded(365 * 24 * 3600)));
            const qint64 used = 600 + rng.bounded(4 * 3600);
            const QDateTime end = start.addSecs(used);
            const bool user = rng.bounded(10) == 0;
            kin.addBindValue(QStringLiteral("PC%1").arg(rng.bounded(size.computers) + 1, 3, 10, QLatin1Char('0')));
            kin.addBindValue(StoreValues::date(start.date()));
            kin.addBindValue(StoreValues::dateTime(start));
            kin.addBindValue(StoreValues::date(end.date()));
            kin.addBindValue(StoreValues::time(end.time()));
            kin.addBindValue(user ? QVariant(qint64(300)) : QVariant());
            kin.addBindValue(0);
            kin.addBindValue(0);
            kin.addBindValue(0);
            kin.addBindValue(user ? QVariant(QString::number(1000 + rng.bounded(size.customers))) : QVariant());
            kin.addBindValue(user ? QStringLiteral("user") : QStringLiteral("normal"));
            kin.addBindValue(QStringLiteral("1:00:00"));
            const qint64 charge = user ? 0 : (1 + used / 1800) * 10000;
            kin.addBindValue(user ? QVariant() : QVariant(charge));
            kin.addBindValue(user ? QVariant() : QVariant(qint64(0)));
            kin.addBindValue(user ? QVariant() : QVariant(charge));
            kin.addBindValue(QVariant());
            kin.exec();
        }
        // The running charges' open rows.
        for (int i = 0; i < size.running; ++i) {
            KinRow r;
            r.computer = QStringLiteral("PC%1").arg(i + 1, 3, 10, QLatin1Char('0'));
            r.startdate = now.date();
            r.starttime = now.addSecs(-1800);
            r.type = i % 3 == 2 ? QStringLiteral("user") : QStringLiteral("normal");
            r.enab = i % 3 == 0;
            r.pretimeenab = i % 3 == 1;
            r.userenab = i % 3 == 2;
            if (r.pretimeenab) {
                r.ptime = 3600;
                r.enddate = now.addSecs(1800).date();
                r.endtime = now.addSecs(1800).time();
            }
            if (r.userenab) {
                r.ptime = 120;
                r.userpin = QStringLiteral("9%1").arg(i, 3, 10, QLatin1Char('0'));
            }
            cafe.appendTransaction(r);
        }
        return true;
    });
    CustomerStore customers;
    customers.open(paths.customerDatabase());
    customers.atomically([&] {
        for (int i = 0; i < size.customers; ++i) {
            CustomerRow c;
            c.name = QStringLiteral("Name%1").arg(i);
            c.lastname = QStringLiteral("Last%1").arg(i);
            c.password = QString::number(1000 + i);
            c.time = c.timeleft = 600;
            customers.addAccount(c);
        }
        return true;
    });
    log << "built " << size.computers << " computers, " << size.transactions << " transactions, " << size.customers
        << " customers in " << t.elapsed() << " ms\n";
    return true;
}

// The size of the command line: the number of transactions in argv[1], the
// default size without it.
// KORVANE_BENCH_BOOKS=postgresql: the café just built is moved onto a
// throwaway PostgreSQL cluster (the move itself timed), and the benchmark
// runs on the server's books.
inline bool onChosenEngine(Paths &paths, QTextStream &log)
{
    if (qEnvironmentVariable("KORVANE_BENCH_BOOKS") != QLatin1String("postgresql"))
        return true;
    const QString url = PgServer::shared().freshDatabase();
    if (url.isEmpty()) {
        log << PgServer::shared().error() << "\n";
        return false;
    }
    QElapsedTimer t;
    t.start();
    const Result<BookMove::Report> moved = BookMove::toServer(paths, url);
    if (!moved) {
        log << moved.error() << "\n";
        return false;
    }
    log << "moved onto PostgreSQL (" << moved->copied.join(QStringLiteral(", ")) << ") in " << t.elapsed()
        << " ms, counts and sums compared\n";
    log.flush();
    paths.setDatabase(url);
    return true;
}

inline CafeSize sizeFrom(int argc, char **argv)
{
    CafeSize size;
    if (argc > 1)
        size.transactions = QString::fromLatin1(argv[1]).toInt();
    return size;
}

inline long peakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

template <typename Fn>
double medianMs(int runs, Fn fn)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        fn();
        ms << t.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return ms.at(ms.size() / 2);
}

} // namespace bench
