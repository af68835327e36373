// The Tools, Appearance and Help menus of a running console: backup, printer
// history, the maintenance tool, the background picture, help and about; and
// a map larger than the window.
#include "ConsoleFixture.h"
#include "Files.h"
#include "console/AboutWindow.h"
#include "console/BackgroundWindow.h"
#include "console/MaintenanceWindow.h"
#include "store/ConsoleLock.h"
#include "store/DatabaseCopy.h"
#include "store/Maintenance.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

namespace {
KinRow bill(const QString &computer, qint64 total)
{
    KinRow k;
    k.computer = computer;
    k.startdate = QDate(2026, 3, 2);
    k.starttime = QDateTime(k.startdate, QTime(10, 0));
    k.enddate = k.startdate;
    k.endtime = QTime(11, 0);
    k.type = QStringLiteral("normal");
    k.total = Money::fromUnits(total);
    return k;
}

qint64 totalIn(const QString &book, qint64 aa)
{
    CafeStore copy;
    if (copy.open(book))
        return -1;
    const auto k = copy.transaction(aa);
    return k && k->total ? k->total->units() : -1;
}
} // namespace

class TestHousekeeping : public QObject
{
    Q_OBJECT
    std::unique_ptr<LiveConsole> c;

    MainWindow &window() { return c->window(); }
    QString system(const QString &name) const { return c->home.paths().systemFile(name); }
    QString backup(const QString &name) const { return c->home.paths().backup() + QLatin1Char('/') + name; }
    void choose(MenuEntry entry, QList<bool> answers = {})
    {
        for (bool a : answers)
            c->prompter.answer(a);
        QVERIFY(window().action(entry)->isEnabled());
        window().action(entry)->trigger();
    }
    // What the program said, on either channel, goes to said.
    int tool(const QStringList &args, QByteArray *said = nullptr, const QString &program = "korvane-tools")
    {
        QByteArray out, err;
        const int code = runProgram(program, QStringList{"--home", c->home.paths().home()} + args, &out, &err);
        if (said)
            *said = out + err;
        return code;
    }

private slots:
    void init() { c = std::make_unique<LiveConsole>(1); }
    void cleanup() { c.reset(); }

    void backupHoldsTheLatestBill()
    {
        QVERIFY(c->open());
        QVERIFY(QDir(c->home.paths().backup()).removeRecursively());
        QVERIFY(DatabaseCopy::replaceFile(system("print.dat"), "card 1\n"));
        const qint64 aa = *c->console->cafe().appendTransaction(bill("PC1", 25000));
        // The bill is still in the write-ahead log: a plain copy of icafe.dat would lack it.
        QVERIFY(QFileInfo(system("icafe.dat-wal")).size() > 0);

        choose(MenuEntry::Backup, {false});
        QCOMPARE(c->prompter.texts(), QStringList{" Start Backup ?"});
        QVERIFY(!QFileInfo::exists(backup("icafe.dat")));
        choose(MenuEntry::Backup, {true});
        QCOMPARE(c->prompter.texts().last(), "Backup Complete\nThe copies are in " + c->home.paths().backup());
        QVERIFY(!QFileInfo::exists(backup("icafe.dat-wal")));
        QCOMPARE(totalIn(backup("icafe.dat"), aa), 25000);
        for (const char *name : {"users.dat", "settings.dat", "print.dat"})
            QVERIFY2(QFileInfo::exists(backup(QLatin1String(name))), name);
        QCOMPARE(fileBytes(backup("print.dat")), QByteArray("card 1\n"));

        // A link left where a copy is written first is removed, never written through.
        const QString outside = c->home.paths().home() + "-outside";
        for (const char *part : {"icafe.dat.part", "print.dat.part"})
            QVERIFY(QFile::link(outside, backup(QLatin1String(part))));
        choose(MenuEntry::Backup, {true});
        QVERIFY(c->prompter.last().startsWith("Backup Complete\n") && !QFileInfo::exists(outside));

        // A backup that fails says why and keeps the good copy it would have replaced.
        const qint64 later = *c->console->cafe().appendTransaction(bill("PC1", 9000));
        QVERIFY(QDir().mkpath(backup("icafe.dat.part") + "/blocked"));
        c->prompter.clear();
        choose(MenuEntry::Backup, {true});
        QVERIFY(c->prompter.said().size() == 2 && c->prompter.last().contains("icafe.dat.part"));
        QCOMPARE(totalIn(backup("icafe.dat"), aa), 25000);
        QCOMPARE(totalIn(backup("icafe.dat"), later), -1);
    }

