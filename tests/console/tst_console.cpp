// The whole console after a login, offscreen, against real client agents:
// clicks on the map and pop-up entries reach the clients and the books.
#include "ConsoleFixture.h"
#include "Labels.h"
#include "Widgets.h"
#include "admin/LoginWindow.h"
#include "base/Format.h"
#include "catalogue/ExtrasWindow.h"
#include "catalogue/ProductGridView.h"
#include "customers/CustomerWindow.h"
#include "customers/NewUserDialog.h"
#include "link/LogonPort.h"
#include "link/MessageWindow.h"
#include "engine/TransferWindow.h"
#include "reports/PrinterLogWindow.h"
#include "store/CustomerStore.h"
#include "store/PictureLoader.h"
#include "store/SqlStore.h"

#include <QNetworkDatagram>
#include <QTableView>
#include <QUdpSocket>

namespace {
using Console = LiveConsole;

// The name's tool tip after the pointer went over it.
QString hoverTip(Console &c, int i)
{
    emit c.window().nameHovered(int(c.pcs.at(i)));
    return c.map()->tip(int(c.pcs.at(i)));
}

// Anna Lee's account (PIN 4321) as the folder's customer book holds it,
// first added with an hour of credit when `add`; empty when it cannot be.
CustomerRow anna(Console &c, bool add = false)
{
    CustomerStore users;
    if (users.open(c.home.paths().customerDatabase())
        || (add && !users.addAccount({0, "Anna", "Lee", "210", "4321", 60, 0, 60, false, {}})))
        return {};
    return users.accounts()->value(0);
}
} // namespace

class TestConsole : public QObject
{
    Q_OBJECT
private slots:
    void startsWithEveryService()
    {
        Console c(3);
        QVERIFY(c.open(Login::Role::Cashier));
        QCOMPARE(c.window().panel(1), QString("User: User"));
        QVERIFY(c.map()->computers().size() == 3 && c.engine().slotKeys().size() == 3);
        QVERIFY(c.console->logon().isListening() && !c.window().action(MenuEntry::Settings)->isEnabled());
        QVERIFY(c.console->serviceProblems().isEmpty() && c.prompter.said().isEmpty());
    }

    // Prepaid time from the pop-up: stopped by the operator, or run out one bill at a time.
    void prepaidFromThePopup()
    {
        Console c(3);
        QVERIFY(c.startAgents() && c.open());
        c.prompter.answer(true);
        c.popup(MenuEntry::Prepay60, 2);
        QTRY_COMPARE(c.lastCommand(2), QString("t3900"));
        QTRY_VERIFY(hoverTip(c, 2).startsWith("TIME LEFT "));
        // What the stop bills and sends: tst_engine and the e2e wire table.
        c.prompter.answer(true);
        c.popup(MenuEntry::StopPrepaid, 2);
        QTRY_VERIFY(c.bill());
        QVERIFY(hoverTip(c, 2).isEmpty());
        QTRY_COMPARE(c.lastCommand(2), QString("stoppc"));
        QTest::mouseClick(c.bill()->findChild<QPushButton *>("confirm"), Qt::LeftButton);
        QTRY_VERIFY(!c.bill());

        for (int i = 0; i < 2; ++i) {
            c.prompter.answer(true);
            c.popup(MenuEntry::Prepay30, i);
            QTRY_COMPARE(c.slot(i).state, SlotState::Prepaid);
            // Tolerance 5 minutes on top of the half hour.
            QTRY_COMPARE(c.lastCommand(i), QString("t2100"));
        }
        QVERIFY(hoverTip(c, 0).startsWith("TIME LEFT ") && hoverTip(c, 1).startsWith("TIME LEFT "));

        c.clock.advance(2100);
        QTRY_VERIFY(c.bill());
        // The other computer's expiry waits while a bill is on screen: tst_engine.
        QPointer<BillingWindow> first = c.bill(); // a later window may reuse its address
        QTest::mouseClick(first->findChild<QPushButton *>("confirm"), Qt::LeftButton);
        QTRY_VERIFY(c.bill() && c.bill() != first);
        QTRY_VERIFY(c.slot(0).isFree() && c.slot(1).isFree());
        // An ended charge leaves no time left behind on the free computers.
        QCOMPARE(hoverTip(c, 0) + hoverTip(c, 1), QString());
        // The clients counted down themselves: no lock command was sent.
        QCOMPARE(c.lastCommand(0), QString("t2100"));
    }

