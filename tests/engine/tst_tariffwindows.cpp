#include "ScriptedPrompter.h"
#include "TempHome.h"
#include "Widgets.h"
#include "engine/RateSettingsWindow.h"
#include "engine/RatesWindow.h"
#include "store/CafeStore.h"
#include "base/Format.h"

#include <QtTest>

namespace {
const QStringList Rates{"1,00", "2,00", "2,50", "3,00", "3,50", "4,75"}, Settings{"0,80", "15", "3"};
QStringList with(QStringList boxes, int i, const QString &text, int j = -1)
{
    boxes[i] = text;
    if (j >= 0)
        boxes[j] = QString();
    return boxes;
}
QString units(const QString &amount) { return QString::number(Money::parse(amount)->units()); }
// The six rates and the minimum charge in units, then the minimum time and the tolerance.
QStringList stored(CafeStore &cafe)
{
    QStringList s;
    for (const Money &m : *cafe.rates())
        s << QString::number(m.units());
    const RateSettings r = *cafe.rateSettings();
    return s << QString::number(r.fixed.units()) << QString::number(r.mintime) << QString::number(r.toltime);
}
} // namespace

// "Hourly Rates" and "Minimum Charge": one row per refusal (the amount forms
// themselves are tst_format's).
class TestTariffWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece)); }
    void update_data()
    {
        QTest::addColumn<QStringList>("typed"); // six rates, or minimum charge, minimum time, tolerance
        QTest::addColumn<QString>("told");
        QTest::addColumn<bool>("stored");
        // clang-format off
        QTest::newRow("all six") << Rates << "Update complete" << true;
        QTest::newRow("rate 6 missing") << with(Rates, 5, {}) << "Rate 6 Was Not Entered" << false;
        QTest::newRow("the first missing is told") << with(Rates, 0, {}, 4) << "Rate 1 Was Not Entered" << false;
        // Letters are never dropped to leave an amount behind.
        QTest::newRow("rate 3 \"1O\"") << with(Rates, 2, "1O") << "Rate 3 Is Not An Amount" << false;
        QTest::newRow("negative rate") << with(Rates, 5, "-1,00") << "Rate 6 Is Not An Amount" << false;
        QTest::newRow("rate beyond the highest price") << with(Rates, 4, "10.000.000,01") << "Rate 5 Is Not An Amount" << false;
        QTest::newRow("all three") << Settings << "Update Complete" << true;
        QTest::newRow("no minimum charge") << with(Settings, 0, "") << "Minimum Charge Rate Was Not Entered " << false;
        QTest::newRow("no minimum time") << with(Settings, 1, "") << "Minimum Time Was Not Entered" << false;
        QTest::newRow("no tolerance") << with(Settings, 2, "") << "Tolerance Time Was Not Entered" << false;
        QTest::newRow("neither: the first is named") << with(Settings, 1, " ", 2) << "Minimum Time Was Not Entered" << false;
        QTest::newRow("charge with a letter") << with(Settings, 0, "2x") << "Minimum Charge Is Not An Amount" << false;
        QTest::newRow("charge beyond the highest price") << with(Settings, 0, "10.000.000,01") << "Minimum Charge Is Not An Amount" << false;
        QTest::newRow("minutes not a number") << with(Settings, 1, "1,5") << "Minimum Time Is Not A Number Of Minutes" << false;
        QTest::newRow("tolerance not a number") << with(Settings, 2, "five") << "Tolerance Is Not A Number Of Minutes" << false;
        QTest::newRow("beyond 16 bits") << QStringList{"0,80", "40000", "600"} << "Update Complete" << true;
        // clang-format on
    }
    void update()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, told);
        QFETCH(bool, stored);
        TempHome home;
        CafeStore cafe;
        QVERIFY(!cafe.open(home.paths().cafeDatabase()));
        const QStringList before = ::stored(cafe);
        ScriptedPrompter prompter;
        const bool rates = typed.size() == 6;
        const std::unique_ptr<QWidget> w(rates ? static_cast<QWidget *>(new RatesWindow(cafe, prompter))
                                               : new RateSettingsWindow(cafe, prompter));
        const QStringList names = rates ? QStringList{"rate1", "rate2", "rate3", "rate4", "rate5", "rate6"}
                                        : QStringList{"fixed", "mintime", "toltime"};
        QStringList expected = before;
        for (int i = 0; i < typed.size(); ++i) {
            QLineEdit *box = child(w.get(), qPrintable(names[i]));
            // The box shows what is stored, amounts in the locale's currency form.
            const qint64 was = before[rates ? i : 6 + i].toLongLong();
            QCOMPARE(box->text(), rates || i == 0 ? Format::currency(Money::fromUnits(was)) : QString::number(was));
            box->setText(typed[i]);
            if (stored)
                expected[rates ? i : 6 + i] = rates || i == 0 ? units(typed[i]) : typed[i];
        }
        click(w.get(), "update");
        QCOMPARE(prompter.texts(), QStringList{told});
        QCOMPARE(::stored(cafe), stored ? expected : before);
    }
};

QTEST_MAIN(TestTariffWindows)
#include "tst_tariffwindows.moc"
