#include "base/Format.h"

#include <QtTest>

constexpr qint64 Refused = std::numeric_limits<qint64>::min();

class TestFormat : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void amounts_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("units");
        QTest::addColumn<QString>("text");
        QTest::newRow("comma") << "el_GR" << qint64(12345000) << "1.234,50";
        QTest::newRow("comma rounds half up") << "el_GR" << qint64(6250) << "0,63";
        QTest::newRow("comma negative") << "el_GR" << qint64(-6250) << "-0,63";
        QTest::newRow("point") << "en_US" << qint64(12345000) << "1,234.50";
        QTest::newRow("point small") << "en_US" << qint64(49) << "0.00";
        QTest::newRow("beyond a double's cents") << "el_GR" << qint64(999999999999999900) << "99.999.999.999.999,99";
    }
    void amounts()
    {
        QFETCH(QString, locale);
        QFETCH(qint64, units);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(Format::amount(Money::fromUnits(units)), text);
        QCOMPARE(Money::parse(text), std::optional<Money>(Money::fromUnits(units).roundedToCents()));
        // What a money box shows is read back as the same amount.
        QCOMPARE(Money::parse(Format::currency(Money::fromUnits(units))),
                 std::optional<Money>(Money::fromUnits(units).roundedToCents()));
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("units");
        const auto row = [](const char *name, const char *locale, const QString &text, qint64 units) {
            QTest::newRow(name) << QString(locale) << text << units;
        };
        row("comma decimal", "el_GR", "2,5", qint64(25000));
        row("grouped", "el_GR", "1.250", qint64(12500000));
        row("both", "en_US", "1,234.56", qint64(12345600));
        row("four decimals", "en_US", "0.625", qint64(6250));
        row("symbol", "el_GR", QString::fromUtf8("3,00\u00a0€"), qint64(30000));
        row("sign", "el_GR", "-0,63", qint64(-6300));
        // Refused: anything but the locale's own form.
        row("letter O for zero", "el_GR", "1O", Refused);
        row("trailing letter", "el_GR", "2x", Refused);
        row("exponent", "en_US", "1e5", Refused);
        row("point decimal in comma locale", "el_GR", "2.5", Refused);
        row("group in the fraction", "el_GR", "1,234.5", Refused);
        row("short group", "el_GR", "1.23,00", Refused);
        row("sign inside", "el_GR", "2-5", Refused);
        row("nothing after the separator", "el_GR", "5,", Refused);
        row("other currency", "el_GR", "$2,50", Refused);
        row("word", "en_US", "abc", Refused);
        row("empty", "en_US", "", Refused);
        row("two points", "en_US", "1.2.3", Refused);
    }
    void parsing()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(qint64, units);
        const std::optional<Money> expected = units == Refused ? std::nullopt : std::optional(Money::fromUnits(units));
        QCOMPARE(Money::parse(text, QLocale(locale)), expected);
    }

    void durations_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QStringList>("shown"); // time used, time left, the same count taken as minutes
        QTest::newRow("hour five") << qint64(3900) << QStringList{"1:05:00", "01:05:00", "65:00"};
        QTest::newRow("over a day") << qint64(25 * 3600 + 61) << QStringList{"25:01:01", "25:01:01", "1501:01"};
        QTest::newRow("past") << qint64(-300) << QStringList{"-0:05:00", "-00:05:00", "-05:00"};
        QTest::newRow("two minutes five") << qint64(125) << QStringList{"0:02:05", "00:02:05", "02:05"};
        QTest::newRow("six thousand") << qint64(6000) << QStringList{"1:40:00", "01:40:00", "100:00"};
    }
    void durations()
    {
        QFETCH(qint64, seconds);
        QFETCH(QStringList, shown);
        QCOMPARE((QStringList{Format::duration(seconds), Format::timeLeft(seconds), Format::minutes(seconds)}), shown);
    }

    void minuteBoundaries_data()
    {
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<qint64>("minutes");
        const QDate d(2026, 3, 2);
        // clang-format off
        QTest::newRow("one second over a boundary") << QDateTime(d, QTime(10, 0, 59)) << QDateTime(d, QTime(10, 1, 0)) << qint64(1);
        QTest::newRow("midnight") << QDateTime(d, QTime(23, 50, 30)) << QDateTime(d.addDays(1), QTime(0, 10, 0)) << qint64(20);
        QTest::newRow("backwards") << QDateTime(d, QTime(10, 5)) << QDateTime(d, QTime(10, 0)) << qint64(-5);
        // clang-format on
    }
    void minuteBoundaries()
    {
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(qint64, minutes);
        QCOMPARE(Format::minuteBoundaries(from, to), minutes);
    }

    void cLocaleFallsBackToCommaEuro()
    {
        qputenv("KORVANE_LOCALE", "C");
        QCOMPARE(Format::chooseLocale(QString()).decimalPoint(), QString(","));
        QCOMPARE(Format::chooseLocale("en_US").decimalPoint(), QString("."));
        qunsetenv("KORVANE_LOCALE");
    }
};

QTEST_MAIN(TestFormat)
#include "tst_format.moc"
