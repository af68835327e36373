#include "engine/Tariff.h"

#include <QtTest>

// The charge for time used; amounts are exact, so no locale enters here
// (how they are written and read: tst_format).
class TestTariff : public QObject
{
    Q_OBJECT
private slots:
    void charge_data()
    {
        QTest::addColumn<int>("rate"); // hourly, in cents
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("toltime");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("cents");
        // Minimum time 10, minimum charge 0,50.
        QTest::newRow("8 minutes: minimum charge") << 200 << 8 << 5 << 1 << 50;
        QTest::newRow("10 minutes: equal to minimum") << 200 << 10 << 5 << 1 << 50;
        QTest::newRow("35 minutes: one block") << 200 << 35 << 5 << 1 << 100;
        QTest::newRow("36 minutes: two blocks") << 200 << 36 << 5 << 2 << 200;
        QTest::newRow("65 minutes: two blocks") << 200 << 65 << 5 << 2 << 200;
        QTest::newRow("12 minutes, tolerance 20") << 200 << 12 << 20 << 1 << 100;
        QTest::newRow("15 minutes, tolerance 60") << 200 << 15 << 60 << 0 << 0;
        // Would be minus two blocks; a charge never goes negative.
        QTest::newRow("tolerance far beyond the use") << 200 << 11 << 100 << 0 << 0;
        QTest::newRow("prepaid 2:00 at its end") << 200 << 125 << 5 << 4 << 400;
        QTest::newRow("40000 minutes: beyond 16 bits") << 200 << 40000 << 5 << 1334 << 133400;
        // 0,625 a half-hour: rounded to cents only once, when shown.
        QTest::newRow("rate 1,25, one block") << 125 << 35 << 5 << 1 << 63;
        QTest::newRow("rate 1,25, two blocks") << 125 << 36 << 5 << 2 << 125;
        QTest::newRow("rate 1,25, three blocks") << 125 << 66 << 5 << 3 << 188;
    }
    void charge()
    {
        QFETCH(int, rate);
        QFETCH(int, minutes);
        QFETCH(int, toltime);
        QFETCH(int, blocks);
        QFETCH(int, cents);
        const RateSettings settings{Money::fromCents(50), 10, toltime, {}};
        const auto charge = Tariff::timeCharge(minutes, Tariff::halfHourPrice(Money::fromCents(rate)), settings);
        QCOMPARE(charge.value().cents(), qint64(cents));
        if (minutes > 10)
            QCOMPARE(Tariff::blocks(minutes, toltime), qint64(blocks));
    }
};

QTEST_MAIN(TestTariff)
#include "tst_tariff.moc"
