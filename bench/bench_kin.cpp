// The transactions browser on a year of books: the first screen and sums of a
// year's listing for all computers and of one computer's month, scrolling to
// the end of the year, a 10,000-transaction report to PDF, a year's report
// straight to PDF (and, with KORVANE_BENCH_PREVIEW set, through the print
// preview), then through the window on a copy of the book: its opening on a
// book made before the daily sums and the Delete with its copy of the book,
// while the console writes on its own. Beside the same aggregates in bare
// SQLite, and the aggregate over the rows themselves; the longest turn of the
// event loop during each of the long ones.
#include "BenchCafe.h"
#include "reports/KinReport.h"
#include "reports/KinWorker.h"
#include "reports/ReportOutletDialog.h"
#include "reports/TransactionsModel.h"
#include "reports/TransactionsWindow.h"
#include "store/DatabaseCopy.h"
#include "base/Clock.h"

#include <QApplication>
#include <QHeaderView>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <malloc.h>
#include <unistd.h>

namespace {

// The machine is shared: wall-clock figures carry other programs' load, so
// the process's CPU time is measured beside them.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
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

// The longest turn of the event loop while it lives: a precise 1 ms timer
// notes the gaps between its ticks.
class TurnWatch
{
public:
    TurnWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_since.start();
        m_timer.start();
    }
    double longest()
    {
        tick();
        return m_longest;
    }

private:
    void tick()
    {
        m_longest = qMax(m_longest, m_since.nsecsElapsed() / 1e6);
        m_since.start();
    }
    QTimer m_timer;
    QElapsedTimer m_since;
    double m_longest = 0;
};

// What the console writes while the window works: a write of one row in one
// transaction every 100 ms on its own connection, as a charge's start or bill
// is; how long the longest waited for the book, and how many failed.
class ConsoleWrites
{
public:
    explicit ConsoleWrites(CafeStore &store)
        : m_store(store)
    {
        m_timer.setInterval(100);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QElapsedTimer t;
            t.start();
            const auto ok = m_store.atomically([this] {
                return m_store.exec(QStringLiteral("UPDATE settings SET backround = backround"));
            });
            m_longest = qMax(m_longest, t.nsecsElapsed() / 1e6);
            ++m_count;
            m_failed += !ok;
        });
    }
    void start()
    {
        m_count = m_failed = 0;
        m_longest = 0;
        m_timer.start();
    }
    QString report()
    {
        m_timer.stop();
        return QStringLiteral("writes meanwhile: %1, the longest %2 ms, %3 failed").arg(m_count).arg(m_longest).arg(m_failed);
    }

private:
    CafeStore &m_store;
    QTimer m_timer;
    int m_count = 0;
    int m_failed = 0;
    double m_longest = 0;
};

