#include "store/DatabaseCopy.h"
#include "store/SettingsFile.h"

#include <QTemporaryDir>
#include <QtTest>
#include <array>

using Key = SettingsFile::Key;

namespace {
// The defaults with another polling line, to tell the blocks apart.
QStringList block(const QString &polling)
{
    SettingsFile s;
    s.setText(Key::Polling, polling);
    return s.lines();
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private slots:
    // The last full block of ten wins; without one, or without the file, the
    // defaults. Polling is on only while its line is exactly "yes".
    void blocksOfTen_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("defaults");
        QTest::addColumn<QString>("checkpc");
        QTest::addColumn<bool>("polling");
        QTest::newRow("ten") << true << block("no") << false << "no" << false;
        QTest::newRow("twenty: second wins") << true << block("no") + block("Yes") << false << "Yes" << false;
        QTest::newRow("fifteen: first wins") << true << block("yes") + block("no").mid(0, 5) << false << "yes" << true;
        QTest::newRow("seven: defaults") << true << block("no").mid(0, 7) << true << "yes" << true;
        QTest::newRow("empty") << true << QStringList() << true << "yes" << true;
        QTest::newRow("empty lines") << true << QStringList(10, QString()) << false << "" << false;
        QTest::newRow("no file") << false << QStringList() << true << "yes" << true;
    }
    void blocksOfTen()
    {
        QFETCH(bool, exists);
        QFETCH(QStringList, lines);
        QFETCH(bool, defaults);
        QFETCH(QString, checkpc);
        QFETCH(bool, polling);
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.dat");
        const QByteArray bytes = lines.isEmpty() ? QByteArray() : (lines.join("\r\n") + "\r\n").toLatin1();
        if (exists)
            QVERIFY(DatabaseCopy::replaceFile(path, bytes));
        const SettingsFile s = SettingsFile::read(path);
        QCOMPARE(s.fromDefaults(), defaults);
        QCOMPARE(s.text(Key::Polling), checkpc);
        QCOMPARE(s.pollingOn(), polling);
        QCOMPARE(s.lines().size(), 10);
        if (defaults)
            QCOMPARE(s.lines(), SettingsFile().lines());
    }

    void oddValuesAreSane_data()
    {
        QTest::addColumn<QStringList>("typed"); // interval, toolbar side, font size
        QTest::addColumn<QList<int>>("read");   // milliseconds, toolbar side, font size
        const QList<int> sane{SettingsFile::MinimumIntervalMs, 0, 10};
        QTest::newRow("sound") << QStringList{"7500", "3", "13"} << QList<int>{7500, 3, 13};
        QTest::newRow("zero") << QStringList{"0", "0", "0"} << sane;
        QTest::newRow("negative, past the sides") << QStringList{"-5", "9", "-1"} << sane;
        QTest::newRow("words") << QStringList{"abc", "top", "big"} << sane;
        QTest::newRow("empty") << QStringList{"", "", ""} << sane;
    }
    void oddValuesAreSane()
    {
        QFETCH(QStringList, typed);
        QFETCH(QList<int>, read);
        SettingsFile s;
        for (int i = 0; i < 3; ++i)
            s.setText(std::array{Key::Interval, Key::ToolbarSide, Key::FontSize}[i], typed[i]);
        s.setText(Key::NameColor, "not a colour");
        QCOMPARE((QList<int>{s.intervalMs(), s.toolbarSide(), s.fontSize()}), read);
        QCOMPARE(s.nameColor(), quint32(0)); // black
    }
};

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