    void deletePrinterHistory()
    {
        QVERIFY(c->open());
        QVERIFY(DatabaseCopy::replaceFile(system("print.dat"), "card 1\ncard 2\n"));
        choose(MenuEntry::DeletePrinterHistory, {false});
        QCOMPARE(QFileInfo(system("print.dat")).size(), 14);
        choose(MenuEntry::DeletePrinterHistory, {true});
        QCOMPARE(c->prompter.texts(),
                 (QStringList{"Delete Printer Transactions ? ;", "Delete Printer Transactions ? ;"}));
        QVERIFY(QFileInfo::exists(system("print.dat")) && QFileInfo(system("print.dat")).size() == 0);
    }

    void backgroundSavedShownAndMissing()
    {
        const QString picture = c->home.paths().home() + "/wall.png";
        QImage wall(64, 40, QImage::Format_RGB32);
        wall.fill(Qt::darkCyan);
        QVERIFY(wall.save(picture));
        QVERIFY(c->open());
        choose(MenuEntry::Background);
        auto *w = qobject_cast<BackgroundWindow *>(window().openWindow(MenuEntry::Background));
        QVERIFY(w);
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(c->prompter.texts(), QStringList{"No File Was Selected"});
        QTest::mouseClick(w->findButton(), Qt::LeftButton); // cancelled
        QVERIFY(w->fileField()->text().isEmpty());
        c->files.files.enqueue(picture);
        QTest::mouseClick(w->findButton(), Qt::LeftButton);
        QVERIFY(c->files.filters.last().contains("*.png"));
        QVERIFY(w->pathLabel()->text() == picture && !w->preview()->pixmap().isNull());
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QTRY_VERIFY(!window().openWindow(MenuEntry::Background));
        // Shown at once, and again at the next start.
        QCOMPARE(window().map()->background().pixel(1, 1), wall.pixel(1, 1));
        QCOMPARE(c->prompter.said().size(), 1);
        QVERIFY(c->open());
        QCOMPARE(window().map()->background().pixel(1, 1), wall.pixel(1, 1));
    }

    void helpSupportAbout()
    {
        QVERIFY(c->open());
        choose(MenuEntry::Help);
        choose(MenuEntry::Support);
        QCOMPARE(c->desktop.urls, (QList<QUrl>{QUrl::fromLocalFile(c->home.paths().helpPage()),
                                               QUrl("https://www.korvane.org/support")}));
        QVERIFY(QFileInfo(c->home.paths().helpPage()).size() > 0);
        choose(MenuEntry::About);
        auto *about = qobject_cast<AboutWindow *>(window().openWindow(MenuEntry::About));
        QVERIFY(about);
        QTest::mouseClick(about->sysInfoButton(), Qt::LeftButton);
        QCOMPARE(c->prompter.texts(), QStringList{"System Information Is Unavailable At This Time"});
        c->desktop.sysInfo = QStringLiteral("/usr/bin/sysinfo-tool");
        QTest::mouseClick(about->sysInfoButton(), Qt::LeftButton);
        QCOMPARE(c->desktop.started, QList<QStringList>{{"/usr/bin/sysinfo-tool"}});
        QTest::mouseClick(about->okButton(), Qt::LeftButton);
        QTRY_VERIFY(!window().openWindow(MenuEntry::About));
    }

