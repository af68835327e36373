// The transactions browser on a year of books: the first screen and sums of a
// year's listing for all computers and of one computer's month, scrolling to
// the end of the year, a 10,000-transaction report to PDF, and the Delete
// with its copy of the book. Beside the same aggregates in bare SQLite, and
// the aggregate over the rows themselves.
#include "BenchCafe.h"
#include "reports/KinReport.h"
#include "reports/TransactionsModel.h"
#include "store/DatabaseCopy.h"

#include <QApplication>
#include <QHeaderView>
#include <QSqlQuery>
#include <QTableView>

namespace {

// The machine is shared: wall-clock figures carry other programs' load, so
// the process's CPU time is measured beside them.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Cost
{
    double wall = 0;
    double cpu = 0;
};

template <typename Fn>
Cost medianCost(int runs, Fn fn)
{
    QList<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        const double c = cpuMs();
        QElapsedTimer t;
        t.start();
        fn();
        wall << t.nsecsElapsed() / 1e6;
        cpu << cpuMs() - c;
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall.at(runs / 2), cpu.at(runs / 2)};
}

QTextStream &operator<<(QTextStream &out, const Cost &c) { return out << c.wall << " ms (CPU " << c.cpu << " ms)"; }

Cost bareSums(const QString &sql, const QVariantList &values)
{
    return medianCost(7, [&] {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("floor")));
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        q.exec();
        q.next();
    });
}

