// The Tools, Appearance and Help menus of a running console: backup, printer
// history, the maintenance tool, the background picture, help and about; and
// a map larger than the window.
#include "ConsoleFixture.h"
#include "FakeDesktop.h"
#include "console/AboutWindow.h"
#include "console/BackgroundWindow.h"
#include "console/ComputerMapWidget.h"
#include "ConsoleController.h"
#include "console/MainWindow.h"
#include "console/MaintenanceWindow.h"
#include "link/Ports.h"
#include "store/ConsoleLock.h"
#include "store/Maintenance.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

namespace {
const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));

KinRow bill(const QString &computer, qint64 total)
{
    KinRow k;
    k.computer = computer;
    k.startdate = Morning.date();
    k.starttime = Morning;
    k.enddate = Morning.date();
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
    QTemporaryDir m_config;
    std::unique_ptr<TempHome> m_home;
    ScriptedPrompter m_prompter;
    ScriptedPicker m_picker;
    ScriptedFileChooser m_files;
    FakeDesktop m_desktop;
    SettableClock m_clock{Morning};
    std::unique_ptr<ConsoleController> m_console;

    MainWindow &window() { return m_console->window(); }
    QString system(const QString &name) const { return m_home->paths().systemFile(name); }
    QString backup(const QString &name) const { return m_home->paths().backup() + QLatin1Char('/') + name; }

    bool open()
    {
        m_console.reset();
        const Ports ports = Ports::withOffset(20000 + int(QCoreApplication::applicationPid() % 900) * 10);
        m_console = std::make_unique<ConsoleController>(m_home->paths(), ports, m_prompter, m_clock, m_picker);
        m_console->setDesktop(m_desktop);
        m_console->setFileChooser(m_files);
        if (m_console->openBooks())
            return false;
        m_console->start(Login::Role::Admin);
        return window().isVisible();
    }
    void choose(const QString &entry, QList<bool> answers = {})
    {
        for (bool a : answers)
            m_prompter.answer(a);
        QVERIFY(window().action(entry)->isEnabled());
        window().action(entry)->trigger();
    }
    int tool(const QStringList &args, QByteArray *output = nullptr, const QString &program = "korvane-tools")
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(qEnvironmentVariable("KORVANE_BIN_DIR") + QLatin1Char('/') + program,
                QStringList{QStringLiteral("--home"), m_home->paths().home()} + args);
        p.closeWriteChannel(); // no answer to any question
        if (!p.waitForFinished(60000))
            return -1;
        if (output)
            *output = p.readAll();
        return p.exitCode();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        isolateUserSettings(m_config);
    }
    void init()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        CafeStore cafe;
        QVERIFY(!cafe.open(m_home->paths().cafeDatabase()));
        QVERIFY(cafe.addComputer({0, "PC1", "127.0.0.11", 300, 300, false, false, false}));
        m_prompter.clear();
        m_desktop = FakeDesktop();
    }
    void cleanup()
    {
        if (m_console)
            window().setExitMode("force");
        m_console.reset();
        m_home.reset();
    }

    void backupHoldsTheLatestBill()
    {
        QVERIFY(open());
        QVERIFY(QDir(m_home->paths().backup()).removeRecursively());
        QFile print(system("print.dat"));
        QVERIFY(print.open(QIODevice::WriteOnly) && print.write("card 1\n") > 0);
        print.close();
        const qint64 aa = *m_console->cafe().appendTransaction(bill("PC1", 25000));
        // The bill is still in the write-ahead log: a plain copy of icafe.dat would lack it.
        QVERIFY(QFileInfo(system("icafe.dat-wal")).size() > 0);

        choose("backup", {false});
        QCOMPARE(m_prompter.texts(), QStringList{" Start Backup ?"});
        QVERIFY(!QFileInfo::exists(backup("icafe.dat")));
        choose("backup", {true});
        QCOMPARE(m_prompter.texts().last(), "Backup Complete\nThe copies are in " + m_home->paths().backup());
        QVERIFY(!QFileInfo::exists(backup("icafe.dat-wal")));
        QCOMPARE(totalIn(backup("icafe.dat"), aa), 25000);
        for (const char *name : {"users.dat", "settings.dat", "print.dat"})
            QVERIFY2(QFileInfo::exists(backup(QLatin1String(name))), name);
        QFile copied(backup("print.dat"));
        QCOMPARE(copied.open(QIODevice::ReadOnly) ? copied.readAll() : QByteArray(), QByteArray("card 1\n"));

        // A link left where a copy is written first is removed, never written through.
        const QString outside = m_home->paths().home() + "-outside";
        for (const char *part : {"icafe.dat.part", "print.dat.part"})
            QVERIFY(QFile::link(outside, backup(QLatin1String(part))));
        choose("backup", {true});
        QVERIFY(m_prompter.last().startsWith("Backup Complete\n") && !QFileInfo::exists(outside));

        // A backup that fails says why and keeps the good copy it would have replaced.
        const qint64 later = *m_console->cafe().appendTransaction(bill("PC1", 9000));
        QVERIFY(QDir().mkpath(backup("icafe.dat.part") + "/blocked"));
        m_prompter.clear();
        choose("backup", {true});
        QVERIFY(m_prompter.said().size() == 2 && m_prompter.last().contains("icafe.dat.part"));
        QCOMPARE(totalIn(backup("icafe.dat"), aa), 25000);
        QCOMPARE(totalIn(backup("icafe.dat"), later), -1);
    }

    void deletePrinterHistory()
    {
        QVERIFY(open());
        QFile print(system("print.dat"));
        QVERIFY(print.open(QIODevice::WriteOnly) && print.write("card 1\ncard 2\n") > 0);
        print.close();
        choose("delprint", {false});
        QCOMPARE(QFileInfo(system("print.dat")).size(), 14);
        choose("delprint", {true});
        QCOMPARE(m_prompter.texts(),
                 (QStringList{"Delete Printer Transactions ? ;", "Delete Printer Transactions ? ;"}));
        QVERIFY(QFileInfo::exists(system("print.dat")) && QFileInfo(system("print.dat")).size() == 0);
    }

    void backgroundSavedShownAndMissing()
    {
        const QString picture = m_home->paths().home() + "/wall.png";
        QImage wall(64, 40, QImage::Format_RGB32);
        wall.fill(Qt::darkCyan);
        QVERIFY(wall.save(picture));
        QVERIFY(open());
        choose("fonto");
        auto *w = qobject_cast<BackgroundWindow *>(window().openWindow("fonto"));
        QVERIFY(w);
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QCOMPARE(m_prompter.texts(), QStringList{"No File Was Selected"});
        QTest::mouseClick(w->findButton(), Qt::LeftButton); // cancelled
        QVERIFY(w->fileField()->text().isEmpty());
        m_files.files.enqueue(picture);
        QTest::mouseClick(w->findButton(), Qt::LeftButton);
        QVERIFY(m_files.filters.last().contains("*.png"));
        QVERIFY(w->pathLabel()->text() == picture && !w->preview()->pixmap().isNull());
        QTest::mouseClick(w->saveButton(), Qt::LeftButton);
        QTRY_VERIFY(!window().openWindow("fonto"));
        // Shown at once; at the next start: tst_mainwindow's backgroundFillsTheScreen.
        QCOMPARE(window().map()->background().pixel(1, 1), wall.pixel(1, 1));
        QCOMPARE(m_prompter.said().size(), 1);
    }

    void helpSupportAbout()
    {
        QVERIFY(open());
        choose("help");
        choose("support");
        QCOMPARE(m_desktop.urls, (QList<QUrl>{QUrl::fromLocalFile(m_home->paths().helpPage()),
                                              QUrl("https://www.korvane.org/support")}));
        QVERIFY(QFileInfo(m_home->paths().helpPage()).size() > 0);
        choose("about");
        auto *about = qobject_cast<AboutWindow *>(window().openWindow("about"));
        QVERIFY(about);
        QTest::mouseClick(about->sysInfoButton(), Qt::LeftButton);
        QCOMPARE(m_prompter.texts(), QStringList{"System Information Is Unavailable At This Time"});
        m_desktop.sysInfo = QStringLiteral("/usr/bin/sysinfo-tool");
        QTest::mouseClick(about->sysInfoButton(), Qt::LeftButton);
        QCOMPARE(m_desktop.started, QList<QStringList>{{"/usr/bin/sysinfo-tool"}});
        QTest::mouseClick(about->okButton(), Qt::LeftButton);
        QTRY_VERIFY(!window().openWindow("about"));
    }

    void maintenanceToolStartsAndConsoleCloses()
    {
        QVERIFY(open());
        QVERIFY(m_console->holdsLock());
        const QString alert = QStringLiteral("       ALERT !!\rYou must exit this application to backup\rExit Now ?");
        choose("db1", {false});
        m_desktop.startError = QStringLiteral("/opt/korvane/korvane-tools is missing");
        choose("db2", {true});
        QCOMPARE(m_prompter.texts(), (QStringList{alert, alert, m_desktop.startError}));
        QVERIFY(m_prompter.said().first().icon == Prompter::Icon::Critical && window().isVisible());

        m_desktop.startError.clear();
        m_prompter.clear();
        choose("db1", {true});
        QCOMPARE(m_prompter.texts(), QStringList{alert}); // no exit question
        QVERIFY(!window().isVisible() && m_desktop.started.size() == 1);
        QVERIFY(m_desktop.started.first().first().endsWith("/korvane-tools"));
        QCOMPARE(m_desktop.started.first().mid(1), (QStringList{"--home", m_home->paths().home()}));
        QVERIFY(!ConsoleLock::isHeld(m_home->paths()));
    }

    void toolChecksRepairsAndWaitsForTheConsole()
    {
        {
            CafeStore cafe;
            QVERIFY(!cafe.open(m_home->paths().cafeDatabase()));
            QVERIFY(cafe.setFlag("PC1", ComputerFlag::Pretime, true)); // no open prepaid transaction
        }
        QByteArray said;
        QCOMPARE(tool({"check"}, &said), 3); // found, not mended without a yes
        QVERIFY(said.contains("PC1 is marked as running a prepaid time charge"));

        // The window asks before mending.
        MaintenanceWindow w(m_home->paths(), m_prompter, m_files);
        m_prompter.answer(true);
        QTest::mouseClick(w.checkButton(), Qt::LeftButton);
        QVERIFY(w.report()->toPlainText().contains("1 mended."));
        QCOMPARE(tool({"check"}), 0);

        QVERIFY(open());
        QVERIFY(!m_console->cafe().computersFlagged(ComputerFlag::Pretime)->size());
        choose("backup", {true});
        // A second console on the folder stops before it touches the books; the tools wait.
        QCOMPARE(tool({}, &said, "korvane"), 1);
        QVERIFY2(said.contains("A console already runs on the folder " + m_home->paths().home().toLocal8Bit()),
                 said.constData());
        QCOMPARE((QList<int>{tool({"restore", m_home->paths().backup(), "--yes"}), tool({"compact"})}),
                 (QList<int>{4, 4}));
        QCOMPARE(Maintenance(m_home->paths()).restore(m_home->paths().backup()).error(),
                 Maintenance::consoleRunningMessage());
        window().setExitMode("force");
        m_console.reset();
        QCOMPARE((QList<int>{tool({"restore", m_home->paths().backup(), "--yes"}), tool({"compact"}), tool({"check"})}),
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