    void maintenanceToolStartsAndConsoleCloses()
    {
        QVERIFY(c->open());
        QVERIFY(c->console->holdsLock());
        const QString alert = QStringLiteral("       ALERT !!\rYou must exit this application to backup\rExit Now ?");
        choose(MenuEntry::MainDatabase, {false});
        c->desktop.startError = QStringLiteral("/opt/korvane/korvane-tools is missing");
        choose(MenuEntry::UserDatabase, {true});
        QCOMPARE(c->prompter.texts(), (QStringList{alert, alert, c->desktop.startError}));
        QVERIFY(c->prompter.said().first().icon == Prompter::Icon::Critical && window().isVisible());

        c->desktop.startError.clear();
        c->prompter.clear();
        choose(MenuEntry::MainDatabase, {true});
        QCOMPARE(c->prompter.texts(), QStringList{alert}); // no exit question
        QVERIFY(!window().isVisible() && c->desktop.started.size() == 1);
        QVERIFY(c->desktop.started.first().first().endsWith("/korvane-tools"));
        QCOMPARE(c->desktop.started.first().mid(1), (QStringList{"--home", c->home.paths().home()}));
        QVERIFY(!ConsoleLock::isHeld(c->home.paths()));
    }

    void toolChecksRepairsAndWaitsForTheConsole()
    {
        {
            CafeStore cafe;
            QVERIFY(!cafe.open(c->home.paths().cafeDatabase()));
            QVERIFY(cafe.setFlag("PC1", ComputerFlag::Pretime, true)); // no open prepaid transaction
        }
        QByteArray said;
        QCOMPARE(tool({"check"}, &said), 3); // found, not mended without a yes
        QVERIFY(said.contains("PC1 is marked as running a prepaid time charge"));

        // The window asks before mending.
        MaintenanceWindow w(c->home.paths(), c->prompter, c->files);
        c->prompter.answer(true);
        QTest::mouseClick(w.checkButton(), Qt::LeftButton);
        QVERIFY(w.report()->toPlainText().contains("1 mended."));
        QCOMPARE(tool({"check"}), 0);

        QVERIFY(c->open());
        QVERIFY(!c->console->cafe().computersFlagged(ComputerFlag::Pretime)->size());
        choose(MenuEntry::Backup, {true});
        // A second console on the folder stops before it touches the books; the tools wait.
        QCOMPARE(tool({}, &said, "korvane"), 1);
        QVERIFY2(said.contains("A console already runs on the folder " + c->home.paths().home().toLocal8Bit()),
                 said.constData());
        QCOMPARE((QList<int>{tool({"restore", c->home.paths().backup(), "--yes"}), tool({"compact"})}),
                 (QList<int>{4, 4}));
        QCOMPARE(Maintenance(c->home.paths()).restore(c->home.paths().backup()).error(),
                 Maintenance::consoleRunningMessage());
        c->close();
        QCOMPARE((QList<int>{tool({"restore", c->home.paths().backup(), "--yes"}), tool({"compact"}), tool({"check"})}),
                 (QList<int>{0, 0, 0}));
    }

    void fortyComputersAllReachable()
    {
        Desk desk;
        QList<qint64> pcs;
        for (int i = 0; i < 40; ++i)
            pcs << *desk.store.addComputer({0, QStringLiteral("PC%1").arg(i + 1), "127.0.0.11", (i % 8) * 2400 + 300,
                                            (i / 8) * 2400 + 300, false, false, false});
        MainWindow &main = desk.open();
        main.resize(1100, 720);
        QScrollArea *area = main.mapArea();
        QWidget *last = main.map()->icon(int(pcs.last()));
        auto shown = [&] {
            const QRect r(last->mapTo(area->viewport(), QPoint(0, 0)), last->size());
            return area->viewport()->rect().contains(r);
        };
        QTRY_VERIFY(!shown());
        QVERIFY(area->horizontalScrollBar()->maximum() > 0 && area->verticalScrollBar()->maximum() > 0);
        area->ensureWidgetVisible(last);
        QVERIFY(shown());
        QSignalSpy clicked(&main, &MainWindow::computerClicked);
        QTest::mouseClick(last, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicked, (QList<QVariantList>{{int(pcs.last())}}));
    }
};

QTEST_MAIN(TestHousekeeping)
#include "tst_housekeeping.moc"
