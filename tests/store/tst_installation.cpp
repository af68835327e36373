#include "TempHome.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "store/SettingsFile.h"
#include "store/StatusPictures.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtTest>

namespace {
// Every file under the folder with a hash of its content.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        QFile f(p);
        f.open(QIODevice::ReadOnly);
        files.insert(p.mid(root.size()), QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256));
    }
    return files;
}

QString korvane() { return qEnvironmentVariable("KORVANE_BIN_DIR") + QStringLiteral("/korvane"); }
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
        for (const QString &f : files) {
            QVERIFY2(QFile::exists(f), qPrintable(f));
            QCOMPARE(QFile::permissions(f) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
        }
        QCOMPARE(QFileInfo(p.printLog()).size(), 0);
        QFile page(p.helpPage());
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().contains("Charge And Lock"));
    }

    void defaultRows()
    {
        TempHome home;
        CafeStore cafe;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        QCOMPARE(cafe.rates()->size(), 6);
        const RateSettings s = *cafe.rateSettings();
        QCOMPARE(s.fixed, Money::fromCents(50));
        QCOMPARE(s.mintime, 10);
        QCOMPARE(s.toltime, 5);
        QCOMPARE(cafe.computers()->size(), 0);
        CustomerStore customers;
        QVERIFY(!customers.open(home.paths().customerDatabase()));
        QCOMPARE(customers.accounts()->size(), 0);

        const SettingsFile settings = SettingsFile::read(home.paths().settingsFile());
        QVERIFY(!settings.fromDefaults());
        QVERIFY(settings.pollingOn());
        QVERIFY(settings.toolbarVisible());
        QCOMPARE(settings.toolbarSide(), 1);
        QVERIFY(settings.bigIcons());
        QFile raw(home.paths().settingsFile());
        raw.open(QIODevice::ReadOnly);
        const QByteArray bytes = raw.readAll();
        QCOMPARE(bytes.count("\r\n"), 10);
        QCOMPARE(bytes.count('\n'), 10);
    }

    void picturesAreDistinctAndBigIconSized()
    {
        TempHome home;
        StatusPictures pictures(home.paths());
        QSet<QByteArray> seen;
        for (Picture p : StatusPictures::all()) {
            const QImage img = pictures.load(p);
            QVERIFY(!img.isNull());
            QCOMPARE(img.size(), QSize(StatusPictures::Width, StatusPictures::Height));
            seen.insert(QByteArray(reinterpret_cast<const char *>(img.constBits()), img.sizeInBytes()));
        }
        QCOMPARE(seen.size(), 5);
    }

    void missingPictureIsReportedOnce()
    {
        TempHome home;
        QFile::remove(home.paths().systemFile("onsys.dqtz"));
        StatusPictures pictures(home.paths());
        QStringList reports;
        pictures.setReporter([&](const QString &t) { reports << t; });
        QVERIFY(pictures.load(Picture::Normal).isNull());
        QVERIFY(pictures.load(Picture::Normal).isNull());
        QVERIFY(!pictures.load(Picture::Free).isNull());
        QCOMPARE(reports.size(), 1);
        QVERIFY(reports.first().contains("onsys.dqtz"));
    }

    void secondRunChangesNothing()
    {
        TempHome home;
        CafeStore cafe;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        cafe.addComputer({0, "PC1", "127.0.0.1", 100, 200, false, false, false});
        cafe.close();
        const auto before = snapshot(home.paths().home());
        const Installer::Result again = Installer::install(home.paths());
        QVERIFY(!again.error);
        QCOMPARE(again.created, QStringList());
        QCOMPARE(snapshot(home.paths().home()), before);
    }

    void missingFileComesBackAlone_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("settings") << "system/settings.dat";
        QTest::newRow("customers") << "system/users.dat";
        QTest::newRow("picture") << "system/errorsys.dqtz";
    }
    void missingFileComesBackAlone()
    {
        QFETCH(QString, file);
        TempHome home;
        const QString path = home.paths().home() + "/" + file;
        QVERIFY(QFile::remove(path));
        const Installer::Result again = Installer::install(home.paths());
        QVERIFY(!again.error);
        QCOMPARE(again.created, QStringList{path});
    }

    // Start-up stops, naming the file and the cause, and leaves the books as they were.
    void startRefused_data()
    {
        QTest::addColumn<QString>("file"); // junk is written there; empty: a file where the folder should be
        QTest::addColumn<QString>("cause");
        QTest::newRow("corrupt books") << "icafe.dat"
                                       << "not a Korvane database";
        QTest::newRow("corrupt customers") << "users.dat"
                                           << "not a Korvane database";
        QTest::newRow("unwritable folder") << ""
                                           << "cannot be created";
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
            QFile blocker(home.path() + "/blocker");
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            folder = named = blocker.fileName() + "/home";
        } else {
            named = home.paths().systemFile(file);
            // KORVANE_SEED replays a failed run.
            const quint32 seed = qEnvironmentVariableIsSet("KORVANE_SEED")
                                     ? quint32(qEnvironmentVariableIntValue("KORVANE_SEED"))
                                     : QRandomGenerator::global()->generate();
            qDebug("KORVANE_SEED=%u", seed);
            QRandomGenerator random(seed);
            junk.resize(4096);
            for (char &c : junk)
                c = char(random.bounded(256));
            QFile f(named);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(junk) == junk.size());
        }
        QProcess p;
        p.start(korvane(), {"--home", folder});
        QVERIFY(p.waitForFinished(20000));
        QVERIFY(p.exitCode() != 0);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.contains(named) && err.contains(cause), qPrintable(err));
        if (!junk.isEmpty()) {
            QFile f(named);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), junk);
            QVERIFY(!QFile::exists(named + "-wal"));
        }
    }

    void helpAndVersionNeedNoDisplay()
    {
        for (const QString &flag : {QStringLiteral("--help"), QStringLiteral("--version")}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove("DISPLAY");
            env.remove("QT_QPA_PLATFORM");
            p.setProcessEnvironment(env);
            p.start(korvane(), {flag});
            QVERIFY(p.waitForFinished(10000));
            QCOMPARE(p.exitCode(), 0);
            QVERIFY(p.readAllStandardOutput().contains("korvane"));
        }
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
