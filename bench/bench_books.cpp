// The day's takings and a year's transactions listing on a large book, beside
// the same queries in bare SQLite; a busy day's shift report.
#include "BenchCafe.h"
#include "console/CashRegister.h"
#include "reports/MonthCharts.h"
#include "reports/ShiftReport.h"

#include <QGuiApplication>
#include <QSqlQuery>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    Paths paths(dir.path() + QStringLiteral("/home"));
    const bench::CafeSize size = bench::sizeFrom(argc, argv);
    if (!bench::build(paths, size, out) || !bench::onChosenEngine(paths, out))
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
    out << "day's takings by kind (takingsOn today): median " << takings << " ms, bare SQLite sum " << floor
        << " ms, ratio " << (floor > 0 ? takings / floor : 0) << "\n";
    QString said;
    const double breakdown = bench::medianMs(21, [&] { said = CashRegister::report(cafe, bench::today()).value_or(""); });
    out << "Current Transactions with the breakdown: median " << breakdown << " ms, ratio "
        << (floor > 0 ? breakdown / floor : 0) << "\n";

    qint64 charged = 0;
    const double charts = bench::medianMs(21, [&] { charged = MonthCharts::read(cafe, bench::today())->charges; });
    out << "a month's charts (" << charged << " charges): median " << charts << " ms\n";

    // A shift that took every bill of the day, and 300 account sales.
    const qint64 shift = *cafe.beginShift(QStringLiteral("user"), QDateTime(bench::today(), QTime(0, 0)), Money());
    cafe.exec(QStringLiteral("INSERT INTO shiftbills (kin, shift) SELECT aa, ? FROM kin WHERE startdate = ?"),
              {shift, bench::today().toString(Qt::ISODate)});
    for (int i = 0; i < 300; ++i)
        cafe.markCredited(*cafe.addSale({0, QDateTime(bench::today(), QTime(9, 0)), QStringLiteral("user"), 1,
                                         QStringLiteral("A B"), 60, Money::fromCents(500), {}}));
    qsizetype lines = 0;
    int pages = 0;
    const QString pdf = dir.filePath(QStringLiteral("shift.pdf"));
    const double report = bench::medianMs(5, [&] {
        Result<ShiftSheet> sheet = ShiftSheet::read(cafe, shift);
        lines = sheet->lines.size();
        ShiftReport paper(std::move(*sheet));
        pages = paper.renderPdf(pdf)->pages;
    });
    const double sheetOnly = bench::medianMs(5, [&] { lines = ShiftSheet::read(cafe, shift)->lines.size(); });
    out << "busy day's shift report (" << lines << " lines, " << pages << " pages): read " << sheetOnly
        << " ms, read and drawn to PDF " << report << " ms\n";

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
