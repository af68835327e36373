#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "engine/RateSettingsWindow.h"
#include "engine/RatesWindow.h"
#include "store/CafeStore.h"
#include "ui/Format.h"

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

void TestTariffWindows::rates_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("stored");
    const QStringList good = {"1,00", "2,00", "2,50", "3,00", "3,50", "4,75"};
    QTest::newRow("all six") << good << "Update complete" << true;
    for (int i = 0; i < 6; ++i) {
        QStringList missing = good;
        missing[i] = QString();
        QTest::addRow("rate %d missing", i + 1)
            << missing << QStringLiteral("Rate %1 Was Not Entered").arg(i + 1) << false;
    }
    QStringList first = good;
    first[0] = QString();
    first[4] = QString();
    QTest::newRow("the first missing is told") << first << "Rate 1 Was Not Entered" << false;
    QStringList word = good;
    word[1] = QStringLiteral("two");
    QTest::newRow("not an amount") << word << "Rate 2 Is Not An Amount" << false;
    // Letters are never dropped to leave an amount behind.
    for (const QString &junk : {QStringLiteral("1O"), QStringLiteral("1e5"), QStringLiteral("2.5")}) {
        QStringList bad = good;
        bad[2] = junk;
        QTest::addRow("rate 3 \"%s\"", qPrintable(junk)) << bad << "Rate 3 Is Not An Amount" << false;
    }
    QStringList negative = good;
    negative[5] = QStringLiteral("-1,00");
    QTest::newRow("negative") << negative << "Rate 6 Is Not An Amount" << false;
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
    QCOMPARE(window.windowTitle(), QStringLiteral("Rate settings"));
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("rate1"))->text(), Format::currency(before.first()));
    for (int i = 0; i < 6; ++i)
        window.findChild<QLineEdit *>(QStringLiteral("rate%1").arg(i + 1))->setText(boxes.at(i));
    auto *update = window.findChild<QPushButton *>(QStringLiteral("update"));
    QCOMPARE(update->text(), QStringLiteral("&Update"));
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
    QTest::addColumn<QString>("fixed");
    QTest::addColumn<QString>("mintime");
    QTest::addColumn<QString>("toltime");
    QTest::addColumn<QString>("told");
    QTest::addColumn<bool>("stored");
    QTest::newRow("all three") << "0,80"
                               << "15"
                               << "3"
                               << "Update Complete" << true;
    QTest::newRow("no minimum charge") << ""
                                       << "15"
                                       << "3"
                                       << "Minimum Charge Rate Was Not Entered " << false;
    QTest::newRow("no minimum time") << "0,80"
                                     << ""
                                     << "3"
                                     << "Minimum Time Was Not Entered" << false;
    QTest::newRow("no tolerance") << "0,80"
                                  << "15"
                                  << ""
                                  << "Tolerance Time Was Not Entered" << false;
    QTest::newRow("neither: the first is named") << "0,80"
                                                 << " "
                                                 << ""
                                                 << "Minimum Time Was Not Entered" << false;
    QTest::newRow("charge not an amount") << "abc"
                                          << "15"
                                          << "3"
                                          << "Minimum Charge Is Not An Amount" << false;
    QTest::newRow("charge with a letter") << "2x"
                                          << "15"
                                          << "3"
                                          << "Minimum Charge Is Not An Amount" << false;
    QTest::newRow("minutes not a number") << "0,80"
                                          << "1,5"
                                          << "3"
                                          << "Minimum Time Is Not A Number Of Minutes" << false;
    QTest::newRow("tolerance not a number") << "0,80"
                                            << "15"
                                            << "five"
                                            << "Tolerance Is Not A Number Of Minutes" << false;
    QTest::newRow("beyond 16 bits") << "0,80"
                                    << "40000"
                                    << "600"
                                    << "Update Complete" << true;
}

void TestTariffWindows::settings()
{
    QFETCH(QString, fixed);
    QFETCH(QString, mintime);
    QFETCH(QString, toltime);
    QFETCH(QString, told);
    QFETCH(bool, stored);
    TempHome home;
    CafeStore cafe;
    QVERIFY(!cafe.open(home.paths().cafeDatabase()));
    const RateSettings before = *cafe.rateSettings();
    ScriptedPrompter prompter;
    RateSettingsWindow window(cafe, prompter);
    QCOMPARE(window.windowTitle(), QStringLiteral("Settings"));
    auto *fixedBox = window.findChild<QLineEdit *>(QStringLiteral("fixed"));
    auto *mintimeBox = window.findChild<QLineEdit *>(QStringLiteral("mintime"));
    auto *toltimeBox = window.findChild<QLineEdit *>(QStringLiteral("toltime"));
    QCOMPARE(fixedBox->text(), Format::currency(before.fixed));
    QCOMPARE(mintimeBox->text(), QString::number(before.mintime));
    QCOMPARE(toltimeBox->text(), QString::number(before.toltime));
    fixedBox->setText(fixed);
    mintimeBox->setText(mintime);
    toltimeBox->setText(toltime);
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("update")), Qt::LeftButton);
    QCOMPARE(prompter.texts(), QStringList{told});
    const RateSettings after = *cafe.rateSettings();
    if (stored) {
        QCOMPARE(after.fixed, *Money::parse(fixed));
        QCOMPARE(after.mintime, mintime.toLongLong());
        QCOMPARE(after.toltime, toltime.toLongLong());
    } else {
        QCOMPARE(after.fixed, before.fixed);
        QCOMPARE(after.mintime, before.mintime);
        QCOMPARE(after.toltime, before.toltime);
    }
}

QTEST_MAIN(TestTariffWindows)
#include "tst_tariffwindows.moc"
