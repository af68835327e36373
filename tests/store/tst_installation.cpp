#include "Files.h"
#include "PgServer.h"
#include "TempHome.h"
#include "console/Backup.h"
#include "engine/CustomerLogon.h"
#include "store/BookCheck.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "store/DatabaseCopy.h"
#include "store/KinBook.h"
#include "store/Maintenance.h"
#include "store/Migrations.h"
#include "store/PictureLoader.h"
#include "store/SettingsFile.h"
#include "store/SqlStore.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtTest>
#include <ctime>
#include <sys/stat.h>
#include <utime.h>

namespace {
// Every file under the folder with a hash of its content.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        files.insert(p.mid(root.size()), QCryptographicHash::hash(fileBytes(p), QCryptographicHash::Sha256));
    }
    return files;
}

// The computers in a book, with the rows' keys.
QStringList computers(const QString &book)
{
    CafeStore cafe;
    QStringList names;
    if (!cafe.open(book))
        for (const ComputerRow &c : cafe.computers().value_or({}))
            names << QStringLiteral("%1 %2").arg(c.aa).arg(c.pcname);
    return names;
}

// What a café's books say of a day, as the console reads them: the
// transactions, the takings, the charts' sums, the accounts.
QStringList figures(CafeStore &cafe, CustomerStore &customers, const QDate &day)
{
    QStringList f;
    for (const KinRow &r : cafe.unconfirmed().value_or(QList<KinRow>()))
        f << QStringLiteral("open %1 %2").arg(r.aa).arg(r.computer);
    for (qint64 aa = 1; aa <= 3; ++aa)
        if (const auto r = cafe.transaction(aa))
            f << QStringLiteral("%1 %2 %3 %4").arg(r->computer, r->totaltime).arg(r->total ? r->total->units() : -1)
                     .arg(cafe.sumExtras(aa)->value_or(Money()).units());
    const auto t = cafe.takingsOn(day);
    f << QStringLiteral("takings %1 %2 %3").arg(t->total.units()).arg(t->timeCharges.units()).arg(t->freeBills);
    for (const ChartBook::HourInUse &h : cafe.hoursInUse(day, day.addDays(1)).value_or({}))
        f << QStringLiteral("hour %1 %2 %3").arg(h.day.toString()).arg(h.hour).arg(h.seconds);
    f << QStringLiteral("lengths %1 %2").arg(cafe.lengths(day, day)->charges).arg(cafe.lengths(day, day)->seconds);
    for (const CustomerRow &c : customers.accountsWithPin("4321").value_or({}))
        f << QStringLiteral("account %1 %2 %3").arg(c.aa).arg(c.name).arg(c.timeleft);
    return f;
}

int version(const QString &book)
{
    SqlStore s;
    s.open(book);
    auto q = s.run("PRAGMA user_version");
    return q && q->next() ? q->value(0).toInt() : -1;
}
} // namespace

