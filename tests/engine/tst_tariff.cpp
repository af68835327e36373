#include "engine/Tariff.h"
#include "base/Format.h"

#include <QtTest>

// The charge for time used, under a comma and a point locale alike.
class TestTariff : public QObject
{
    Q_OBJECT
private slots:
    void charge_data();
    void charge();
};

void TestTariff::charge_data()
{
    QTest::addColumn<QString>("rate"); // hourly, written with a point
    QTest::addColumn<qint64>("minutes");
    QTest::addColumn<qint64>("mintime");
    QTest::addColumn<qint64>("toltime");
    QTest::addColumn<qint64>("blocks");
    QTest::addColumn<qint64>("cents");

    // Rate 2,00, minimum time 10, tolerance 5, minimum charge 0,50.
    QTest::newRow("8 minutes: minimum charge")
        << "2.00" << qint64(8) << qint64(10) << qint64(5) << qint64(1) << qint64(50);
    QTest::newRow("10 minutes: equal to minimum")
        << "2.00" << qint64(10) << qint64(10) << qint64(5) << qint64(1) << qint64(50);
    QTest::newRow("35 minutes: one block")
        << "2.00" << qint64(35) << qint64(10) << qint64(5) << qint64(1) << qint64(100);
    QTest::newRow("36 minutes: two blocks")
        << "2.00" << qint64(36) << qint64(10) << qint64(5) << qint64(2) << qint64(200);
    QTest::newRow("65 minutes: two blocks")
        << "2.00" << qint64(65) << qint64(10) << qint64(5) << qint64(2) << qint64(200);
    QTest::newRow("12 minutes, tolerance 20")
        << "2.00" << qint64(12) << qint64(10) << qint64(20) << qint64(1) << qint64(100);
    QTest::newRow("15 minutes, tolerance 60")
        << "2.00" << qint64(15) << qint64(10) << qint64(60) << qint64(0) << qint64(0);
    // Would be minus two blocks; a charge never goes negative.
    QTest::newRow("tolerance far beyond the use")
        << "2.00" << qint64(11) << qint64(10) << qint64(100) << qint64(0) << qint64(0);
    QTest::newRow("prepaid 2:00 at its end")
        << "2.00" << qint64(125) << qint64(10) << qint64(5) << qint64(4) << qint64(400);
    // Beyond 16 bits of minutes.
    QTest::newRow("40000 minutes") << "2.00" << qint64(40000) << qint64(10) << qint64(5) << qint64(1334)
                                   << qint64(133400);
    // 0,625 a half-hour: rounded to cents only once, when shown.
    QTest::newRow("rate 1,25, one block") << "1.25" << qint64(35) << qint64(10) << qint64(5) << qint64(1) << qint64(63);
    QTest::newRow("rate 1,25, two blocks")
        << "1.25" << qint64(36) << qint64(10) << qint64(5) << qint64(2) << qint64(125);
    QTest::newRow("rate 1,25, three blocks")
        << "1.25" << qint64(66) << qint64(10) << qint64(5) << qint64(3) << qint64(188);
}

void TestTariff::charge()
{
    QFETCH(QString, rate);
    QFETCH(qint64, minutes);
    QFETCH(qint64, mintime);
    QFETCH(qint64, toltime);
    QFETCH(qint64, blocks);
    QFETCH(qint64, cents);

    const QLocale before;
    for (const char *name : {"el_GR", "en_US"}) {
        const QLocale locale{QLatin1String(name)};
        QLocale::setDefault(locale);
        QString written = rate;
        written.replace(QLatin1Char('.'), locale.decimalPoint());
        const auto hourly = Money::parse(written, locale);
        QVERIFY2(hourly.has_value(), name);

        RateSettings settings;
        settings.fixed = Money::fromCents(50);
        settings.mintime = mintime;
        settings.toltime = toltime;
        const Money charge = Tariff::timeCharge(minutes, Tariff::halfHourPrice(*hourly), settings).value();
        QCOMPARE(charge.cents(), cents);
        if (minutes > mintime)
            QCOMPARE(Tariff::blocks(minutes, toltime), blocks);
        // Shown with the locale's own separator.
        QCOMPARE(Format::amount(charge).at(Format::amount(charge).size() - 3), locale.decimalPoint().at(0));
    }
    QLocale::setDefault(before);
}

QTEST_MAIN(TestTariff)
#include "tst_tariff.moc"
