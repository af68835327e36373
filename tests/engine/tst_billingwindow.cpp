#include "CafeFixture.h"
#include "Labels.h"
#include "Widgets.h"
#include "engine/BillingWindow.h"
#include "base/Format.h"

#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

namespace {
// A charge of 36 minutes on PC1 ended (with two extras unless `plain`), and
// the window on the bill it opened (a prepaid run out, a status view, a
// Charge And Lock).
struct Billed : Cafe
{
    QPointer<BillingWindow> window;
    qint64 transaction = 0;
    bool ready = false;

    explicit Billed(const QString &kind = "normal", bool plain = false)
    {
        QObject::connect(engine.get(), &Engine::billOpened, engine.get(), [this](Bill *b) {
            window = new BillingWindow(b);
            window->show();
        });
        if (!(kind == "prepaid" ? startPrepaid(pc1, 36 * 60) : startNormal(pc1)))
            return;
        transaction = slot(pc1).transaction;
        if (!plain) {
            cafe.addExtra({0, transaction, QStringLiteral("Coffee"), 2, Money::fromCents(100), Money::fromCents(200)});
            cafe.addExtra({0, transaction, QStringLiteral("Water"), 1, Money::fromCents(50), Money::fromCents(50)});
        }
        clock.advance(36 * 60 + (kind == "prepaid"));
        if (kind == "prepaid")
            engine->checkPrepaidExpiry(pc1);
        else if (kind == "status")
            engine->currentStatus(pc1);
        else
            pressYes(pc1);
        ready = QTest::qWaitFor([&] { return !window.isNull() && idle(); });
    }
    QString text(const char *name) const { return child(window, name)->text(); }
    // The boxes named, their texts joined by blanks.
    QString texts(const QList<const char *> &names) const { return ::texts(window, names).join(' '); }
};
} // namespace

