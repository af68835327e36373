#include "CafeFixture.h"
#include "Labels.h"
#include "engine/BillingWindow.h"
#include "ui/Format.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {
// A normal charge of 36 minutes on PC1 with two extras, charged and locked:
// the window shows its bill.
struct Billed : Cafe
{
    QPointer<BillingWindow> window;
    QPointer<Bill> bill;
    qint64 transaction = 0;
    bool ready = false;

    Billed()
    {
        if (!startNormal(pc1))
            return;
        transaction = slot(pc1).transaction;
        cafe.addExtra({0, transaction, QStringLiteral("Coffee"), 2, Money::fromCents(100), Money::fromCents(200)});
        cafe.addExtra({0, transaction, QStringLiteral("Water"), 1, Money::fromCents(50), Money::fromCents(50)});
        clock.advance(36 * 60);
        QObject::connect(engine.get(), &Engine::billOpened, engine.get(), [this](Bill *b) {
            bill = b;
            window = new BillingWindow(b);
            window->show();
        });
        prompter.answer(true);
        engine->startnormal(pc1);
        ready = QTest::qWaitFor([&] { return !window.isNull() && idle(); });
    }
    template <typename T>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *name) const { return find<QLineEdit>(name)->text(); }
    void click(const char *name) const { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
};
} // namespace

class TestBillingWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece)); }
    void showsAndWritesTheBill()
    {
        Billed b;
        QVERIFY(b.ready);
        QVERIFY(QTest::qWaitForWindowExposed(b.window));
        QCOMPARE(b.window->windowTitle(), QStringLiteral("Current Status For PC1"));
        QCOMPARE(b.text("minutes"), QStringLiteral("36"));
        QCOMPARE(b.text("timeUsed"), QStringLiteral("0:36:00"));
        QCOMPARE(b.text("startTime"), QStringLiteral("10:00:00"));
        QCOMPARE(b.text("endTime"), QStringLiteral("10:36:00"));
        QCOMPARE(b.text("transaction"), QString::number(b.transaction));
        QVERIFY(!b.find<QPushButton>("addExtra")->isEnabled());
        // A normal bill: no time left, no reason until the total is cleared.
        QVERIFY(!b.find<QLineEdit>("timeLeft")->isVisible());
        QVERIFY(!b.find<QLineEdit>("reason")->isVisible());
        // Every rate tab shows its rate and fits whole in its frame.
        auto *tabs = b.find<QTabBar>("rates");
        QCOMPARE(tabs->count(), 6);
        QCOMPARE(tabs->tabText(0), Format::currency(Money::fromCents(150)));
        for (int i = 0; i < tabs->count(); ++i) {
            const QRect r = tabs->tabRect(i);
            QVERIFY2(tabs->rect().contains(r), qPrintable(QStringLiteral("tab %1 outside its bar").arg(i)));
            QVERIFY(r.width() > tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)));
        }
        QVERIFY(b.window->rect().contains(QRect(tabs->mapTo(b.window, QPoint(0, 0)), tabs->size())));
        QVERIFY(tabs->parentWidget()->rect().contains(tabs->geometry()));
        const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOTS");
        if (!dir.isEmpty())
            b.window->grab().save(dir + QStringLiteral("/bill.png"));

        b.click("confirm");
        QTRY_VERIFY(b.window.isNull());
        const KinRow row = b.row(b.transaction);
        QVERIFY(!row.enab);
        QCOMPARE(row.endtime, std::optional<QTime>(QTime(10, 36)));
        QCOMPARE(row.timecharged, std::optional<Money>(Money::fromCents(150)));
        QCOMPARE(row.extra, std::optional<Money>(Money::fromCents(250)));
        QCOMPARE(row.total, std::optional<Money>(Money::fromCents(400)));
        QCOMPARE(row.reason, QString());
        QVERIFY(!b.computer(b.pc1).timer);
    }

    void rateTabChangesChargeAndTotal()
    {
        Billed b;
        QVERIFY(b.ready);
        QCOMPARE(b.text("timeCharge"), QStringLiteral("1,50"));
        QCOMPARE(b.text("extras"), QStringLiteral("2,50"));
        QCOMPARE(b.text("total"), QStringLiteral("4,00"));
        auto *tabs = b.find<QTabBar>("rates");
        // Rate 3 is 2,50 an hour: two half-hours of 1,25.
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QCOMPARE(b.text("timeCharge"), QStringLiteral("2,50"));
        QCOMPARE(b.text("total"), QStringLiteral("5,00"));
        b.prompter.answer(true); // close it unconfirmed
        b.window->close();
        QTRY_VERIFY(!b.engine->billOnScreen());

        // The next bill opens on the tab last chosen.
        b.clock.advance(60);
        QVERIFY(b.startNormal(b.pc2));
        b.clock.advance(36 * 60);
        b.prompter.answer(true);
        b.engine->startnormal(b.pc2);
        QTRY_VERIFY(b.window);
        QTRY_COMPARE(b.find<QTabBar>("rates")->currentIndex(), 2);
        QCOMPARE(b.text("timeCharge"), QStringLiteral("2,50"));
    }

    void typingInTheTotalClearsIt()
    {
        Billed b;
        QVERIFY(b.ready);
        QTest::keyClicks(b.find<QLineEdit>("total"), QStringLiteral("9"));
        QCOMPARE(b.text("total"), QStringLiteral("0,00"));
        QVERIFY(b.find<QLineEdit>("reason")->isVisible());
        QVERIFY(b.find<QLabel>("reasonLabel")->isVisible());

        b.click("confirm");
        QCOMPARE(b.prompter.last(), QStringLiteral("No Reason Entered"));
        QVERIFY(b.window->isVisible());
        QVERIFY(b.cafe.transaction(b.transaction)->enab);

        QTest::keyClicks(b.find<QLineEdit>("reason"), QStringLiteral("Owner's friend"));
        b.click("confirm");
        QTRY_VERIFY(b.window.isNull());
        const KinRow row = *b.cafe.transaction(b.transaction);
        QVERIFY(!row.enab);
        QCOMPARE(row.timecharged, std::optional<Money>(Money()));
        QCOMPARE(row.total, std::optional<Money>(Money()));
        QCOMPARE(row.reason, QStringLiteral("Owner's friend"));
        QCOMPARE(row.totaltime, QStringLiteral("0:36:00"));
        QCOMPARE(row.extra, std::optional<Money>(Money::fromCents(250)));
    }

    void extrasPage()
    {
        Billed b;
        QVERIFY(b.ready);
        b.find<QTabWidget>("pages")->setCurrentIndex(1);
        auto *grid = b.find<QTableWidget>("extrasGrid");
        QTRY_COMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("Coffee"));
        QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("2"));
        QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("2,00"));

        b.click("deleteExtra");
        QCOMPARE(b.prompter.last(), QStringLiteral("No Selection"));
        QCOMPARE(grid->rowCount(), 2);

        // Three coffees instead of two.
        grid->item(0, 1)->setText(QStringLiteral("3"));
        QCOMPARE(b.prompter.last(), QStringLiteral("Update Complete"));
        QTRY_COMPARE(grid->item(0, 2)->text(), QStringLiteral("3,00"));
        QCOMPARE(b.text("extras"), QStringLiteral("3,50"));
        QCOMPARE(b.text("total"), QStringLiteral("5,00"));

        grid->item(1, 1)->setText(QStringLiteral("many"));
        QCOMPARE(b.prompter.last(), QStringLiteral(" Only Numbers In This Field"));
        QTRY_COMPARE(grid->item(1, 1)->text(), QStringLiteral("1"));

        grid->selectRow(1);
        b.prompter.clear();
        b.click("deleteExtra");
        QCOMPARE(b.prompter.last(), QStringLiteral("Update Complete"));
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(b.text("extras"), QStringLiteral("3,00"));
        QCOMPARE(b.text("total"), QStringLiteral("4,50"));

        grid->selectRow(0);
        b.click("deleteExtra");
        QCOMPARE(grid->rowCount(), 0);
        // No extras left: the box shows "0".
        QCOMPARE(b.text("extras"), QStringLiteral("0"));
        QCOMPARE(b.text("total"), QStringLiteral("1,50"));
    }

    void everyBoxIsNamed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("normal bill") << "normal";
        QTest::newRow("prepaid bill") << "prepaid";
        QTest::newRow("current status") << "status";
    }
    // One minute used on transaction 1: two boxes read "1", and each must say what it is.
    void everyBoxIsNamed()
    {
        QFETCH(QString, kind);
        Cafe c;
        QPointer<BillingWindow> window;
        QObject::connect(c.engine.get(), &Engine::billOpened, c.engine.get(), [&](Bill *b) {
            window = new BillingWindow(b);
            window->show();
        });
        QVERIFY(kind == "prepaid" ? c.startPrepaid(c.pc1, 60) : c.startNormal(c.pc1));
        c.clock.advance(60);
        if (kind == "prepaid") {
            c.engine->checkPrepaidExpiry(c.pc1);
        } else if (kind == "status") {
            c.engine->currentStatus(c.pc1);
        } else {
            c.prompter.answer(true);
            c.engine->startnormal(c.pc1);
        }
        QTRY_VERIFY(window);
        QCOMPARE(unlabelledBoxes(window), QStringList());
        QStringList names; // as a screen reader says them
        for (QLineEdit *box : window->findChildren<QLineEdit *>())
            if (box->isVisibleTo(window))
                names << spokenName(box);
        QCOMPARE(names.removeDuplicates(), 0);
        QCOMPARE(window->findChild<QLineEdit *>("transaction")->text(), QString("1"));
        QCOMPARE(spokenName(window->findChild<QLineEdit *>("transaction")), QString("Transaction"));
        QCOMPARE(window->findChild<QLineEdit *>("minutes")->text(), QString("1"));
        QCOMPARE(spokenName(window->findChild<QLineEdit *>("minutes")), QString("Minutes"));
        if (const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOTS"); !dir.isEmpty())
            window->grab().save(dir + QStringLiteral("/bill-%1.png").arg(kind));
        c.prompter.answer(true); // closed unconfirmed
        delete window;
    }
};

QTEST_MAIN(TestBillingWindow)
#include "tst_billingwindow.moc"