// Resident memory now, as the system counts it.
long residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * sysconf(_SC_PAGESIZE) / (1024 * 1024) : 0;
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
    // On a server there is no file to compare with.
    const bool bare = !book.store().onServer();
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
    out << what << ": " << sums.count << " transactions; first page (" << firstScreen << " rows) and sums: median "
        << first << "; sums alone " << sumsOnly;
    if (bare) {
        const Cost floor = bareSums(days, values);
        const Cost everyRow = bareSums(rows, values);
        out << ", the same aggregate in bare SQLite " << floor << ", ratio "
            << (floor.wall > 0 ? sumsOnly.wall / floor.wall : 0) << " (CPU "
            << (floor.cpu > 0 ? sumsOnly.cpu / floor.cpu : 0) << "); summing the rows in bare SQLite " << everyRow;
    }
    out << "\n";
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
    Paths paths(kept.isEmpty() ? dir.path() + QStringLiteral("/home") : kept);
    const bench::CafeSize size = bench::sizeFrom(argc, argv);
    if ((!QFileInfo::exists(paths.cafeDatabase()) && !bench::build(paths, size, out))
        || !bench::onChosenEngine(paths, out))
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
    if (!paths.booksOnServer()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"));
        db.setDatabaseName(paths.cafeDatabase());
        db.open();
    }
    const QDate today = bench::today();
    // KORVANE_BENCH_PARTS picks some of listing, scrolling, report, year, window.
    const QStringList parts = qEnvironmentVariable("KORVANE_BENCH_PARTS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    // The window's part works on the book file itself (its copy, its daily sums made anew).
    const bool file = !paths.booksOnServer();
    const auto runs = [&parts, file](const char *part) {
        return parts.isEmpty() ? file || qstrcmp(part, "window") != 0 : parts.contains(QLatin1String(part));
    };
    if (runs("listing")) {
        listing(out, book, QStringLiteral("a year, ALL"), KinFilter::normal(today.addYears(-1), today));
        listing(out, book, QStringLiteral("a month, PC007"),
                KinFilter::normal(today.addMonths(-1).addDays(1), today, QStringLiteral("PC007")));
    }
    out.flush();

    // Scrolling a year to its end in a real view, its pages read on the
    // window's worker: the longest turn of the event loop, and the window's
    // own thread's CPU for each page (the rows put in, the view laid out).
    if (runs("scrolling")) {
        KinWorker worker(paths.cafeDatabase());
        TransactionsModel model(book);
        model.setWorker(&worker);
        QTableView view;
        view.setModel(&model);
        view.resize(1000, 600);
        view.show();
        QElapsedTimer all;
        all.start();
        const KinSums sums = *model.list(KinFilter::normal(today.addYears(-1), today));
        app.processEvents();
        TurnWatch watch;
        QList<double> pagesCpu;
        while (model.canFetchMore(QModelIndex())) {
            const double c = threadCpuMs();
            view.scrollToBottom();
            while (model.fetching())
                app.processEvents(QEventLoop::WaitForMoreEvents);
            app.processEvents();
            pagesCpu << threadCpuMs() - c;
        }
        const double longest = watch.longest();
        std::sort(pagesCpu.begin(), pagesCpu.end());
        const auto at = [&](double q) {
            return pagesCpu.isEmpty() ? 0.0 : pagesCpu.at(int(q * (pagesCpu.size() - 1)));
        };
        out << "scrolling a year to the end: " << model.rowCount() << " of " << sums.count << " rows in "
            << pagesCpu.size() << " pages, " << all.elapsed() << " ms in all; longest turn of the event loop "
            << longest << " ms; the window's thread's CPU per page median " << at(0.5) << " ms, 99th percentile "
            << at(0.99) << " ms, longest " << at(1.0) << " ms; peak memory " << bench::peakRssKb() / 1024
            << " MB\n";
    }
    out.flush();

    // About 10,000 transactions: the last days of the year, all computers.
    if (runs("report")) {
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

    // A year's report, through the print preview (which holds every page) and
    // straight to a PDF printer; memory as the system sees it, after each.
    if (runs("year")) {
        KinReport report(book, KinFilter::normal(today.addYears(-1), today));
        const auto printer = [&](const QString &name) {
            auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
            p->setPageSize(QPageSize(QPageSize::A4));
            p->setOutputFormat(QPrinter::PdfFormat);
            p->setOutputFileName(dir.filePath(name));
            return p;
        };
        long peak = 0;
        const auto sample = [&](qint64, qint64) {
            peak = qMax(peak, residentMb());
            return true;
        };
        const long before = residentMb();
        QElapsedTimer t;
        t.start();
        {
            auto target = printer(QStringLiteral("year.pdf"));
            report.render(*target, sample);
        }
        out << "a year straight to PDF: " << t.elapsed() << " ms, memory " << before << " MB before, at most "
            << peak << " MB while drawing, " << residentMb() << " MB after\n";
        out.flush();
        if (qEnvironmentVariableIsSet("KORVANE_BENCH_PREVIEW")) {
            t.restart();
            int pages = 0;
            {
                auto target = printer(QStringLiteral("preview.pdf"));
                QPrintPreviewWidget preview(target.get());
                QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, &preview,
                                 [&](QPrinter *p) { report.render(*p); });
                preview.updatePreview();
                pages = preview.pageCount();
                peak = residentMb();
            }
            const long closed = residentMb();
            malloc_trim(0);
            out << "a year through the print preview: " << pages << " pages in " << t.elapsed() << " ms, memory "
                << peak << " MB with it open, " << closed << " MB after it closed, " << residentMb()
                << " MB once freed memory is handed back\n";
        }
    }
    out.flush();

    // On a copy of the book, so that the book stays for the next run, through
    // the window as the operator meets it: opening it on a book made before the
    // daily sums, then the Delete with its dated copy. Meanwhile the console
    // goes on writing on its own connection, a charge's write every 100 ms.
    if (runs("window")) {
        const QString spare = dir.filePath(QStringLiteral("spare/system/icafe.dat"));
        QDir().mkpath(dir.filePath(QStringLiteral("spare/system")));
        QDir().mkpath(dir.filePath(QStringLiteral("spare/backup")));
        if (auto r = DatabaseCopy::copyLive(paths.cafeDatabase(), spare); !r)
            out << r.error() << "\n";
        CafeStore spareCafe;
        spareCafe.open(spare);
        for (const char *statement : {"DROP TRIGGER kin_days_insert", "DROP TRIGGER kin_days_update",
                                      "DROP TRIGGER kin_days_delete", "DROP TABLE kin_days"})
            spareCafe.exec(QString::fromLatin1(statement));
        bench::SilentPrompter prompter;
        SystemClock clock;
        DialogReportOutlet outlet(prompter);
        ConsoleWrites writes(spareCafe);

        const auto measure = [&](const QString &what, const std::function<void()> &begin,
                                 const std::function<bool()> &done) {
            TurnWatch watch;
            writes.start();
            QElapsedTimer t;
            t.start();
            begin();
            while (!done())
                app.processEvents(QEventLoop::WaitForMoreEvents);
            const qint64 ms = t.elapsed();
            const double longest = watch.longest();
            out << what << ": " << ms << " ms; longest turn of the event loop " << longest << " ms; the console's "
                << writes.report() << "\n";
            out.flush();
        };
        // The floor: the same writes with nothing else going on, for three seconds.
        QElapsedTimer idle;
        measure(
            QStringLiteral("nothing else"), [&] { idle.start(); }, [&] { return idle.elapsed() >= 3000; });
        std::unique_ptr<TransactionsWindow> window;
        measure(
            QStringLiteral("opening the window on a book made before the daily sums"),
            [&] {
                window = std::make_unique<TransactionsWindow>(spareCafe, Paths(dir.filePath(QStringLiteral("spare"))),
                                                              prompter, clock, outlet);
                window->show();
            },
            [&] { return window->button(QStringLiteral("show"))->isEnabled(); });
        prompter.yes = true;
        measure(QStringLiteral("Delete with its dated copy (every finished transaction, the running kept)"),
                [&] { window->button(QStringLiteral("deleteAll"))->click(); }, [&] { return !prompter.told.isEmpty(); });
        if (!prompter.told.isEmpty())
            out << "told: " << prompter.told.join(QStringLiteral(" | ")) << "\n";
    }
    out << "peak memory " << bench::peakRssKb() / 1024 << " MB\n";
    return 0;
}
