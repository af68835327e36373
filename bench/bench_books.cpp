// The day's takings and a year's transactions listing on a large book, beside
// the same queries in bare SQLite.
#include "BenchCafe.h"

#include <QCoreApplication>
#include <QSqlQuery>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    const Paths paths(dir.path() + QStringLiteral("/home"));
    const bench::CafeSize size = bench::sizeFrom(argc, argv);
    if (!bench::build(paths, size, out))
        return 1;

    CafeStore cafe;
    cafe.open(paths.cafeDatabase());
    Money sum;
    const double takings = bench::medianMs(21, [&] { sum = cafe.takingsOn(bench::today())->total; });
    // The floor: the same aggregate through a plain connection without our layer.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("floor"));
        db.setDatabaseName(paths.cafeDatabase());
        db.open();
    }
    const double floor = bench::medianMs(21, [&] {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("floor")));
        q.exec(QStringLiteral("SELECT sum(total) FROM kin WHERE startdate = '%1'")
                   .arg(bench::today().toString(Qt::ISODate)));
        q.next();
    });
    out << "cash register (takingsOn today): median " << takings << " ms, bare SQLite " << floor << " ms, ratio "
        << (floor > 0 ? takings / floor : 0) << "\n";

    const QString from = bench::today().addYears(-1).toString(Qt::ISODate);
    const QString to = bench::today().toString(Qt::ISODate);
    qint64 rows = 0;
    const double listing = bench::medianMs(3, [&] {
        auto q = cafe.run(QStringLiteral("SELECT aa, computer, startdate, total FROM kin WHERE type = 'normal' AND"
                                         " startdate BETWEEN ? AND ?"),
                          {from, to});
        rows = 0;
        while (q && q->next())
            ++rows;
    });
    out << "transactions over a year (" << rows << " rows read): median " << listing << " ms\n";
    out << "peak memory " << bench::peakRssKb() / 1024 << " MB\n";
    return 0;
}
