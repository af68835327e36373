// The transactions browser, the customers' listing, reports and exports,
// offscreen through their windows, on a small book.
#include "Files.h"
#include "PdfText.h"
#include "ScriptedPrompter.h"
#include "SettableClock.h"
#include "TempHome.h"
#include "Widgets.h"
#include "base/Format.h"
#include "console/Shifts.h"
#include "reports/ChartsWindow.h"
#include "reports/ExtraChargesWindow.h"
#include "reports/KinReport.h"
#include "reports/ReportOutlet.h"
#include "reports/ShiftWindow.h"
#include "reports/ShiftsModel.h"
#include "reports/TransactionsModel.h"
#include "reports/TransactionsWindow.h"
#include "reports/UserTransactionsWindow.h"
#include "store/CafeStore.h"
#include "store/Installer.h"
#include "store/StoreValues.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {
const QDate Day(2026, 3, 2);

// Reports go straight to a PDF file; exports to a chosen path.
class FileOutlet : public ReportOutlet
{
public:
    void print(PagedReport &report, QWidget *) override { outcome = report.renderPdf(pdf); }
    QString csvPath(const QString &suggested, QWidget *) override
    {
        suggestedName = suggested;
        return csv;
    }
    QString savePath(const QString &suggested, const QString &, QWidget *) override
    {
        suggestedName = suggested;
        return saved;
    }
    QString pdf, csv, saved, suggestedName;
    std::optional<Result<PagedReport::Outcome>> outcome;
};

Money cents(qint64 c) { return Money::fromCents(c); }
} // namespace

class TestReports : public QObject
{
    Q_OBJECT
    TempHome *m_home = nullptr;
    CafeStore m_cafe;
    ScriptedPrompter m_prompter;
    SettableClock m_clock{QDateTime(Day, QTime(18, 0))};
    FileOutlet m_outlet;
    qint64 m_running = 0;

