// What the start-up's look at the books costs on a year of transactions: the
// whole install step as korvane and korvane-tools run it, beside SQLite's
// quick and full checks alone, and the check of a book left with a
// write-ahead log (a copy of book and log opened and checked privately).
#include "BenchCafe.h"
#include "store/BookCheck.h"
#include "store/SqlStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const Paths paths(dir.path() + QStringLiteral("/home"));
    const bench::CafeSize size = bench::sizeFrom(argc, argv);
    if (!bench::build(paths, size, out))
        return 1;
    const QString book = paths.cafeDatabase();
    out << "icafe.dat " << QFileInfo(book).size() / (1024 * 1024) << " MB\n";

    auto pragma = [&](const char *sql, int runs = 5) {
        return bench::medianMs(runs, [&] {
            SqlStore s;
            s.open(book);
            auto q = s.run(QString::fromLatin1(sql));
            while (q && q->next()) {
            }
        });
    };
    out << "PRAGMA quick_check: median " << pragma("PRAGMA quick_check") << " ms\n";
    out << "PRAGMA integrity_check: median " << pragma("PRAGMA integrity_check", 1) << " ms\n";
    QString error;
    out << "install step, clean books (over " << BookCheck::kFullCheckBytes / (1024 * 1024)
        << " MB: every table but the history): median "
        << bench::medianMs(5,
                           [&] {
                               if (auto e = Installer::install(paths).error)
                                   error = *e;
                           })
        << " ms\n";

    // A log with committed, uncheckpointed transactions, as a power cut leaves it.
    const QString crashed = dir.path() + QStringLiteral("/crashed");
    const Paths left(crashed);
    QDir().mkpath(left.system());
    {
        SqlStore live;
        live.open(book);
        live.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
        for (int i = 0; i < 100; ++i)
            live.exec(QStringLiteral("UPDATE computers SET timer = 1 - timer WHERE aa = ?"), {i % 50 + 1});
        for (const char *f : {"icafe.dat", "icafe.dat-wal", "users.dat"})
            QFile::copy(paths.systemFile(QLatin1String(f)), left.systemFile(QLatin1String(f)));
    }
    out << "install step, icafe.dat with a log of 100 transactions ("
        << QFileInfo(left.cafeDatabase() + "-wal").size() / 1024 << " kB): ";
    const QByteArray wal = [&] {
        QFile f(left.cafeDatabase() + QStringLiteral("-wal"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const double withLog = bench::medianMs(3, [&] {
        QFile f(left.cafeDatabase() + QStringLiteral("-wal"));
        f.open(QIODevice::WriteOnly);
        f.write(wal);
        f.close();
        if (auto e = Installer::install(left).error)
            error = *e;
    });
    out << "median " << withLog << " ms\n";
    if (!error.isEmpty())
        out << "refused: " << error << "\n";
    return 0;
}
