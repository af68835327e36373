#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "engine/RateSettingsWindow.h"
#include "engine/RatesWindow.h"
#include "store/CafeStore.h"
#include "base/Format.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestTariffWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece)); }
    void rates_data();
    void rates();
    void settings_data();
    void settings();
};

// One row per refusal: the amount forms themselves are tst_format's.
void TestTariffWindows::rates_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("stored");
    const QStringList good = {"1,00", "2,00", "2,50", "3,00", "3,50", "4,75"};
    const auto with = [&good](int i, const QString &text) {
        QStringList b = good;
        b[i] = text;
        return b;
    };
    QTest::newRow("all six") << good << "Update complete" << true;
    QTest::newRow("rate 6 missing") << with(5, {}) << "Rate 6 Was Not Entered" << false;
    QStringList first = with(0, {});
    first[4] = QString();
    QTest::newRow("the first missing is told") << first << "Rate 1 Was Not Entered" << false;
    // Letters are never dropped to leave an amount behind.
    QTest::newRow("rate 3 \"1O\"") << with(2, "1O") << "Rate 3 Is Not An Amount" << false;
    QTest::newRow("negative") << with(5, "-1,00") << "Rate 6 Is Not An Amount" << false;
    QTest::newRow("beyond the highest price") << with(4, "10.000.000,01") << "Rate 5 Is Not An Amount" << false;
}

void TestTariffWindows::rates()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, told);
    QFETCH(bool, stored);
    TempHome home;
    CafeStore cafe;
    QVERIFY(!cafe.open(home.paths().cafeDatabase()));
    const QList<Money> before = *cafe.rates();
    ScriptedPrompter prompter;
    RatesWindow window(cafe, prompter);
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("rate1"))->text(), Format::currency(before.first()));
    for (int i = 0; i < 6; ++i)
        window.findChild<QLineEdit *>(QStringLiteral("rate%1").arg(i + 1))->setText(boxes.at(i));
    auto *update = window.findChild<QPushButton *>(QStringLiteral("update"));
    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{told});
    QList<Money> expected = before;
    if (stored) {
        expected.clear();
        for (const QString &b : boxes)
            expected << *Money::parse(b);
    }
    QCOMPARE(*cafe.rates(), expected);
}

void TestTariffWindows::settings_data()
{
    QTest::addColumn<QStringList>("typed"); // minimum charge, minimum time, tolerance
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("stored");
    using L = QStringList;
    QTest::newRow("all three") << L{"0,80", "15", "3"} << "Update Complete" << true;
    QTest::newRow("no minimum charge") << L{"", "15", "3"} << "Minimum Charge Rate Was Not Entered " << false;
    QTest::newRow("no minimum time") << L{"0,80", "", "3"} << "Minimum Time Was Not Entered" << false;
    QTest::newRow("no tolerance") << L{"0,80", "15", ""} << "Tolerance Time Was Not Entered" << false;
    QTest::newRow("neither: the first is named") << L{"0,80", " ", ""} << "Minimum Time Was Not Entered" << false;
    QTest::newRow("charge with a letter") << L{"2x", "15", "3"} << "Minimum Charge Is Not An Amount" << false;
    QTest::newRow("charge beyond the highest price")
        << L{"10.000.000,01", "15", "3"} << "Minimum Charge Is Not An Amount" << false;
    QTest::newRow("minutes not a number")
        << L{"0,80", "1,5", "3"} << "Minimum Time Is Not A Number Of Minutes" << false;
    QTest::newRow("tolerance not a number")
        << L{"0,80", "15", "five"} << "Tolerance Is Not A Number Of Minutes" << false;
    QTest::newRow("beyond 16 bits") << L{"0,80", "40000", "600"} << "Update Complete" << true;
}

void TestTariffWindows::settings()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, told);
    QFETCH(bool, stored);
    TempHome home;
    CafeStore cafe;
    QVERIFY(!cafe.open(home.paths().cafeDatabase()));
    const RateSettings before = *cafe.rateSettings();
    ScriptedPrompter prompter;
    RateSettingsWindow window(cafe, prompter);
    auto *fixedBox = window.findChild<QLineEdit *>(QStringLiteral("fixed"));
    auto *mintimeBox = window.findChild<QLineEdit *>(QStringLiteral("mintime"));
    auto *toltimeBox = window.findChild<QLineEdit *>(QStringLiteral("toltime"));
    QCOMPARE(fixedBox->text(), Format::currency(before.fixed));
    QCOMPARE(mintimeBox->text(), QString::number(before.mintime));
    QCOMPARE(toltimeBox->text(), QString::number(before.toltime));
    fixedBox->setText(typed[0]);
    mintimeBox->setText(typed[1]);
    toltimeBox->setText(typed[2]);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("update")), Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{told});
    const RateSettings after = *cafe.rateSettings();
    if (stored) {
        QCOMPARE(after.fixed, *Money::parse(typed[0]));
        QCOMPARE(after.mintime, typed[1].toLongLong());
        QCOMPARE(after.toltime, typed[2].toLongLong());
    } else {
        QCOMPARE(after.fixed, before.fixed);
        QCOMPARE(after.mintime, before.mintime);
        QCOMPARE(after.toltime, before.toltime);
    }
}

QTEST_MAIN(TestTariffWindows)
#include "tst_tariffwindows.moc"