class TestBillingWindow : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece)); }
    void showsAndWritesTheBill()
    {
        Billed b;
        QVERIFY(b.ready && QTest::qWaitForWindowExposed(b.window));
        QCOMPARE(b.window->windowTitle(), QStringLiteral("Current Status For PC1"));
        QCOMPARE(b.texts({"minutes", "timeUsed", "startTime", "endTime", "transaction"}),
                 QStringLiteral("36 0:36:00 10:00:00 10:36:00 %1").arg(b.transaction));
        QVERIFY(!child<QPushButton>(b.window, "addExtra")->isEnabled());
        // A normal bill: no time left, no reason until the total is cleared.
        QVERIFY(!child(b.window, "timeLeft")->isVisible() && !child(b.window, "reason")->isVisible());
        // Every rate tab shows its rate and fits whole in its frame.
        auto *tabs = child<QTabBar>(b.window, "rates");
        QCOMPARE(tabs->count(), 6);
        QCOMPARE(tabs->tabText(0), Format::currency(Money::fromCents(150)));
        for (int i = 0; i < tabs->count(); ++i) {
            const QRect r = tabs->tabRect(i);
            QVERIFY2(tabs->rect().contains(r), qPrintable(QStringLiteral("tab %1 outside its bar").arg(i)));
            QVERIFY(r.width() > tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)));
        }
        QVERIFY(b.window->rect().contains(QRect(tabs->mapTo(b.window, QPoint(0, 0)), tabs->size())));
        QVERIFY(tabs->parentWidget()->rect().contains(tabs->geometry()));
        click(b.window, "confirm");
        QTRY_VERIFY(b.window.isNull());
        // With the extras; the rest of the closed row: tst_engine.
        const KinRow row = b.row(b.transaction);
        QVERIFY(!row.enab && row.reason.isEmpty());
        QCOMPARE(row.extra, std::optional<Money>(Money::fromCents(250)));
        QCOMPARE(row.total, std::optional<Money>(Money::fromCents(400)));
    }

    void rateTabChangesChargeAndTotal()
    {
        Billed b;
        QVERIFY(b.ready);
        QCOMPARE(b.texts({"timeCharge", "extras", "total"}), QStringLiteral("1,50 2,50 4,00"));
        auto *tabs = child<QTabBar>(b.window, "rates");
        // Rate 3 is 2,50 an hour: two half-hours of 1,25.
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QCOMPARE(b.texts({"timeCharge", "total"}), QStringLiteral("2,50 5,00"));
        b.prompter.answer(true); // close it unconfirmed
        b.window->close();
        QTRY_VERIFY(!b.engine->billOnScreen());
        // The next bill opens on the tab last chosen.
        QVERIFY(b.startNormal(b.pc2));
        b.clock.advance(36 * 60);
        b.pressYes(b.pc2);
        QTRY_VERIFY(b.window);
        QTRY_COMPARE(child<QTabBar>(b.window, "rates")->currentIndex(), 2);
        QCOMPARE(b.text("timeCharge"), QStringLiteral("2,50"));
    }

    // The cleared state is the bill's, not a text: in a point locale too the
    // total reads zero in that locale's form and nothing is charged.
    void typingInTheTotalClearsIt_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("zero");
        QTest::newRow("comma") << "el_GR" << "0,00";
        QTest::newRow("point") << "en_US" << "0.00";
    }
    void typingInTheTotalClearsIt()
    {
        QFETCH(QString, locale);
        QFETCH(QString, zero);
        QLocale::setDefault(QLocale(locale));
        Billed b;
        QVERIFY(b.ready);
        QTest::keyClicks(child(b.window, "total"), QStringLiteral("9"));
        QCOMPARE(b.text("total"), zero);
        QVERIFY(child(b.window, "reason")->isVisible() && child<QLabel>(b.window, "reasonLabel")->isVisible());
        click(b.window, "confirm");
        QCOMPARE(b.prompter.last(), QStringLiteral("No Reason Entered"));
        QVERIFY(b.window->isVisible() && b.row(b.transaction).enab);
        QTest::keyClicks(child(b.window, "reason"), QStringLiteral("Owner's friend"));
        click(b.window, "confirm");
        QTRY_VERIFY(b.window.isNull());
        const KinRow row = b.row(b.transaction);
        QVERIFY(!row.enab && row.reason == "Owner's friend" && row.totaltime == "0:36:00");
        QVERIFY(row.timecharged == Money() && row.total == Money() && row.extra == Money::fromCents(250));
    }

    void extrasPage()
    {
        Billed b;
        QVERIFY(b.ready);
        child<QTabWidget>(b.window, "pages")->setCurrentIndex(1);
        auto *grid = child<QTableWidget>(b.window, "extrasGrid");
        QTRY_COMPARE(grid->rowCount(), 2);
        QCOMPARE(grid->item(0, 0)->text() + ' ' + grid->item(0, 1)->text() + ' ' + grid->item(0, 2)->text(),
                 QStringLiteral("Coffee 2 2,00"));
        click(b.window, "deleteExtra");
        QVERIFY(b.prompter.last() == "No Selection" && grid->rowCount() == 2);
        // Three coffees instead of two.
        grid->item(0, 1)->setText(QStringLiteral("3"));
        QCOMPARE(b.prompter.last(), QStringLiteral("Update Complete"));
        QTRY_COMPARE(grid->item(0, 2)->text(), QStringLiteral("3,00"));
        QCOMPARE(b.texts({"extras", "total"}), QStringLiteral("3,50 5,00"));
        // Not a number, or more than any café sells (a held-down key): refused, the line kept.
        for (const char *typed : {"many", "10001", "600000000000000"}) {
            b.prompter.clear();
            grid->item(1, 1)->setText(QString::fromLatin1(typed));
            QCOMPARE(b.prompter.texts(), QStringList{QStringLiteral(" Only Numbers In This Field")});
            QTRY_COMPARE(grid->item(1, 1)->text(), QStringLiteral("1"));
        }
        for (const QString shown : {"3,00 4,50", "0 1,50"}) { // no extras left: the box shows "0"
            grid->selectRow(grid->rowCount() - 1);
            click(b.window, "deleteExtra");
            QCOMPARE(b.prompter.last(), QStringLiteral("Update Complete"));
            QCOMPARE(b.texts({"extras", "total"}), shown);
        }
        QCOMPARE(grid->rowCount(), 0);
        click(b.window, "confirm");
        QTRY_VERIFY(b.window.isNull());
        QCOMPARE(b.row(b.transaction).total, std::optional(Money::fromCents(150)));
    }

    // Confirming sums the extras again with the write; a bill that cannot
    // hold them, or shows others, is not closed.
    void confirmSumsTheExtrasAgain_data()
    {
        QTest::addColumn<QString>("spoil");    // done to the books while the bill is shown
        QTest::addColumn<QStringList>("told"); // at the first and the second Confirm; none: confirmed
        const QString changed = "shows other extras than the books hold", limit = "more than 100.000.000.000,00";
        // clang-format off
        QTest::newRow("unreadable") << "ALTER TABLE extra RENAME TO unreadable" << QStringList{"cannot be summed", "cannot be summed"};
        QTest::newRow("beyond the limit") << "UPDATE extra SET itemquant = 10000, itemprice = 100000000000, charge = 1000000000000000" << QStringList{"come to " + limit, "come to " + limit};
        QTest::newRow("changed") << "DELETE FROM extra WHERE itemdesc = 'Water'" << QStringList{changed};
        QTest::newRow("total beyond the limit") << "UPDATE extra SET itemquant = 10000, itemprice = 50000000000, charge = 500000000000000" << QStringList{changed, "The total of PC1 is " + limit};
        // clang-format on
    }
    void confirmSumsTheExtrasAgain()
    {
        QFETCH(QString, spoil);
        QFETCH(QStringList, told);
        Billed b;
        QVERIFY(b.ready && b.cafe.exec(spoil));
        for (const QString &refusal : told) {
            b.prompter.clear();
            click(b.window, "confirm");
            QVERIFY2(b.prompter.texts().size() == 1 && b.prompter.last().contains(refusal),
                     qPrintable(b.prompter.last()));
            QVERIFY(b.window && b.row(b.transaction).enab && !b.row(b.transaction).total);
        }
        if (told.size() == 2)
            return;
        const QString shown = b.texts({"extras", "total"}); // what the bill now shows is what is stored
        click(b.window, "confirm");
        QTRY_VERIFY(b.window.isNull());
        const KinRow row = b.row(b.transaction);
        QCOMPARE(Format::amount(*row.extra) + ' ' + Format::amount(*row.total), shown);
    }

    // Two boxes read "1" (one minute on transaction 1): each must say what it is.
    void everyBoxIsNamed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("normal bill") << "normal";
        QTest::newRow("prepaid bill") << "prepaid";
        QTest::newRow("current status") << "status";
    }
    void everyBoxIsNamed()
    {
        QFETCH(QString, kind);
        Billed b(kind, true);
        QVERIFY(b.ready);
        QCOMPARE(unlabelledBoxes(b.window), QStringList());
        QStringList names; // as a screen reader says them
        for (QLineEdit *box : b.window->findChildren<QLineEdit *>())
            if (box->isVisibleTo(b.window))
                names << spokenName(box);
        QCOMPARE(names.removeDuplicates(), 0);
        QCOMPARE(spokenName(child(b.window, "transaction")) + ' ' + spokenName(child(b.window, "minutes")),
                 QString("Transaction Minutes"));
        b.prompter.answer(true); // closed unconfirmed
        delete b.window;
    }
};

QTEST_MAIN(TestBillingWindow)
#include "tst_billingwindow.moc"