class TestInstallation : public QObject
{
    Q_OBJECT
private slots:
    void freshFolderGetsEverything()
    {
        TempHome home;
        QVERIFY(home.ok());
        const Paths &p = home.paths();
        for (const QString &dir : {p.home(), p.system(), p.backup(), p.help()})
            QCOMPARE(QFile::permissions(dir) & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QStringList files{p.cafeDatabase(), p.customerDatabase(), p.settingsFile(), p.printLog(), p.helpPage()};
        for (Picture pic : StatusPictures::all())
            files << p.systemFile(StatusPictures::fileName(pic));
        for (const QString &f : files)
            QCOMPARE(QFile::permissions(f) & 0x7077, QFile::ReadOwner | QFile::WriteOwner); // none when missing
        QCOMPARE(QFileInfo(p.printLog()).size(), 0);
        QVERIFY(fileBytes(p.helpPage()).contains("Charge And Lock"));

        // The default settings, written as a whole block the older program reads.
        const SettingsFile settings = SettingsFile::read(p.settingsFile());
        QVERIFY(!settings.fromDefaults() && settings.lines() == SettingsFile().lines());
        const QByteArray bytes = fileBytes(p.settingsFile());
        QVERIFY(bytes.count("\r\n") == 10 && bytes.count('\n') == 10);

        // Pictures distinct and of the big icons' size.
        PictureLoader pictures(p);
        QSet<QByteArray> seen;
        for (Picture pic : StatusPictures::all()) {
            const QImage img = pictures.load(pic);
            QCOMPARE(img.size(), QSize(StatusPictures::Width, StatusPictures::Height)); // none when not loaded
            seen.insert(QByteArray(reinterpret_cast<const char *>(img.constBits()), img.sizeInBytes()));
        }
        QCOMPARE(seen.size(), 5);
    }

    void missingPictureIsReportedOnce()
    {
        TempHome home;
        QFile::remove(home.paths().systemFile("onsys.dqtz"));
        PictureLoader pictures(home.paths());
        QStringList reports;
        pictures.setReporter([&](const QString &t) { reports << t; });
        QVERIFY(pictures.load(Picture::Normal).isNull() && pictures.load(Picture::Normal).isNull());
        QVERIFY(!pictures.load(Picture::Free).isNull());
        QVERIFY(reports.size() == 1 && reports.first().contains("onsys.dqtz"));
    }

    void missingFileComesBackAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("yearOfBooks"); // a café book over the size checked page by page at each start
        QTest::newRow("nothing missing: nothing changes") << "" << false;
        QTest::newRow("a year of books: nothing changes") << "" << true;
        QTest::newRow("settings") << "system/settings.dat" << false;
        QTest::newRow("customers") << "system/users.dat" << false;
        QTest::newRow("picture") << "system/errorsys.dqtz" << false;
    }
    void missingFileComesBackAlone()
    {
        QFETCH(QString, file);
        QFETCH(bool, yearOfBooks);
        TempHome home;
        const QString path = home.paths().home() + "/" + file;
        CafeStore cafe;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        cafe.addComputer({0, "PC1", "127.0.0.1", 100, 200, false, false, false});
        if (yearOfBooks)
            QVERIFY(cafe.exec("PRAGMA synchronous = OFF")
                    && cafe.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?)"
                                 " INSERT INTO kin (computer, reason) SELECT 'PC1', zeroblob(1048576) FROM n",
                                 {int(BookCheck::kFullCheckBytes >> 20) + 1}));
        cafe.close();
        QVERIFY((QFileInfo(home.paths().cafeDatabase()).size() > BookCheck::kFullCheckBytes) == yearOfBooks);
        const auto before = snapshot(home.paths().home());
        QVERIFY(file.isEmpty() || QFile::remove(path));
        // The install step as the programs run it, in a process of its own.
        QByteArray out;
        QCOMPARE(runProgram("korvane-tools", {"--home", home.paths().home(), "install"}, &out), 0);
        QCOMPARE(out, file.isEmpty() ? QByteArray() : "created " + path.toUtf8() + "\n");
        if (file.isEmpty())
            QCOMPARE(snapshot(home.paths().home()), before);
    }

    // Start-up stops, naming the file and the cause, and leaves the books as they were.
    void startRefused_data()
    {
        QTest::addColumn<QString>("file"); // junk is written there; empty: a file where the folder should be
        QTest::addColumn<QString>("cause");
        QTest::newRow("corrupt books") << QString("icafe.dat") << "not a Korvane database";
        QTest::newRow("corrupt customers") << QString("users.dat") << "not a Korvane database";
        QTest::newRow("unwritable folder") << QString() << "cannot be created";
    }
    void startRefused()
    {
        QFETCH(QString, file);
        QFETCH(QString, cause);
        TempHome home;
        QString folder = home.paths().home(), named;
        QByteArray junk;
        if (file.isEmpty()) {
            // No user, root included, can make a folder where a file is.
            QVERIFY(DatabaseCopy::replaceFile(home.path() + "/blocker", {}));
            folder = named = home.path() + "/blocker/home";
        } else {
            named = home.paths().systemFile(file);
            junk = QByteArray("no book\0", 8).repeated(512);
            QVERIFY(DatabaseCopy::replaceFile(named, junk));
        }
        QByteArray err;
        QVERIFY(runProgram("korvane", {"--home", folder}, nullptr, &err) > 0);
        QVERIFY2(err.contains(named.toUtf8()) && err.contains(cause.toUtf8()), err.constData());
        QVERIFY(fileBytes(named) == junk && !QFile::exists(named + "-wal"));
    }

    // A book that cannot be trusted is refused naming it and left exactly as
    // it was, its log included; the log of committed work a crash leaves is replayed.
    void damagedBooksRefusedUntouched_data()
    {
        QTest::addColumn<QString>("told"); // empty: the book opens
        QTest::newRow("truncated") << "is damaged: it is cut short";
        QTest::newRow("damaged page") << "is damaged";
        QTest::newRow("foreign wal") << "-wal does not belong to";
        QTest::newRow("newer version") << "(books version 5); this Korvane reads books up to version 4";
        QTest::newRow("genuine wal kept") << "";
    }
    void damagedBooksRefusedUntouched()
    {
        QFETCH(QString, told);
        const QString damage = QTest::currentDataTag();
        TempHome home, crashed;
        const QString book = home.paths().cafeDatabase();
        QFile file(book);
        {
            CafeStore cafe;
            QVERIFY(!cafe.open(book));
            for (int i = 1; i <= 40; ++i)
                QVERIFY(cafe.addComputer({0, QStringLiteral("PC%1").arg(i), "127.0.0.1", i, i, false, false, false}));
            // What a power cut leaves: committed work still in the log, the copies taken with the book open.
            QVERIFY(cafe.exec("PRAGMA wal_autocheckpoint = 0"));
            QVERIFY(cafe.addComputer({0, "LATE", "127.0.0.2", 1, 1, false, false, false}));
            for (const QString &f : {book, book + "-wal"}) {
                const QString copy = crashed.paths().system() + "/" + QFileInfo(f).fileName();
                QFile::remove(copy);
                QVERIFY(QFile::copy(f, copy));
            }
            CustomerStore other;
            QVERIFY(!other.open(home.paths().customerDatabase()) && other.exec("PRAGMA wal_autocheckpoint = 0"));
            QVERIFY(other.addAccount(CustomerRow{}));
            if (damage == "foreign wal") {
                cafe.close();
                QVERIFY(QFile::copy(home.paths().customerDatabase() + "-wal", book + "-wal"));
            }
        }
        const QStringList before = damage == "genuine wal kept" ? computers(book) : QStringList();
        if (damage != "foreign wal") // a backup of the same day, to restore
            for (const QString &f : {book, home.paths().customerDatabase()})
                QVERIFY(DatabaseCopy::copyLive(f, home.paths().backup() + "/" + QFileInfo(f).fileName()));
        if (damage == "truncated")
            QVERIFY(file.resize(file.size() / 2));
        if (damage == "damaged page") {
            // A sector of zeros in the middle of the book.
            QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(file.size() / 4096 / 2 * 4096));
            QCOMPARE(file.write(QByteArray(4096, 0)), 4096);
            file.close();
        }
        if (damage == "newer version") {
            SqlStore s;
            QVERIFY(!s.open(book) && s.exec("PRAGMA user_version = 5"));
        }
        const Paths &paths = damage == "genuine wal kept" ? crashed.paths() : home.paths();
        // What a check killed two hours ago left goes; one running now is left alone.
        const QString stale = crashed.paths().system() + "/.check-stale", running = stale + "-not";
        QVERIFY(QDir().mkpath(stale) && QDir().mkpath(running));
        const utimbuf twoHoursAgo{std::time(nullptr) - 7200, std::time(nullptr) - 7200};
        QVERIFY(::utime(stale.toLocal8Bit().constData(), &twoHoursAgo) == 0);
        const auto files = snapshot(paths.system());
        const Installer::Report r = Installer::install(paths);
        if (told.isEmpty()) {
            QVERIFY2(!r.error, qPrintable(r.error.value_or("")));
            QCOMPARE(computers(paths.cafeDatabase()), before);
            QVERIFY(!QFileInfo::exists(stale) && QFileInfo::exists(running));
            return;
        }
        QVERIFY(r.error);
        QVERIFY2(r.error->contains(book) && r.error->contains(told), qPrintable(*r.error));
        QCOMPARE(snapshot(paths.system()), files);
        QByteArray out;
        QVERIFY(runProgram("korvane-tools", {"--home", paths.home(), "check"}, &out) == 3
                && out.contains(told.toUtf8()));
        // The tool the message points to still restores.
        if (damage != "foreign wal") {
            QCOMPARE(runProgram("korvane-tools", {"--home", paths.home(), "restore", paths.backup(), "--yes"}), 0);
            QVERIFY(!Installer::install(paths).error);
        }
    }

    // A restore checks every file before it replaces any, and reads nothing
    // through a link: a refused folder leaves the application folder as it was.
    void hostileRestoreRefusedWhole_data()
    {
        QTest::addColumn<QString>("told"); // empty: restored
        QTest::newRow("sound") << "";
        QTest::newRow("users.dat a copy of icafe.dat")
            << "users.dat is not a Korvane database: the table users has no column name";
        QTest::newRow("icafe.dat a link") << "icafe.dat is not a plain file";
        QTest::newRow("print.dat a pipe") << "print.dat is not a plain file";
        QTest::newRow("print.dat a link to a device") << "print.dat is a link";
        QTest::newRow("settings.dat too large") << "settings.dat is larger than such a file can be";
        QTest::newRow("settings.dat not text") << "settings.dat is not a settings file: it is not text";
    }
    void hostileRestoreRefusedWhole()
    {
        QFETCH(QString, told);
        const QString damage = QTest::currentDataTag();
        TempHome home;
        const Paths &p = home.paths();
        const QString dir = home.path() + "-backup", outside = home.path() + "-outside.dat";
        const QString target = dir + "/" + damage.section(' ', 0, 0);
        QVERIFY(QDir().mkpath(dir));
        CafeStore cafe;
        QVERIFY(!cafe.open(p.cafeDatabase()) && cafe.addComputer({0, "PC1", "127.0.0.1", 0, 0, false, false, false}));
        for (const QString &f : {p.cafeDatabase(), p.customerDatabase()})
            QVERIFY(DatabaseCopy::copyLive(f, dir + "/" + QFileInfo(f).fileName()));
        QVERIFY(QFile::copy(p.settingsFile(), dir + "/settings.dat"));
        QVERIFY(DatabaseCopy::replaceFile(dir + "/print.dat", "card 1\r\n"));
        QVERIFY(cafe.addComputer({0, "PC2", "127.0.0.2", 0, 0, false, false, false}));
        cafe.close();

        if (!damage.startsWith("sound"))
            QVERIFY(QFile::remove(target));
        if (damage.contains("a copy") || damage.endsWith("a link")) // the café book, as users.dat or out of the folder
            QVERIFY(QFile::copy(p.cafeDatabase(), damage.contains("a copy") ? target : outside));
        if (damage.contains("a copy")) { // at users.dat's version, so that its columns tell
            SqlStore copy;
            QVERIFY(!copy.open(target) && copy.exec("PRAGMA user_version = 1"));
        }
        if (damage.contains("link"))
            QVERIFY(QFile::link(damage.contains("device") ? "/dev/zero" : outside, target));
        if (damage.contains("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
        // Good lines over and over, or lines with a zero byte.
        const QByteArray line = damage.contains("large") ? QByteArray("yes\r\n") : QByteArray("yes\0\r\n", 6);
        if (damage.contains("settings"))
            QVERIFY(DatabaseCopy::replaceFile(target, line.repeated(damage.contains("large") ? 14000 : 10)));
        const auto before = snapshot(p.system());
        const Result<void> r = Maintenance(p).restore(dir);
        if (told.isEmpty()) {
            QVERIFY2(r, qPrintable(r ? QString() : r.error()));
            QCOMPARE(computers(p.cafeDatabase()), QStringList{"1 PC1"});
            QCOMPARE(fileBytes(p.printLog()), QByteArray("card 1\r\n"));
            QVERIFY(!Installer::install(p).error);
            return;
        }
        QVERIFY2(!r && r.error().contains(told), qPrintable(r ? QString() : r.error()));
        QCOMPARE(snapshot(p.system()), before);
    }

    // A book of today's installations (no version) is brought up step by step
    // and keeps every row; a failed step leaves it at the last good version.
    void olderBooksMigrate_data()
    {
        QTest::addColumn<QString>("third"); // the statement of the step to version 3
        QTest::addColumn<int>("reached");
        QTest::newRow("every step") << "CREATE TABLE notes (aa INTEGER PRIMARY KEY, note TEXT)" << 3;
        QTest::newRow("third step fails") << "ALTER TABLE no_such_table ADD COLUMN x" << 2;
    }
    void olderBooksMigrate()
    {
        QFETCH(QString, third);
        QFETCH(int, reached);
        TempHome home;
        const QString book = home.paths().cafeDatabase(), users = home.paths().customerDatabase();
        QVERIFY(version(book) == 4 && version(users) == 2);
        {
            CafeStore cafe;
            CustomerStore customers;
            QVERIFY(!cafe.open(book) && !customers.open(users) && cafe.exec("PRAGMA user_version = 0")
                    && customers.exec("PRAGMA user_version = 0"));
            for (int i = 1; i <= 5; ++i) {
                QVERIFY(cafe.addComputer({0, QStringLiteral("PC%1").arg(i), "127.0.0.1", i, i, false, false, false}));
                QVERIFY(customers.addAccount({0, QStringLiteral("N%1").arg(i), {}, {}, {}, 0, 0, 0, false, {}}));
            }
        }
        const QStringList before = computers(book);
        Migrations steps;
        steps.cafe = {{2, {"ALTER TABLE computers ADD COLUMN note TEXT"}}, {3, {third}}};
        steps.customers = {{2, {"ALTER TABLE users ADD COLUMN note TEXT"}}};
        const Installer::Report r = Installer::install(home.paths(), steps);
        QCOMPARE(bool(r.error), reached < 3);
        if (r.error)
            QVERIFY2(r.error->contains(book) && r.error->contains("no_such_table") && r.error->contains("version 2"),
                     qPrintable(*r.error));
        QCOMPARE((QList<int>{version(book), version(users)}), (QList<int>{reached, r.error ? 0 : 2}));
        QCOMPARE(computers(book), before);
        CustomerStore customers;
        QVERIFY(!customers.open(users) && customers.accounts()->size() == 5);
        QVERIFY(customers.exec("SELECT note FROM users") == !r.error);
    }

    // A mistyped folder is not made into a new café whose books look sound.
    void toolsMakeNoFolderUnasked()
    {
        TempHome home(false);
        QByteArray err;
        QVERIFY(runProgram("korvane-tools", {"--home", home.path(), "check"}, nullptr, &err) == 1);
        QVERIFY(!QFileInfo::exists(home.path()) && err.contains("does not exist. Give --create"));
        QCOMPARE(runProgram("korvane-tools", {"--home", home.path(), "--create", "check"}), 0);
        QVERIFY(QFileInfo(home.paths().cafeDatabase()).isFile());
    }

    // Version 2: amounts bounded by the books themselves; operator passwords
    // kept as salted digests, letter case still ignored at login. Version 3
    // (and 2 of users.dat): the time sold onto accounts, bounded too.
    void versionTwoAndThree()
    {
        TempHome home;
        const QString book = home.paths().cafeDatabase(), users = home.paths().customerDatabase();
        {
            SqlStore u;
            QVERIFY(!u.open(users) && u.exec("DROP TABLE credits") && u.exec("PRAGMA user_version = 1"));
            SqlStore s; // back as a book of version 1 kept them
            QVERIFY(!s.open(book));
            QVERIFY(s.exec("INSERT INTO kin (computer, startdate, starttime, totaltime)"
                           " VALUES ('PC1', '2026-03-01', '2026-03-01T22:30:00', '2:00:00')"));
            for (const char *trigger : {"insert", "delete", "take", "add"})
                QVERIFY(s.exec(QStringLiteral("DROP TRIGGER kin_hours_%1").arg(trigger)));
            for (const char *table : {"timesales", "shifts", "shiftbills", "kin_hours", "kin_lengths", "hour_slots"})
                QVERIFY(s.exec(QStringLiteral("DROP TABLE %1").arg(table)));
            QVERIFY(!s.open(book));
            for (const QString t : {"extra", "kin", "products", "rates", "settings"})
                QVERIFY(s.exec("DROP TRIGGER " + t + "_bounded_insert")
                        && s.exec("DROP TRIGGER " + t + "_bounded_update"));
            QVERIFY(s.exec("UPDATE users SET password = CASE username WHEN 'admin' THEN 'Κέλπο' ELSE 'dask' END"));
            QVERIFY(s.exec("PRAGMA user_version = 1"));
        }
        const Installer::Report r = Installer::install(home.paths());
        QVERIFY2(!r.error, qPrintable(r.error.value_or("")));
        QCOMPARE((QList<int>{version(book), version(users)}), (QList<int>{4, 2}));
        CafeStore cafe;
        QVERIFY(!cafe.open(book));
        QVERIFY(!cafe.exec("UPDATE rates SET rate = -1") && cafe.lastError().contains("beyond"));
        const Money tooMuch = Money::fromUnits(Money::Limit + 1);
        QVERIFY(!cafe.addSale({0, QDateTime(QDate(2026, 3, 2), QTime(9, 0)), "admin", 1, "A B", 60, tooMuch, {}}));
        QVERIFY(cafe.lastError().contains("beyond"));
        QVERIFY(cafe.beginShift("user", QDateTime(QDate(2026, 3, 2), QTime(9, 0)), Money()));
        // The charts' sums of the charges from before them.
        const auto hours = cafe.hoursInUse(QDate(2026, 3, 1), QDate(2026, 3, 2));
        QVERIFY(hours && hours->size() == 3 && hours->last().seconds == 1800);
        QCOMPARE(cafe.lengths(QDate(2026, 3, 1), QDate(2026, 3, 1))->seconds, 7200);
        auto q = cafe.run("SELECT count(*) FROM users WHERE password LIKE 'pbkdf2-sha256$20000$%'");
        QVERIFY(q && q->next() && q->value(0).toInt() == 2);
        QCOMPARE(cafe.operatorLogin("Admin", "ΚΈΛΠΟ").value_or(std::nullopt), std::optional<QString>("admin"));
        QCOMPARE(cafe.operatorLogin("user", "DASK").value_or(std::nullopt), std::optional<QString>("user"));
    }

    void helpAndVersionNeedNoDisplay()
    {
        for (const QString &flag : {QStringLiteral("--help"), QStringLiteral("--version")}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            p.setProcessEnvironment(env);
            p.start(qEnvironmentVariable("KORVANE_BIN_DIR") + "/korvane", {flag});
            QVERIFY(p.waitForFinished(10000) && p.exitCode() == 0 && p.readAllStandardOutput().contains("korvane"));
        }
    }

    // A café's files copied onto a server read there as they did: a second
    // run copies nothing, and the server's next key follows the copied ones.
    void booksMoveToTheServer()
    {
        QTemporaryDir dir;
        const Paths files(dir.path() + "/home");
        QVERIFY(!Installer::install(files).error);
        const QDate day(2026, 3, 2);
        QStringList before;
        {
            CafeStore cafe;
            CustomerStore customers;
            QVERIFY(!cafe.open(files.cafeDatabase()) && !customers.open(files.customerDatabase()));
            KinRow ended{0, "PC1", day, QDateTime(day, QTime(23, 30)), day.addDays(1), QTime(1, 0), 0, false, false,
                         false, {}, "normal", "1:30:00", Money::fromCents(450), Money::fromCents(250),
                         Money::fromCents(700), {}};
            KinRow running{0, "ΚΑΦΕ 2", day, QDateTime(day, QTime(10, 0)), {}, {}, {}, true, false,
                           false, {}, "normal", {}, {}, {}, {}, {}};
            const qint64 bill = *cafe.appendTransaction(ended);
            QVERIFY(cafe.appendTransaction(running));
            QVERIFY(cafe.addExtra({0, bill, "Καφές 'frappé'", 2, Money::fromCents(125), Money::fromCents(250)}));
            QVERIFY(customers.addAccount({0, "Ελένη", {}, {}, "4321", 90, 30, 60, false, {}}));
            before = figures(cafe, customers, day);
        }
        const QString url = PgServer::shared().freshDatabase();
        QVERIFY2(!url.isEmpty(), qPrintable(PgServer::shared().error()));
        QByteArray out, err;
        QCOMPARE(runProgram("korvane-tools", {"--home", files.home(), "migrate", "--to", url}, &out, &err), 0);
        QVERIFY2(out.contains("copied kin: 2 rows") && out.contains("copied users: 1 rows"), out + err);
        QCOMPARE(runProgram("korvane-tools", {"--home", files.home(), "migrate", "--to", url}, &out, &err), 1);
        QVERIFY2(err.contains("already hold a copied café"), err);

        Paths server = files;
        server.setDatabase(url);
        CafeStore cafe;
        CustomerStore customers;
        QVERIFY(!cafe.open(server.cafeDatabase()) && !customers.open(server.customerDatabase()));
        QCOMPARE(figures(cafe, customers, day), before);
        QCOMPARE(*cafe.appendTransaction(KinRow()), 3);
        QCOMPARE(*customers.addAccount({}), 2);
        QVERIFY(cafe.addProduct({0, "Frappé", Money::fromCents(200), {}}));

        // A second café joins as the branch "north": its own charges, the
        // chain's customers and catalogue.
        QTemporaryDir second;
        Paths north(second.path() + "/home");
        QVERIFY(!Installer::install(north).error);
        {
            CafeStore own;
            QVERIFY(!own.open(north.cafeDatabase()));
            QVERIFY(own.appendTransaction({0, "PC1", day, QDateTime(day, QTime(9, 0)), day, QTime(9, 30), 0, false,
                                           false, false, {}, "normal", "0:30:00", Money::fromCents(300), Money(),
                                           Money::fromCents(300), {}}));
        }
        QCOMPARE(runProgram("korvane-tools", {"--home", north.home(), "--branch", "north", "list-computers"}, &out, &err), 1);
        QVERIFY2(err.contains("needs books on a PostgreSQL server"), err);
        QCOMPARE(runProgram("korvane-tools", {"--home", north.home(), "migrate", "--to", url, "--branch", "N'x"}, &out, &err), 1);
        QVERIFY2(err.contains("may hold only the letters"), err);
        QCOMPARE(runProgram("korvane-tools", {"--home", north.home(), "migrate", "--to", url, "--branch", "North"}, &out, &err), 0);
        QVERIFY2(out.contains("copied kin: 1 rows") && !out.contains("products") && out.contains("already copied"), out + err);
        north.setDatabase(url);
        north.setBranch("north");
        CafeStore there;
        CustomerStore shared;
        QVERIFY(!there.open(north.cafeDatabase()) && !shared.open(north.customerDatabase()));
        QCOMPARE(there.products()->size(), cafe.products()->size());
        QCOMPARE(there.transaction(1)->computer, QString("PC1"));
        // The console sends the maintenance tool to the branch's books.
        QCOMPARE(runProgram("korvane-tools", north.toolArguments() << "check", &out, &err), 0);
        QVERIFY2(north.toolArguments().endsWith("north") && out.contains("Both books are sound."), out + err);

        // The main branch's customer logs on at the north and spends once.
        const auto logon = [](CustomerStore &book) {
            return CustomerLogon(book, {[](qint64) { return SlotState::Free; }, [](qint64, qint64, const QString &) {},
                                        [](qint64, const QDateTime &) {}, [](qint64) { return false; }})
                .pin(7, "127.0.0.1", "4321")
                ->kind;
        };
        QCOMPARE(logon(shared), LogonRules::Answer::Kind::Accepted);
        QCOMPARE(logon(customers), LogonRules::Answer::Kind::Refused);

        // Every branch listed and summed together, keys repeating across them.
        KinBook book(there);
        QCOMPARE(*book.branches(), (QStringList{"", "north"}));
        KinFilter all = KinFilter::normal(day, day.addDays(1));
        all.branches = *book.branches();
        QCOMPARE(book.sums(all)->total, Money::fromCents(700 + 300));
        QCOMPARE(book.sums(KinFilter::normal(day, day.addDays(1)))->total, Money::fromCents(300));
        QStringList listed;
        for (KinPage p = *book.page(all, 1); !p.rows.isEmpty(); p = *book.page(all, 1, p.next))
            listed << QStringLiteral("%1 %2 %3").arg(p.next.branch).arg(p.rows.first().aa).arg(p.rows.first().computer);
        QCOMPARE(listed, (QStringList{" 1 PC1", "north 1 PC1", " 2 ΚΑΦΕ 2"}));
        PgServer::shared().drop(url);
    }

    // The server stopped under an open connection: a bill cannot be
    // confirmed and the operator is told the server is away; once it is
    // back the same connection confirms it, once.
    void serverAwayAndBack()
    {
        PgServer &server = PgServer::shared();
        const QString url = server.freshDatabase();
        QVERIFY2(!url.isEmpty(), qPrintable(server.error()));
        QTemporaryDir dir;
        Paths paths(dir.path() + "/home");
        paths.setDatabase(url);
        QVERIFY(!Installer::install(paths).error);
        CafeStore cafe;
        QVERIFY(!cafe.open(paths.cafeDatabase()));
        const QDateTime start(QDate(2026, 3, 2), QTime(10, 0));
        KinRow row = {0, "PC1", start.date(), start, {}, {}, {}, true, false, false, {}, "normal", {}, {}, {}, {}, {}};
        const qint64 key = *cafe.appendTransaction(row);
        QVERIFY(cafe.endCharge(ComputerFlag::Timer, key, start.addSecs(1800), "0:30:00"));
        KinRow bill = *cafe.transaction(key);
        bill.timecharged = bill.total = Money::fromCents(150);
        bill.extra = Money();

        QVERIFY(server.stop());
        const Result<void> away = cafe.confirmCharge(bill, false);
        QVERIFY2(!away && away.error().contains("server of the books cannot be reached"), qPrintable(away.error()));
        QVERIFY(!cafe.atomically([&] { return cafe.confirmCharge(bill, false).ok(); }));
        QVERIFY(server.start());
        QVERIFY(cafe.confirmCharge(bill, false));
        QVERIFY(!cafe.confirmCharge(bill, false));
        QCOMPARE(cafe.takingsOn(start.date())->total, Money::fromCents(150));
        // The backup of books on a server is the server's own dump.
        QVERIFY(Backup::backitup(paths));
        QProcess list;
        list.start("pg_restore", {"--list", paths.backup() + "/books.dump"});
        QVERIFY(list.waitForFinished() && list.readAllStandardOutput().contains("TABLE DATA cafe kin"));
        server.drop(url);
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