void listing(QTextStream &out, KinBook &book, const QString &what, const KinFilter &f)
{
    KinSums sums;
    int firstScreen = 0;
    const Cost first = medianCost(7, [&] {
        TransactionsModel model(book);
        sums = *model.list(f);
        firstScreen = model.rowCount();
    });
    const Cost sumsOnly = medianCost(7, [&] { sums = *book.sums(f); });
    QVariantList values{f.from.toString(Qt::ISODate), f.to.toString(Qt::ISODate)};
    QString days = QStringLiteral("SELECT sum(n), sum(timecharged), sum(extra), sum(total) FROM kin_days"
                                  " WHERE type = 'normal' AND startdate BETWEEN ? AND ?");
    QString rows = QStringLiteral("SELECT count(*), sum(timecharged), sum(extra), sum(total) FROM kin"
                                  " WHERE type = 'normal' AND startdate BETWEEN ? AND ?");
    if (!f.computer.isEmpty()) {
        days += QStringLiteral(" AND computer = ?");
        rows += QStringLiteral(" AND computer = ?");
        values << f.computer;
    }
    // The floor is the same aggregate in bare SQLite; beside it, what summing
    // the rows themselves costs.
    const Cost floor = bareSums(days, values);
    const Cost everyRow = bareSums(rows, values);
    out << what << ": " << sums.count << " transactions; first page (" << firstScreen << " rows) and sums: median "
        << first << "; sums alone " << sumsOnly << ", the same aggregate in bare SQLite " << floor << ", ratio "
        << (floor.wall > 0 ? sumsOnly.wall / floor.wall : 0) << " (CPU "
        << (floor.cpu > 0 ? sumsOnly.cpu / floor.cpu : 0) << "); summing the rows in bare SQLite " << everyRow << "\n";
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    // KORVANE_BENCH_HOME keeps the built book for the next run (building a
    // million rows takes minutes on a busy machine); the runs leave it as it was.
    const QString kept = qEnvironmentVariable("KORVANE_BENCH_HOME");
    const Paths paths(kept.isEmpty() ? dir.path() + QStringLiteral("/home") : kept);
    const bench::CafeSize size = bench::sizeFrom(argc, argv);
    if (!QFileInfo::exists(paths.cafeDatabase()) && !bench::build(paths, size, out))
        return 1;
    out << "memory after building " << bench::peakRssKb() / 1024 << " MB\n";

    CafeStore cafe;
    cafe.open(paths.cafeDatabase());
    KinBook book(cafe);
    {
        QElapsedTimer t;
        t.start();
        if (auto r = book.ensureSchema(); !r)
            out << r.error() << "\n";
        out << "listing schema ready in " << t.elapsed() << " ms\n";
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"));
        db.setDatabaseName(paths.cafeDatabase());
        db.open();
    }
    const QDate today = bench::today();
    listing(out, book, QStringLiteral("a year, ALL"), KinFilter::normal(today.addYears(-1), today));
    listing(out, book, QStringLiteral("a month, PC007"),
            KinFilter::normal(today.addMonths(-1).addDays(1), today, QStringLiteral("PC007")));
    out.flush();

    // Scrolling a year to its end in a real view: each turn of the loop is what
    // holds the event loop (a page fetched, the view laid out again).
    {
        TransactionsModel model(book);
        QTableView view;
        view.setModel(&model);
        view.resize(1000, 600);
        view.show();
        QElapsedTimer all;
        all.start();
        const KinSums sums = *model.list(KinFilter::normal(today.addYears(-1), today));
        app.processEvents();
        Cost worst;
        QList<double> turnsCpu;
        while (model.canFetchMore(QModelIndex())) {
            const double c = cpuMs();
            QElapsedTimer t;
            t.start();
            view.scrollToBottom();
            app.processEvents();
            worst.wall = qMax(worst.wall, t.nsecsElapsed() / 1e6);
            turnsCpu << cpuMs() - c;
        }
        std::sort(turnsCpu.begin(), turnsCpu.end());
        const auto at = [&](double q) {
            return turnsCpu.isEmpty() ? 0.0 : turnsCpu.at(int(q * (turnsCpu.size() - 1)));
        };
        out << "scrolling a year to the end: " << model.rowCount() << " of " << sums.count << " rows in "
            << turnsCpu.size() << " turns, " << all.elapsed() << " ms in all; longest turn " << worst.wall
            << " ms; CPU per turn median " << at(0.5) << " ms, 99th percentile " << at(0.99) << " ms, longest "
            << at(1.0) << " ms; peak memory " << bench::peakRssKb() / 1024 << " MB\n";
    }
    out.flush();

    // About 10,000 transactions: the last days of the year, all computers.
    {
        QDate from = today;
        while (book.sums(KinFilter::normal(from, today))->count < 10000)
            from = from.addDays(-1);
        const KinFilter f = KinFilter::normal(from, today);
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        KinReport report(book, f);
        KinReport::Outcome outcome;
        qint64 calls = 0;
        const Cost ms =
            medianCost(3, [&] { outcome = *report.renderPdf(pdf, [&](qint64, qint64) { return ++calls > 0; }); });
        out << "report to PDF: " << outcome.rows << " transactions, " << outcome.pages << " pages, median " << ms
            << ", " << QFileInfo(pdf).size() / 1024 << " KB\n";
        QElapsedTimer t;
        t.start();
        qint64 seen = 0;
        const auto cancelled = *report.renderPdf(pdf, [&](qint64, qint64) { return ++seen < 50; });
        out << "the same report cancelled at page " << cancelled.pages << ": " << t.elapsed() << " ms\n";
    }
    out.flush();

    // The Delete, on a copy so that the book stays for the next run: a
    // consistent copy of the live book, then the finished rows go.
    {
        const QString spare = dir.filePath(QStringLiteral("spare.dat"));
        QElapsedTimer t;
        t.start();
        if (auto r = DatabaseCopy::copyLive(paths.cafeDatabase(), spare); !r)
            out << r.error() << "\n";
        out << "copy of the book: " << QFileInfo(spare).size() / (1024 * 1024) << " MB in " << t.elapsed() << " ms\n";
        CafeStore spareCafe;
        spareCafe.open(spare);
        KinBook spareBook(spareCafe);
        QDir(dir.path()).mkdir(QStringLiteral("backup"));
        t.restart();
        const Result<QString> copy =
            spareBook.delall(dir.filePath(QStringLiteral("backup")), QDateTime::currentDateTime());
        out << "Delete with its dated copy: " << t.elapsed() << " ms in all"
            << (copy ? QString() : QStringLiteral(" FAILED: ") + copy.error()) << "\n";
    }
    out << "peak memory " << bench::peakRssKb() / 1024 << " MB\n";
    return 0;
}
