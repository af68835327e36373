#include "store/SettingsFile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
QStringList block(const QString &first, const QString &interval = "10000")
{
    return {first, interval, "yes", "2", "255", "Arial", "12", "True", "False", "small"};
}
QString writeRaw(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.path() + "/settings.dat";
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    void blocksOfTen_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("defaults");
        QTest::addColumn<QString>("checkpc");
        QTest::newRow("ten") << block("no") << false << "no";
        QTest::newRow("twenty: second wins") << block("no") + block("yes") << false << "yes";
        QTest::newRow("fifteen: first wins") << block("no") + block("yes").mid(0, 5) << false << "no";
        QTest::newRow("seven: defaults") << block("no").mid(0, 7) << true << "yes";
        QTest::newRow("empty") << QStringList() << true << "yes";
        QTest::newRow("empty lines") << QStringList(10, QString()) << false << "";
    }
    void blocksOfTen()
    {
        QFETCH(QStringList, lines);
        QFETCH(bool, defaults);
        QFETCH(QString, checkpc);
        QTemporaryDir dir;
        const QString path = writeRaw(dir, lines.isEmpty() ? QByteArray() : (lines.join("\r\n") + "\r\n").toLatin1());
        const SettingsFile s = SettingsFile::read(path);
        QCOMPARE(s.fromDefaults(), defaults);
        QCOMPARE(s.checkpc(), checkpc);
        QCOMPARE(s.lines().size(), 10);
    }

    void missingFileGivesDefaults()
    {
        const SettingsFile s = SettingsFile::read("/nonexistent/settings.dat");
        QVERIFY(s.fromDefaults());
        QVERIFY(s.pollingOn());
        QVERIFY(s.bigIcons());
    }

    void oddValuesAreSane_data()
    {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("side");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("toolbar");
        QTest::addColumn<int>("fontSize");
        QTest::newRow("normal") << "7500"
                                << "3"
                                << "13" << 7500 << 3 << 13;
        QTest::newRow("zero") << "0"
                              << "0"
                              << "0" << SettingsFile::MinimumIntervalMs << 0 << 10;
        QTest::newRow("negative") << "-5"
                                  << "9"
                                  << "-1" << SettingsFile::MinimumIntervalMs << 0 << 10;
        QTest::newRow("words") << "abc"
                               << "top"
                               << "big" << SettingsFile::MinimumIntervalMs << 0 << 10;
        QTest::newRow("empty") << ""
                               << ""
                               << "" << SettingsFile::MinimumIntervalMs << 0 << 10;
    }
    void oddValuesAreSane()
    {
        QFETCH(QString, interval);
        QFETCH(QString, side);
        QFETCH(QString, size);
        QFETCH(int, ms);
        QFETCH(int, toolbar);
        QFETCH(int, fontSize);
        QStringList l = block("yes", interval);
        l[3] = side;
        l[6] = size;
        l[4] = "not a colour";
        const SettingsFile s = SettingsFile::fromLines(l);
        QCOMPARE(s.intervalMs(), ms);
        QCOMPARE(s.toolbarSide(), toolbar);
        QCOMPARE(s.fontSize(), fontSize);
        QCOMPARE(s.nameColor(), QColor(Qt::black));
    }
};

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