    void busyLogonPortIsToldOnce()
    {
        Console c;
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::AnyIPv4, c.ports.logon));
        QVERIFY(c.open());
        QCOMPARE(c.console->serviceProblems().size(), 1);
        QTRY_COMPARE(c.prompter.said().size(), 1);
        QVERIFY(c.prompter.last().contains(QString::number(c.ports.logon)));
        // The console goes on with its map.
        QVERIFY(c.prompter.said().first().icon == Prompter::Icon::Warning && c.map()->computers().size() == 2);
    }

    void transferFromThePopup()
    {
        Console c;
        QVERIFY(c.startAgents() && c.open());
        c.clickYes(0);
        QTRY_COMPARE(c.lastCommand(0), QString("startpc"));
        c.clock.advance(125);
        c.popup(MenuEntry::Transfer, 0);
        TransferWindow *t = nullptr;
        QTRY_VERIFY((t = c.window().findChild<TransferWindow *>()) && t->isVisible());
        QCOMPARE(unlabelledBoxes(t), QStringList());
        auto *combo = t->findChild<QComboBox *>();
        combo->setCurrentIndex(combo->findText("PC2"));
        c.prompter.answer(true);
        QTest::mouseClick(button(t, "OK"), Qt::LeftButton);
        // Both ends over the real channels; the rest of the move: tst_transfer.
        QTRY_COMPARE(c.lastCommand(1), QString("m125"));
        QTRY_COMPARE(c.lastCommand(0), QString("stoppc"));
    }

    void messagesAndCommandsToAll()
    {
        Console c;
        // Datagrams to a loopback address instead of the group: no multicast here.
        c.ports.group = QHostAddress(linktest::address(7, 200));
        QUdpSocket receiver;
        QVERIFY(receiver.bind(c.ports.group, c.ports.broadcastRemote));
        QVERIFY(c.startAgents() && c.open());

        c.prompter.answer(true);
        c.window().action(MenuEntry::ToolbarUnlock)->trigger();
        QCOMPARE(c.prompter.last(), QString("Unlock All Computers ?"));
        QTRY_VERIFY(receiver.hasPendingDatagrams());
        QCOMPARE(receiver.receiveDatagram().data(), QByteArray("terminate"));
        c.window().action(MenuEntry::ToolbarShutDown)->trigger(); // answered No
        QCOMPARE(c.prompter.last(), QString("ShutDown All Computers ?"));
        QTest::qWait(100);
        QVERIFY(!receiver.hasPendingDatagrams());

        // Messages are offered for a running computer.
        c.clickYes(1);
        QTRY_COMPARE(c.lastCommand(1), QString("startpc"));
        c.popup(MenuEntry::Message, 1);
        MessageWindow &m = c.console->messageWindow();
        QVERIFY(m.isVisible() && unlabelledBoxes(&m).isEmpty());
        m.findChild<QPlainTextEdit *>()->setPlainText(QString::fromUtf8("Καλημέρα"));
        QTest::mouseClick(button(&m, "Send"), Qt::LeftButton);
        QTRY_COMPARE(c.agents.at(1)->last("message").value("text").toString(), QString::fromUtf8("Καλημέρα"));

        // A broadcast that cannot leave says why, not that a port is closed.
        m.openForAll();
        m.findChild<QPlainTextEdit *>()->setPlainText(QString(70000, QLatin1Char('x')));
        QTest::mouseClick(button(&m, "Send"), Qt::LeftButton);
        QVERIFY2(c.prompter.last().contains("too large", Qt::CaseInsensitive), qPrintable(c.prompter.last()));
    }

    // A customer's start that cannot reach the computer is told, and the
    // account is not left marked in use: the console wires the engine's
    // failure back to the logon service.
    void undeliveredAccountStartFreesTheAccount()
    {
        Console c(1);
        QVERIFY(anna(c, true).aa);
        QVERIFY(c.open()); // no client runs on PC1
        c.console->logon().handleRequest(linktest::address(7, 11), "4321");
        QTRY_VERIFY2(c.prompter.last().startsWith("Communication Error With PC1\n"), qPrintable(c.prompter.last()));
        QVERIFY(!anna(c).timer && anna(c).aa && c.slot(0).isFree());
    }

    void logonStoreErrorIsToldOnceWithItsCause()
    {
        Console c;
        QVERIFY(c.open());
        {
            SqlStore breaker;
            QVERIFY(!breaker.open(c.home.paths().customerDatabase()) && breaker.exec("DROP TABLE users"));
        }
        QTest::qWait(20); // the start-up's own messages
        c.prompter.clear();
        for (const QByteArray pin : {"1234", "5678"})
            c.console->logon().handleRequest(linktest::address(7, 11), pin);
        QTRY_VERIFY(!c.prompter.said().isEmpty());
        QTest::qWait(20);
        QCOMPARE(c.prompter.said().size(), 1);
        QVERIFY2(c.prompter.last().contains("users"), qPrintable(c.prompter.last()));
    }

    // The Users menu opens the customer desk for both roles, one window of
    // each kind, clear of the map, also those the desk opens; the card log
    // is the administrator's, under Transactions. Delete follows a change
    // of operator at once.
    void customerDeskFromTheMenus_data()
    {
        QTest::addColumn<bool>("cashier");
        QTest::newRow("administrator") << false;
        QTest::newRow("cashier") << true;
    }
    void customerDeskFromTheMenus()
    {
        QFETCH(bool, cashier);
        Console c(1);
        QVERIFY(anna(c, true).aa);
        QVERIFY(c.open(cashier ? Login::Role::Cashier : Login::Role::Admin));
        MainWindow &w = c.window();
        w.action(MenuEntry::ShowUsers)->trigger();
        w.action(MenuEntry::ShowUsers)->trigger();
        auto *desk = qobject_cast<CustomerWindow *>(w.openWindow(MenuEntry::ShowUsers));
        QVERIFY(desk && desk->isVisible());
        QCOMPARE(bool(button(desk, "Delete")), !cashier);
        w.action(MenuEntry::NewUser)->trigger();
        button(desk, "Add New")->click();
        QCOMPARE(w.findChildren<NewUserDialog *>().size(), 1);
        QVERIFY(w.openWindow(MenuEntry::NewUser)->isVisible() && c.clearOfTheMap(w.openWindow(MenuEntry::NewUser)));
        auto *grid = desk->findChild<QTableView *>();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 1)).center());
        // Time sold at the other counter shows on the chosen account here (books on a server).
        if (c.home.paths().booksOnServer()) {
            CustomerStore other;
            QVERIFY(!other.open(c.home.paths().customerDatabase()) && other.credit(1, anna(c).aa, 30));
            QTRY_COMPARE_WITH_TIMEOUT(desk->findChild<QLineEdit *>("timeLeft")->text(), Format::minutes(90), 1000);
        }
        button(desk, "Print Card")->click();
        QVERIFY(desk->cardWindow() && desk->cardWindow()->isVisible() && c.clearOfTheMap(desk->cardWindow()));
        QVERIFY(w.action(MenuEntry::PrinterHistory)->isEnabled()); // its menu follows the role: tst_login
        if (!cashier) {
            w.action(MenuEntry::PrinterHistory)->trigger();
            QVERIFY(qobject_cast<PrinterLogWindow *>(w.openWindow(MenuEntry::PrinterHistory)));
        }
        QVERIFY(c.prompter.said().isEmpty());
        w.applyLogin(cashier ? Login::Role::Admin : Login::Role::Cashier, true);
        QCOMPARE(bool(button(desk, "Delete")), cashier);
    }

    // The administrator leaves the tariff windows open and lets the cashier
    // take over: they go, and nothing the cashier types there is stored.
    void cashierSwitchWithTariffWindowsOpen()
    {
        Console c;
        QVERIFY(c.open());
        MainWindow &w = c.window();
        for (int twice = 0; twice < 2; ++twice)
            for (MenuEntry e : {MenuEntry::Rates, MenuEntry::MinimumCharge, MenuEntry::Misc, MenuEntry::SwitchCashier})
                w.action(e)->trigger();
        w.action(MenuEntry::ToolbarCashier)->trigger();
        QList<QDialog *> open = w.findChildren<QDialog *>();
        open.removeIf([](QDialog *d) { return !d->isVisible(); });
        QCOMPARE(open.size(), 4); // one of each
        for (QDialog *window : open)
            QVERIFY(unlabelledBoxes(window).isEmpty());
        QPointer<QWidget> rates = w.openWindow(MenuEntry::Rates), fixrate = w.openWindow(MenuEntry::MinimumCharge);
        rates->findChild<QLineEdit *>("rate1")->setText("0,10");
        fixrate->findChild<QLineEdit *>("fixed")->setText("0,00");
        auto *login = qobject_cast<LoginWindow *>(w.openWindow(MenuEntry::SwitchCashier));
        login->accountList()->setCurrentText("user");
        login->passwordField()->setText("dask");
        QTest::mouseClick(login->okButton(), Qt::LeftButton); // its role at once: tst_login
        QTRY_VERIFY(rates.isNull() && fixrate.isNull() && !w.openWindow(MenuEntry::Misc));
        CafeStore &cafe = c.console->cafe();
        QVERIFY(cafe.rates()->first() == Money::fromCents(150) && cafe.rateSettings()->fixed == Money::fromCents(50));
    }

    // A normal charge from the map: products sold from the pop-up and from
    // the bill land on its transaction; the bill shows each sale at once,
    // clear of the map, and the books agree. The questions are tst_engine's,
    // the wire texts tst_e2e_charges'.
    void normalChargeWithExtras()
    {
        Console c;
        QVERIFY(c.startAgents());
        {
            CafeStore cafe;
            cafe.open(c.home.paths().cafeDatabase());
            (void)cafe.addCategory("Drinks");
            for (const auto &[name, cents] : {std::pair("Coffee", 250), std::pair("Water", 80), std::pair("Tea", 100)})
                (void)cafe.addProduct({0, name, Money::fromCents(cents), "Drinks"});
        }
        QVERIFY(c.open());
        auto extras = [&c]() -> ExtrasWindow * {
            for (ExtrasWindow *x : c.window().findChildren<ExtrasWindow *>())
                if (x->isVisible())
                    return x;
            return nullptr;
        };
        auto sell = [](ExtrasWindow *x, int row) {
            auto *combo = x->findChild<QComboBox *>();
            combo->setCurrentIndex(combo->findText("Drinks"));
            clickRow(x->findChild<ProductGridView *>(), row, 0, true);
        };
        auto boxes = [&c] { return child(c.bill(), "extras")->text() + ' ' + child(c.bill(), "total")->text(); };
        auto sums = [](int extra, int total) {
            return Format::amount(Money::fromCents(extra)) + ' ' + Format::amount(Money::fromCents(total));
        };
        c.clickYes(0);
        QTRY_COMPARE(c.lastCommand(0), QString("startpc"));
        QTRY_COMPARE(c.slot(0).state, SlotState::Normal);
        QCOMPARE(c.map()->picture(int(c.pcs[0])).convertToFormat(QImage::Format_ARGB32),
                 PictureLoader::shipped(Picture::Normal).convertToFormat(QImage::Format_ARGB32));

        c.popup(MenuEntry::Extra, 0);
        QTRY_VERIFY(extras());
        sell(extras(), 0); // what it tells: tst_catalogue
        QTRY_VERIFY(!extras());

        // The tool tip of the hovered name tells its own computer's use.
        c.clock.advance(36 * 60);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(c.map()->label(int(c.pcs[0])), &enter);
        QTest::mouseMove(c.map()->label(int(c.pcs[0])));
        QTRY_COMPARE((QStringList{c.map()->tip(int(c.pcs[0])), c.map()->tip(int(c.pcs[1]))}),
                     (QStringList{"START TIME: 10:00:00 CURRENT TIME USED: 0:36:00", ""}));

        c.clickYes(0);
        QTRY_VERIFY(c.bill());
        QVERIFY(c.clearOfTheMap(c.bill()) && c.slot(0).isFree());
        QCOMPARE(boxes(), sums(250, 400));
        // The same product again is refused there: tst_catalogue; the bill's extras page: tst_billingwindow.
        QTest::mouseClick(c.bill()->findChild<QPushButton *>("addExtra"), Qt::LeftButton);
        QTRY_VERIFY(extras());
        sell(extras(), 1);
        QTRY_VERIFY(!extras());
        QCOMPARE(boxes(), sums(330, 480));

        // Confirmed while the extras window is open: the sum is in the books, nothing more is.
        QTest::mouseClick(c.bill()->findChild<QPushButton *>("addExtra"), Qt::LeftButton);
        QTRY_VERIFY(extras());
        ExtrasWindow *late = extras();
        QTest::mouseClick(c.bill()->findChild<QPushButton *>("confirm"), Qt::LeftButton);
        QTRY_VERIFY(!c.bill());
        sell(late, 2);
        QVERIFY(c.prompter.last().startsWith("The bill of PC1 has been confirmed"));
        const KinRow row = *c.console->cafe().transaction(1);
        QVERIFY(row.extra == Money::fromCents(330) && row.total == Money::fromCents(480));
        QCOMPARE(c.console->cafe().extras(1)->size(), 2);
    }
};

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