    qint64 add(const QString &pc, const QDate &day, QTime start, std::optional<Money> charge, Money extra = {},
               const QString &type = "normal", const QString &pin = {}, const QString &reason = {})
    {
        KinRow r{.computer = pc, .startdate = day, .starttime = QDateTime(day, start),
                 .enab = !charge && type == "normal", .userenab = !charge && type == "user", // running
                 .userpin = pin, .type = type, .reason = reason};
        if (charge) { // finished
            r.enddate = day;
            r.endtime = start.addSecs(3600);
            r.totaltime = "1:00:00";
            r.timecharged = charge;
            r.extra = extra;
            r.total = charge->plus(extra);
        }
        return m_cafe.appendTransaction(r).value_or(0);
    }
    void addExtra(qint64 key, const QString &desc, int quant, Money price)
    {
        QVERIFY(m_cafe.addExtra({0, key, desc, quant, price, *price.times(quant)}));
    }
    int count(const QString &sql)
    {
        auto q = m_cafe.run(sql);
        return q && q->next() ? q->value(0).toInt() : -1;
    }
    std::unique_ptr<TransactionsWindow> browser()
    {
        auto w = std::make_unique<TransactionsWindow>(m_cafe, m_home->paths(), m_prompter, m_clock, m_outlet);
        w->show();
        return w;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece)); }
    void init()
    {
        m_home = new TempHome;
        QVERIFY(m_home->ok() && !m_cafe.open(m_home->paths().cafeDatabase()));
        for (const char *pc : {"PC1", "PC2", "Kid's PC"})
            QVERIFY(m_cafe.addComputer({0, pc, "127.0.0.11", 0, 0, false, false, false}));
        const qint64 first = add("PC1", Day, QTime(9, 0), cents(200), cents(150));
        addExtra(first, "Coffee", 2, cents(50));
        addExtra(first, "Cake", 1, cents(50));
        const qint64 second = add("PC2", Day, QTime(11, 0), cents(100), {}, "normal", {}, "O'Brien's friend");
        addExtra(second, "Water", 1, cents(30));
        add("PC1", Day.addDays(-1), QTime(15, 30), cents(400));
        m_running = add("PC2", Day, QTime(17, 0), std::nullopt);
        addExtra(m_running, "Juice", 1, cents(120));
        add("PC1", Day, QTime(12, 0), cents(0), {}, "user", "1234");
        add("PC1", Day, QTime(13, 0), std::nullopt, {}, "user", "1234");
        add("PC2", Day, QTime(14, 0), cents(0), {}, "user", "5678");
        m_prompter.clear();
    }
    void cleanup()
    {
        m_cafe.close();
        delete m_home;
    }

    void listing_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("computer");
        QTest::addColumn<QString>("computers");
        QTest::addColumn<QString>("sums"); // in cents; empty when nothing is listed
        // clang-format off
        QTest::newRow("one day, running charge in it") << 0 << 0 << "ALL" << "PC1 PC2 PC2" << "300 150 450";
        QTest::newRow("two days") << -1 << 0 << "ALL" << "PC1 PC1 PC2 PC2" << "700 150 850";
        QTest::newRow("one computer") << -1 << 0 << "PC1" << "PC1 PC1" << "600 150 750";
        QTest::newRow("its name in another case") << -1 << 0 << "pc1" << "PC1 PC1" << "600 150 750";
        QTest::newRow("computer without transactions") << -1 << 0 << "Kid's PC" << "" << "";
        QTest::newRow("empty range") << 1 << 1 << "ALL" << "" << "";
        QTest::newRow("first day after the last") << 0 << -1 << "ALL" << "" << "";
        // clang-format on
    }
    void listing()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, computer);
        QFETCH(QString, computers);
        QFETCH(QString, sums);
        auto w = browser();
        w->button("show")->click(); // an earlier listing, to be replaced
        w->fromPicker()->setDate(Day.addDays(from));
        w->toPicker()->setDate(Day.addDays(to));
        w->computerChooser()->setCurrentText(computer);
        w->button("show")->click();
        QCOMPARE(column(w->model(), TransactionsModel::Computer).join(' '), computers);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(w->sumField(i + 1)->text(),
                     sums.isEmpty() ? QString() : Format::currency(cents(sums.split(' ')[i].toLongLong())));
        QCOMPARE(w->computerChooser()->currentText(), QString("ALL"));
        QVERIFY(w->grid()->isColumnHidden(TransactionsModel::Key) && m_prompter.said().isEmpty());
        if (from != 0 || to != 0)
            return;
        // The running charge: empty cells, not zeros.
        const auto cell = [&w](int r, int c) { return w->model()->index(r, c).data().toString(); };
        QCOMPARE(cell(2, TransactionsModel::Total) + cell(2, TransactionsModel::EndTime), QString());
        QCOMPARE(cell(1, TransactionsModel::Reason), QString("O'Brien's friend"));
        // The extras of two transactions, one after the other, in one window.
        emit w->grid()->doubleClicked(w->model()->index(0, 0));
        emit w->grid()->doubleClicked(w->model()->index(1, 3));
        ExtraChargesWindow *x = w->extrasWindow();
        QVERIFY(x && x->isVisible());
        QCOMPARE(column(x->list()->model(), 0), QStringList({"2 X Coffee", "1 X Cake", "1 X Water"}));
        QCOMPARE(x->frame()->title() + " " + x->sum()->text(), "Extra Charge For PC2 " + Format::currency(cents(30)));
    }

    void pagesFollowEachOtherInOrder()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator rng(seed);
        m_cafe.atomically([&] { // more than two pages, the days mixed
            for (int i = 0; i < 2 * KinPagesModel::PageSize + 50; ++i)
                add("PC1", Day.addDays(-int(rng.bounded(3))), QTime(8, 0), cents(100));
            return true;
        });
        auto w = browser();
        w->fromPicker()->setDate(Day.addDays(-2));
        w->button("show")->click();
        KinPagesModel &model = *w->model();
        QCOMPARE(model.rowCount(), KinPagesModel::PageSize); // the first page at once
        // The next ones off the window's thread, as the view is scrolled down.
        while (model.canFetchMore({})) {
            const int rows = model.rowCount();
            w->grid()->scrollToBottom();
            QVERIFY(model.fetching());
            QTRY_VERIFY(model.rowCount() > rows || !model.canFetchMore({}));
        }
        QCOMPARE(model.rowCount(), 2 * KinPagesModel::PageSize + 50 + 4);
        QSet<qint64> keys;
        for (int r = 0; r < model.rowCount(); ++r) {
            keys << model.keyAt(r);
            if (r > 0) {
                const QString a = model.index(r - 1, 1).data().toString(), b = model.index(r, 1).data().toString();
                QVERIFY(QDate::fromString(a, Format::dateFormat()) <= QDate::fromString(b, Format::dateFormat()));
            }
        }
        QCOMPARE(keys.size(), model.rowCount());
    }

    // The daily sums agree with the rows through every kind of change, and a
    // book made before them gets them filled a slice of days at a time, off
    // the window's thread, going on after a stop and through changes made
    // meanwhile.
    void sumsFollowEveryChange()
    {
        KinBook book(m_cafe);
        const QList<KinFilter> filters{KinFilter::normal(Day.addDays(-40), Day), KinFilter::normal(Day, Day, "PC2"),
                                       KinFilter::normal(Day, Day, "PC3"),
                                       KinFilter::normal(Day.addDays(-40), Day.addDays(-13), "PC2")};
        const auto agree = [&] {
            for (const KinFilter &f : filters) {
                auto q = m_cafe.run(
                    "SELECT count(*), coalesce(sum(total), 0), coalesce(sum(timecharged), 0) FROM kin"
                    " WHERE type = 'normal' AND startdate BETWEEN ? AND ? AND (? = '' OR computer = ?)",
                    {f.from.toString(Qt::ISODate), f.to.toString(Qt::ISODate), f.computer + "", f.computer + ""});
                QVERIFY(q && q->next());
                const auto sums = book.sums(f);
                QVERIFY(sums);
                QCOMPARE((QList<qint64>{sums->count, sums->total.units(), sums->timecharged.units()}),
                         (QList<qint64>{q->value(0).toLongLong(), q->value(1).toLongLong(), q->value(2).toLongLong()}));
            }
        };
        agree();
        QVERIFY(m_cafe.moveTransaction(m_running, "PC3"));
        agree();
        // The running charge ends and is billed.
        QVERIFY(m_cafe.endCharge(ComputerFlag::Timer, m_running, QDateTime(Day, QTime(18, 0)), "1:00:00"));
        KinRow billed = *m_cafe.transaction(m_running);
        billed.timecharged = cents(250);
        billed.total = cents(370);
        QVERIFY(m_cafe.confirmCharge(billed, false));
        agree();
        QVERIFY(book.deleteFinished());
        agree();
        // What follows fills the sums of a file made before them; a server's
        // books are always made with theirs.
        if (m_cafe.onServer())
            return;

        const auto madeBefore = [this] {
            for (const char *s : {"DROP TRIGGER kin_days_insert", "DROP TRIGGER kin_days_update",
                                  "DROP TRIGGER kin_days_delete", "DROP TABLE kin_days"})
                QVERIFY(m_cafe.exec(s));
        };
        madeBefore();
        QList<qint64> keys; // 150 a day from Day - 40: the first slice ends 13 days before Day
        m_cafe.atomically([&] {
            for (int i = 0; i < 6000; ++i)
                keys << add(i % 2 ? "PC1" : "PC2", Day.addDays(-40 + i / 150), QTime(8, 0), cents(100 + i % 7));
            return true;
        });
        QCOMPARE(book.ensureSchema([](qint64 done, qint64) { return done == 0; }).value_or(true), false);
        QCOMPARE(book.schemaReady().value_or(true), false);
        const auto day = [](int d) { return Day.addDays(d).toString(Qt::ISODate); };
        for (const auto &[sql, values] : QList<QPair<QString, QVariantList>>{
                 {"UPDATE kin SET startdate = ? WHERE aa = ?", {day(-5), keys[0]}}, // a filled day to one not yet
                 {"UPDATE kin SET startdate = ? WHERE aa = ?", {day(-39), keys[150 * 35]}}, // and the other way
                 {"UPDATE kin SET total = 12345 WHERE aa = ?", {keys[1500]}},
                 {"DELETE FROM kin WHERE aa = ?", {keys[1501]}}})
            QVERIFY(m_cafe.exec(sql, values));
        add("PC2", Day.addDays(-39), QTime(9, 0), cents(700));
        add("PC2", Day.addDays(-2), QTime(9, 0), cents(900));
        QVERIFY(book.ensureSchema().value_or(false) && book.schemaReady().value_or(false));
        agree();

        madeBefore();
        auto w = browser();
        QVERIFY(!w->button("show")->isEnabled()); // the filling runs off the window's thread
        QTRY_VERIFY(w->button("show")->isEnabled());
        QVERIFY(m_prompter.said().isEmpty());
        agree();
    }

    void deleteKeepsRunningChargesAndCopiesTheBook()
    {
        auto w = browser();
        w->button("show")->click();
        w->button("deleteAll")->click(); // No
        QCOMPARE(count("SELECT count(*) FROM kin"), 7);
        emit w->grid()->doubleClicked(w->model()->index(0, 0)); // closed while the delete runs
        m_prompter.answer(true);
        w->button("deleteAll")->click();
        QVERIFY(!w->button("show")->isEnabled()); // the delete runs off the window's thread
        w->extrasWindow()->close();
        QTRY_COMPARE(m_prompter.said().size(), 3);
        QCOMPARE(m_prompter.said().at(0).text, QString("Delete All The Transactions ?"));
        // The two still running, and the extra of one.
        QCOMPARE((QList<int>{count("SELECT count(*) FROM kin"),
                             count("SELECT count(*) FROM kin WHERE enab = 0 AND userenab = 0"),
                             count("SELECT count(*) FROM extra"), count("SELECT \"key\" FROM extra")}),
                 (QList<int>{2, 0, 1, int(m_running)}));
        QVERIFY(w->model()->rowCount() == 0 && w->sumField(3)->text().isEmpty());

        // A server's books are copied by its own dump.
        const bool server = m_cafe.onServer();
        const QStringList copies = QDir(m_home->paths().backup()).entryList({server ? "books-*.dump" : "icafe-*.dat"});
        QCOMPARE(copies, QStringList{server ? "books-2026-03-02-180000.dump" : "icafe-2026-03-02-180000.dat"});
        const QString copy = QDir(m_home->paths().backup()).filePath(copies.at(0));
        QVERIFY(m_prompter.last().endsWith(copy));
        if (server) {
            QProcess list;
            list.start("pg_restore", {"--data-only", "--table=kin", "--file=-", copy});
            QVERIFY(list.waitForFinished());
            const QList<QByteArray> lines = list.readAllStandardOutput().split('\n');
            QCOMPARE(std::count_if(lines.begin(), lines.end(), [](const QByteArray &l) { return l.contains("\t2026-"); }), 7);
            return;
        }
        m_cafe.close();
        QVERIFY(!m_cafe.open(copy) && count("SELECT count(*) FROM kin") == 7);
    }

    // Stopped between two of its transactions, a delete leaves each with its extras.
    void deleteStopsBetweenTransactions()
    {
        m_cafe.atomically([&] {
            for (int i = 0; i < 3000; ++i)
                addExtra(add("PC1", Day.addDays(-3), QTime(8, 0), cents(100)), "Tea", 1, cents(10));
            return true;
        });
        KinBook book(m_cafe);
        const auto stopped = book.deleteFinished([](qint64 done, qint64) { return done == 0; });
        QVERIFY(stopped && !stopped->complete && stopped->rows > 0);
        QCOMPARE(count("SELECT count(*) FROM kin"), 3007 - int(stopped->rows));
        QCOMPARE(count("SELECT count(*) FROM extra WHERE \"key\" NOT IN (SELECT aa FROM kin)")
                     + count("SELECT count(*) FROM kin WHERE startdate = '2026-02-27'"
                             " AND aa NOT IN (SELECT \"key\" FROM extra)"),
                 0);
    }

    void customerListing_data()
    {
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QString>("pins"); // listed
        // clang-format off
        QTest::newRow("a customer") << "1234" << "1234 1234";
        QTest::newRow("no transactions") << "999" << "";
        QTest::newRow("empty PIN: the earlier listing stays") << "" << "5678";
        QTest::newRow("not digits") << "1234 OR 1=1" << "";
        QTest::newRow("apostrophe") << "1234'" << "";
        // clang-format on
    }
    void customerListing()
    {
        QFETCH(QString, pin);
        QFETCH(QString, pins);
        auto w = std::make_unique<UserTransactionsWindow>(m_cafe, m_prompter, m_clock, m_outlet);
        child(w.get(), "pin")->setText("5678");
        w->button("show")->click();
        QCOMPARE(w->model()->rowCount(), 1);
        child(w.get(), "pin")->setText(pin);
        w->button("show")->click();
        QCOMPARE(column(w->model(), 5).join(' '), pins);
        if (pin == "1234") // the running one shows no end
            QCOMPARE(w->model()->index(1, 3).data().toString(), QString());
        m_outlet.outcome.reset();
        m_outlet.pdf = QDir(m_home->path()).filePath("user.pdf"); // a new folder for every row
        w->button("print")->click();
        QCOMPARE(m_outlet.outcome.has_value(), !pin.isEmpty());
        QCOMPARE(ownerOnly(m_outlet.pdf), !pin.isEmpty()); // it shows PINs
    }

    void reportToPdf()
    {
        m_cafe.atomically([&] { // enough for a second page
            for (int i = 0; i < 70; ++i)
                add("PC2", Day.addDays(-2), QTime(8, 0).addSecs(i * 60), cents(123450));
            return true;
        });
        auto w = browser();
        w->fromPicker()->setDate(Day.addDays(-2));
        m_outlet.pdf = QDir(m_home->path()).filePath("report.pdf");
        w->button("print")->click();
        QVERIFY(m_outlet.outcome && *m_outlet.outcome);
        QCOMPARE((*m_outlet.outcome)->rows, 74); // the running charge too
        const QString text = pdfText(m_outlet.pdf, true);
        // The total: 70 × 1.234,50 + 3,50 + 1,00 + 4,00.
        for (const QString &part : {QString("Transaction Report"), QString("Computer: ALL"),
                                    Format::shortDate(Day.addDays(-2)), QString("8:01:00 AM"), QString("1.234,50 €"),
                                    QString("3:30:00 PM"), QString("86.423,50 €"), QString("Page 2 of 2")})
            QVERIFY2(text.contains(part), qPrintable(part + " missing from\n" + text));

        // A cancelled report stops before its first page.
        KinBook book(m_cafe);
        KinReport report(book, KinFilter::normal(Day.addDays(-2), Day));
        const auto cancelled = report.renderPdf(m_outlet.pdf, [](qint64, qint64) { return false; });
        QVERIFY(cancelled && cancelled->cancelled && cancelled->pages == 0);
    }

    // A chain's branches on one server, listed and summed together, the
    // report naming the branch; one café's own books offer no branches.
    void branchesTogether()
    {
        QVERIFY(browser()->branchChooser()->isHidden());
        if (!m_cafe.onServer())
            return;
        Paths north = m_home->paths();
        north.setBranch("north");
        QVERIFY(!Installer::install(north).error);
        CafeStore there;
        QVERIFY(!there.open(north.cafeDatabase()));
        QVERIFY(there.appendTransaction({0, "PC1", Day, QDateTime(Day, QTime(10, 0)), Day, QTime(11, 0), 0, false, false,
                                         false, {}, "normal", "1:00:00", cents(500), Money(), cents(500), {}}));
        auto w = browser();
        QCOMPARE(column(w->branchChooser()->model(), 0), (QStringList{"main", "north", "ALL"}));
        w->branchChooser()->setCurrentText("ALL");
        w->button("show")->click();
        QCOMPARE(column(w->model(), TransactionsModel::Branch).join(' '), QString("main north main main"));
        QVERIFY(!w->grid()->isColumnHidden(TransactionsModel::Branch));
        QCOMPARE(w->sumField(3)->text(), Format::currency(cents(450 + 500)));
        // Keys repeat from branch to branch: no other branch's extras under this one's key.
        emit w->grid()->doubleClicked(w->model()->index(1, 0));
        QVERIFY(!w->extrasWindow() && m_prompter.last().contains("shown at that branch"));
        m_outlet.pdf = QDir(m_home->path()).filePath("branches.pdf");
        w->button("print")->click();
        QVERIFY(pdfText(m_outlet.pdf, true).contains("Branch: ALL"));
    }

    // The listing on screen, whichever computer the chooser went back to.
    void csvExport_data()
    {
        QTest::addColumn<QString>("listed"); // empty: nothing listed, the choices as they stand
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("lines");
        const QString header = "COMPUTER;DATE;START DATE;END TIME;TIME;CHARGE;EXTRA;TOTAL;REASON";
        const QStringList pc2{"PC2;2026-03-02;11:00:00;12:00:00;1:00:00;1,00;0,00;1,00;O'Brien's friend",
                              "PC2;2026-03-02;17:00:00;;;;;;"};
        const QStringList all{header, "PC1;2026-03-01;15:30:00;16:30:00;1:00:00;4,00;0,00;4,00;",
                              "PC1;2026-03-02;09:00:00;10:00:00;1:00:00;2,00;1,50;3,50;", pc2[0], pc2[1],
                              "PC1;2026-03-02;16:00:00;17:00:00;1:00:00;1234,56;0,00;1234,56;\"'=HYPERLINK(\"\"x\"\")\""};
        // clang-format off
        QTest::newRow("all") << "" << "transactions-2026-03-01-2026-03-02.csv" << all;
        QTest::newRow("one computer listed") << "PC2" << "transactions-PC2-2026-03-01-2026-03-02.csv" << QStringList{header} + pc2;
        // clang-format on
    }
    void csvExport()
    {
        QFETCH(QString, listed);
        QFETCH(QString, name);
        QFETCH(QStringList, lines);
        add("PC1", Day, QTime(16, 0), cents(123456), {}, "normal", {}, "=HYPERLINK(\"x\")");
        auto w = browser();
        w->fromPicker()->setDate(Day.addDays(-1));
        if (!listed.isEmpty()) {
            w->computerChooser()->setCurrentText(listed);
            w->button("show")->click();
        }
        m_outlet.csv = QDir(m_home->path()).filePath("kin.csv");
        w->button("exportCsv")->click();
        QCOMPARE(m_outlet.suggestedName, name);
        QCOMPARE(m_prompter.last(), QString("%1 transactions saved in %2").arg(lines.size() - 1).arg(m_outlet.csv));
        QVERIFY(ownerOnly(m_outlet.csv));
        const QByteArray data = fileBytes(m_outlet.csv);
        QVERIFY(data.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(QString::fromUtf8(data.mid(3)).split("\r\n", Qt::SkipEmptyParts), lines);
    }

    // The shift window opens and closes the drawer, and its report, on paper
    // and for a spreadsheet, carries the shift's bills, sales and totals.
    void shiftWindow()
    {
        Shifts shifts(m_cafe, m_clock);
        ShiftWindow w(shifts, m_cafe, m_prompter, m_outlet, [] { return QString("user"); });
        const auto status = [&w] { return w.findChild<QLabel *>("shiftStatus")->text(); };
        const auto type = [&w](const char *button, const QString &cash) {
            w.findChild<QLineEdit *>("cash")->setText(cash);
            w.findChild<QPushButton *>(button)->click();
        };
        QCOMPARE(status(), QString("No shift is open at this console."));
        QVERIFY(!w.findChild<QPushButton *>("closeShift")->isEnabled());
        type("openShift", "5O");
        type("openShift", "50");
        QVERIFY2(status().startsWith("Shift open since") && status().endsWith(": 50,00\u00a0€"), qPrintable(status()));
        const qint64 bill = add("PC1", Day, QTime(18, 0), cents(300), cents(120));
        const qint64 free = add("PC2", Day, QTime(18, 5), cents(0), {}, "normal", {}, "a friend");
        const auto sale = m_cafe.addSale({0, m_clock.now(), "user", 7, "Anna Lee", 90, cents(450), {}});
        QVERIFY(m_cafe.joinOpenShift(bill) && m_cafe.joinOpenShift(free) && sale && m_cafe.markCredited(*sale));
        type("closeShift", "60");
        QCOMPARE(m_prompter.texts(),
                 (QStringList{"\"5O\" Is Not An Amount", "Expected in the drawer: 58,70\u00a0€\nCounted: 60,00\u00a0€\n"
                                                         "Over: 1,30\u00a0€"}));
        QCOMPARE(status(), QString("No shift is open at this console."));
        const QAbstractItemModel *grid = w.findChild<QTableView *>("shiftGrid")->model();
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(grid->index(0, ShiftsModel::Difference).data().toString(), QString("1,30"));

        w.findChild<QTableView *>("shiftGrid")->selectRow(0);
        m_outlet.pdf = QDir(m_home->path()).filePath("shift.pdf");
        w.findChild<QPushButton *>("report")->click();
        QVERIFY(m_outlet.outcome && *m_outlet.outcome);
        const QString text = pdfText(m_outlet.pdf);
        for (const char *shown : {"Shift Report", "PC1", "4,20 €", "a friend", "Anna Lee", "01:30", "4,50 €",
                                  "Expected in the drawer", "58,70 €", "Counted", "60,00 €", "1,30 €"})
            QVERIFY2(text.contains(QString::fromUtf8(shown)), shown);
        m_outlet.csv = QDir(m_home->path()).filePath("shift.csv");
        w.findChild<QPushButton *>("exportCsv")->click();
        const QString saved = QString::fromUtf8(fileBytes(m_outlet.csv));
        QVERIFY(saved.contains("PC1;") && saved.contains(";3,00;1,20;4,20;") && saved.contains("Counted;60,00"));
        QVERIFY(ownerOnly(m_outlet.csv));
    }

    // A month's charts come from the sums the books keep, and agree with
    // sums taken over the transactions themselves; a charge that runs past
    // midnight is in use on both days; a deleted one is gone from them.
    void monthCharts()
    {
        const qint64 late = add("PC2", Day.addDays(3), QTime(23, 30), cents(150));
        add("PC1", Day.addMonths(1), QTime(9, 0), cents(999)); // another month
        QVERIFY(m_cafe.markCredited(
            *m_cafe.addSale({0, QDateTime(Day, QTime(9, 0)), "user", 1, "A B", 60, cents(700), {}})));
        const auto charts = [this] { return MonthCharts::read(m_cafe, Day).value_or(MonthCharts()); };
        MonthCharts c = charts();
        QCOMPARE(c.days.size(), 31);
        auto q = m_cafe.run("SELECT startdate, sum(timecharged), sum(total) - sum(timecharged) FROM kin"
                            " WHERE startdate BETWEEN '2026-03-01' AND '2026-03-31' GROUP BY startdate");
        int days = 0;
        while (q && q->next()) {
            const ChartBook::DayTakings &d = c.days[StoreValues::toDate(q->value(0)).day() - 1];
            QCOMPARE(d.time.units(), q->value(1).toLongLong());
            QCOMPARE(d.extras.units(), q->value(2).toLongLong());
            ++days;
        }
        QCOMPARE(days, 3);
        QCOMPARE(c.days[Day.day() - 1].accountTime, cents(700));
        // Every ended charge of the month is one hour; the late one half on each day.
        const auto hour = [&c](const QDate &d, int h) { return c.inUse[d.dayOfWeek() - 1][h]; };
        QCOMPARE(hour(Day.addDays(3), 23) + hour(Day.addDays(4), 0), 3600);
        QCOMPARE(hour(Day.addDays(4), 0), 1800);
        const qint64 n = count("SELECT count(*) FROM kin WHERE totaltime IS NOT NULL AND startdate LIKE '2026-03-%'");
        QCOMPARE(c.charges, n);
        QCOMPARE(c.averageSeconds(), 3600);
        QVERIFY(m_cafe.exec("DELETE FROM kin WHERE aa = ?", {late}));
        c = charts();
        QVERIFY(hour(Day.addDays(3), 23) == 0 && hour(Day.addDays(4), 0) == 0);
        QCOMPARE(c.charges, n - 1);

        // The window shows the month, and saves a chart as PNG or PDF.
        ChartsWindow w(m_cafe, m_prompter, m_outlet, Day);
        QCOMPARE(w.findChild<QLabel *>("averageCharge")->text(),
                 QString("Average charge: 1:00:00 over %1 charges").arg(c.charges));
        for (const char *file : {"takings.png", "takings.pdf"}) {
            m_outlet.saved = QDir(m_home->path()).filePath(file);
            w.findChild<QPushButton *>("takingsChartSave")->click();
            QVERIFY(fileBytes(m_outlet.saved).startsWith(QByteArray(file).endsWith("png") ? "\x89PNG" : "%PDF"));
        }
        QCOMPARE(m_outlet.suggestedName, QString("takingsChart-2026-03.png"));
        QVERIFY(m_prompter.texts().isEmpty());
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
