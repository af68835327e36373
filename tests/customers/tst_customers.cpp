// The customer desk offscreen, through its windows: new accounts and their
// checks, the PIN, topping up with the press-and-hold picker, deleting with
// the transactions, the printed card and its log.
#include "CafeFixture.h"
#include "Files.h"
#include "PdfText.h"
#include "Widgets.h"
#include "base/Format.h"
#include "customers/CustomerAccounts.h"
#include "customers/CustomerWindow.h"
#include "customers/PrintTargetDialog.h"
#include "reports/PrinterLogWindow.h"
#include "store/DatabaseCopy.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <array>
#include <cmath>

namespace {
QStringList s_messages; // everything the program logged
QtMessageHandler s_shown = nullptr;
void keep(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    // The test's own seed line is not the program's, and its digits may hold a PIN.
    if (!text.startsWith(QLatin1String("PIN seed ")))
        s_messages << text;
    s_shown(type, context, text);
}
bool logged(const QString &pin) { return !s_messages.filter(pin).isEmpty(); }

struct Desk : Cafe
{
    quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random{seed};
    QList<double> scripted; // draws handed out before the seeded ones
    CustomerAccounts accounts{customers, cafe, clock,
                              [this] { return scripted.isEmpty() ? random.generateDouble() : scripted.takeFirst(); }};
    QString pdf = home.path() + QStringLiteral("/card.pdf");
    PdfPrintTargetDialog target{pdf};
    bool cashier = false;
    std::unique_ptr<CustomerWindow> window;

    Desk() { qInfo("PIN seed %u", seed); }
    CustomerWindow &open()
    {
        window = std::make_unique<CustomerWindow>(accounts, prompter, clock, target, home.paths().printLog(),
                                                  [this] { return QString(cashier ? "user" : "admin"); });
        window->show();
        // Active, as at the counter: the grid takes the focus, which chooses nobody.
        window->activateWindow();
        (void)QTest::qWaitForWindowActive(window.get());
        return *window;
    }
    qint64 add(const QString &name, const QString &last, const QString &pin, qint64 left, qint64 used = 0)
    {
        return customers.addAccount({0, name, last, "210 555", pin, left + used, used, left, false, {}}).value_or(0);
    }
    qint64 addUse(const QString &pin, const QDate &day, bool open = false)
    {
        const KinRow k{.computer = "PC2", .startdate = day, .starttime = QDateTime(day, QTime(9, 0)),
                       .userenab = open, .userpin = pin, .type = "user"};
        return cafe.appendTransaction(k).value_or(0);
    }
    // Logged on now at PC2, as the logon service marks it.
    void inUse(qint64 aa)
    {
        CustomerRow r = account(aa);
        r.timer = true;
        r.pcused = QStringLiteral("127.0.0.12");
        customers.updateAccount(r);
    }
    QList<CustomerRow> all() { return customers.accounts().value_or(QList<CustomerRow>()); }
    QString text(const char *name) { return child(window.get(), name)->text(); }
    bool shown(const char *name) { return child<QWidget>(window.get(), name)->isVisible(); }
    // Answers "Amount Paid" with the amount offered, or `amount` and `reason` when given.
    void pay(QWidget *payment, const QString &amount = {}, const QString &reason = {})
    {
        QVERIFY(payment && payment->isVisible());
        if (!amount.isNull())
            child(payment, "amountPaid")->setText(amount);
        child(payment, "reason")->setText(reason);
        click(payment, "ok");
    }
    // One line per sale of the account, as the customer window lists them.
    QStringList sales(qint64 aa)
    {
        QStringList lines;
        for (const TimeSaleRow &r : cafe.salesOf(aa).value_or(QList<TimeSaleRow>()))
            lines << QStringLiteral("%1 %2 %3 %4")
                         .arg(Format::minutes(r.minutes), Format::amount(r.amount), r.seller, r.reason)
                         .trimmed();
        return lines;
    }
    void select(int row) { clickRow(child<QTableView>(window.get(), "customerGrid"), row, 1); }
};
} // namespace

class TestCustomers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { s_shown = qInstallMessageHandler(keep); }

    // The checks of "New User" in their order; the first failing one speaks.
    // The duplicate test folds letter case in every alphabet; apostrophes
    // and blanks are data; the window closes on it.
    void newUserChecks_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, last name, telephone, hours, minutes
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("focus");     // the field that gets the focus; 0 none, -1 the window closes
        QTest::addColumn<qint64>("stored"); // minutes of the new account, -1: none
        const QString numbers = "Only Numbers Are Accepted In This Field", none = "No Time Was Entered";
        using L = QStringList;
        QTest::newRow("no name") << L{"", "", "", "x", "x"} << "No Name Was Entered" << 1 << -1LL;
        QTest::newRow("blank name") << L{"  ", "B", "1", "1", "0"} << "No Name Was Entered" << 1 << -1LL;
        QTest::newRow("no last name") << L{"A", "", "", "x", "x"} << "No Last Name Was Entered" << 2 << -1LL;
        QTest::newRow("no telephone") << L{"A", "B", "", "x", "x"} << "No Telephone Number Was Entered" << 3 << -1LL;
        QTest::newRow("hours not numeric") << L{"A", "B", "1", "x", "y"} << numbers << 4 << -1LL;
        QTest::newRow("negative hours") << L{"A", "B", "1", "-1", "0"} << numbers << 4 << -1LL;
        QTest::newRow("minutes not numeric") << L{"A", "B", "1", "1", "1e2"} << numbers << 5 << -1LL;
        QTest::newRow("60 minutes") << L{"A", "B", "1", "1", "60"} << "Please Use Less Than 59 Minutes" << 0 << -1LL;
        QTest::newRow("00 and 00") << L{"A", "B", "1", "00", "00"} << none << 0 << -1LL;
        QTest::newRow("59 minutes") << L{"A", "B", "1", "00", "59"} << "" << 0 << 59LL;
        QTest::newRow("0 and 0") << L{"A", "B", "1", "0", "0"} << "" << 0 << 0LL;
        QTest::newRow("an hour and a half") << L{"A", "B", "1", "1.5", "00"} << "" << 0 << 90LL;
        QTest::newRow("decimal comma") << L{"A", "B", "1", "1,5", "10"} << "" << 0 << 100LL;
        QTest::newRow("a fraction to the minute") << L{"A", "B", "1", "0.01", "0"} << "" << 0 << 1LL;
        // An empty field is only filled in with 00; the next press goes on.
        QTest::newRow("hours empty") << L{"A", "B", "1", "", "7"} << "" << 0 << 7LL;
        QTest::newRow("both empty") << L{"A", "B", "1", "", ""} << none << 0 << -1LL;
        // clang-format off
        QTest::newRow("Greek capitals: exists") << L{"ΕΛΈΝΗ", "O'BRIEN", "1", "", "30"} << "ΕΛΈΝΗ O'BRIEN Already Exists" << -1 << -1LL;
        // clang-format on
        QTest::newRow("other last name") << L{"Ελένη", "O Brien", "1", "", "30"} << "" << 0 << 30LL;
        QTest::newRow("blanks inside") << L{"Ελένη Μαρία", "O'Brien", "1", "", "30"} << "" << 0 << 30LL;
    }
    void newUserChecks()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(int, focus);
        QFETCH(qint64, stored);
        Desk d;
        d.add("ελένη", "o'brien", "1234", 30);
        CustomerWindow &w = d.open();
        w.addNew();
        QPointer<NewUserDialog> n = w.newUserDialog();
        QVERIFY(n && n->isVisible());
        const auto field = [&n](int i) {
            return child(n, std::array{"name", "lastName", "telephone", "hours", "minutes"}[i - 1]);
        };
        for (int i = 0; i < 5; ++i)
            field(i + 1)->setText(typed[i]);
        n->activateWindow();
        click(n, "add");
        if (typed[3].isEmpty()) {
            QCOMPARE(field(4)->text(), QString("00"));
            QVERIFY(d.all().size() == 1 && d.prompter.said().isEmpty());
        }
        for (int press = 0; press < 2 && n && n->isVisible() && !n->paymentDialog() && d.prompter.said().isEmpty();
             ++press)
            click(n, "add");
        if (stored > 0)
            d.pay(n->paymentDialog());
        QCOMPARE(d.prompter.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (focus > 0)
            QTRY_COMPARE(QApplication::focusWidget(), field(focus));
        if (stored < 0) {
            QCOMPARE(d.all().size(), 1);
            if (focus < 0)
                QTRY_VERIFY(!w.newUserDialog());
            else
                QVERIFY(n && n->isVisible());
            return;
        }
        QTRY_VERIFY(!w.newUserDialog());
        const CustomerRow added = d.all().value(1);
        QCOMPARE((QList<qint64>{added.time, added.timeleft, added.usedtime}), (QList<qint64>{stored, stored, 0}));
        QVERIFY(QRegularExpression("^[0-9]{1,7}$").match(added.password).hasMatch());
        // Offered what a charge that long costs: 0,75 a started half-hour after 5 minutes' grace, 0,50 up to 10.
        const QMap<qint64, qint64> cents{{1, 50}, {7, 50}, {30, 75}, {59, 150}, {90, 225}, {100, 300}};
        QCOMPARE(d.sales(added.aa), stored ? QStringList{Format::minutes(stored) + ' '
                                                         + Format::amount(Money::fromCents(cents[stored])) + " admin"}
                                           : QStringList());
        QCOMPARE(w.findChild<QTableView *>()->model()->rowCount(), 2); // the grid is read again
    }

    // A PIN already held by an account, or left on transactions, is drawn
    // again; a draw reaches every number of up to seven digits.
    void pinIsDrawnAgainUntilFree()
    {
        Desk d;
        d.add("Old", "Customer", "5000000", 10);
        d.addUse("2500000", Day);
        d.scripted = {0.5, 0.25, std::nextafter(1.0, 0.0)};
        const Result<qint64> aa = d.accounts.addUser("New", "Customer", "1", 60, {Money::fromCents(300), {}, "user"});
        QVERIFY(aa);
        QCOMPARE(d.account(*aa).password, QStringLiteral("9999999"));
        QCOMPARE(CustomerAccounts::pinFrom(0.0), qint64(0));
    }

    // Times as HH:MM; 1 minute or less left shows on red. The cashier
    // neither sees Delete nor can reveal the PIN.
    void selected_data()
    {
        QTest::addColumn<bool>("cashier");
        QTest::addColumn<qint64>("left");
        QTest::addColumn<qint64>("used");
        QTest::addColumn<QString>("shown"); // time left and time used
        QTest::addColumn<bool>("red");
        QTest::newRow("1 minute, administrator") << false << 1LL << 75LL << "00:01 01:15" << true;
        QTest::newRow("nothing, cashier") << true << 0LL << 0LL << "00:00 00:00" << true;
        QTest::newRow("overdrawn") << false << -3LL << 10LL << "-00:03 00:10" << true;
        QTest::newRow("2 minutes") << false << 2LL << 0LL << "00:02 00:00" << false;
        QTest::newRow("ten hours, cashier") << true << 600LL << 59LL << "10:00 00:59" << false;
    }
    void selected()
    {
        QFETCH(bool, cashier);
        QFETCH(qint64, left);
        QFETCH(qint64, used);
        QFETCH(QString, shown);
        QFETCH(bool, red);
        Desk d;
        d.cashier = cashier;
        d.add("Anna", "Lee", "765432", left, used);
        d.open();
        QVERIFY(!d.shown("addTimeButton") && d.shown("deleteCustomer") == !cashier);
        d.select(0);
        QCOMPARE(d.text("name") + ' ' + d.text("timeLeft") + ' ' + d.text("timeUsed"), "Anna " + shown);
        QCOMPARE(child(d.window.get(), "timeLeft")->palette().color(QPalette::Base),
                 red ? QColor(255, 0, 0) : QColor(Qt::white));
        QVERIFY(d.shown("addTimeButton") && d.text("pin") == "******");
        QTest::mouseClick(child<QLabel>(d.window.get(), "pinLabel"), Qt::LeftButton);
        QCOMPARE(d.prompter.texts(), cashier ? QStringList() : QStringList{"765432"});
        QVERIFY(!logged("765432"));
        // Add New closed unused clears the details; a click on the same customer shows them again.
        click(d.window.get(), "addNew");
        d.window->newUserDialog()->close();
        QVERIFY(d.text("name").isEmpty());
        d.select(0);
        QVERIFY(d.text("name") == "Anna" && d.shown("addTimeButton"));
    }

    // The picker steps once per tick while a button is held; Save asks the
    // amount paid (offered from the tariff), then adds to time and time left,
    // clears the used time and records the sale; Cancel and no time store
    // nothing; an account in use is refused before the money is asked for.
    void addTime_data()
    {
        QTest::addColumn<int>("up");
        QTest::addColumn<int>("down");
        QTest::addColumn<QStringList>("shown"); // hours, minutes, the time to be added
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("inUse");
        QTest::addColumn<QStringList>("paid"); // amount typed and reason; none: the offer
        QTest::addColumn<QString>("told");
        QTest::addColumn<QString>("sale"); // as the customer window lists it
        using L = QStringList;
        const QString none = "No Time Was Entered", save = "saveTime";
        const auto euros = [](qint64 cents) { return Format::amount(Money::fromCents(cents)); };
        const L hour{"1", "00", "01:00"};
        const QString bad = "\"%1\" Is Not An Amount";
        // clang-format off
        QTest::newRow("short press") << 0 << 0 << L{"00", "00", "00:00"} << save << false << L{} << none << "";
        QTest::newRow("58 ticks, cancelled") << 58 << 0 << L{"00", "58", "00:58"} << "cancelTime" << false << L{} << "" << "";
        QTest::newRow("59 ticks, offered") << 59 << 0 << hour << save << false << L{} << "" << "01:00 " + euros(150) + " admin";
        QTest::newRow("60 ticks, typed") << 60 << 0 << L{"1", "1", "01:01"} << save << false << L{"5", ""} << "" << "01:01 " + euros(500) + " admin";
        QTest::newRow("free with a reason") << 59 << 1 << L{"00", "58", "00:58"} << save << false << L{"0", " loyalty "} << "" << "00:58 " + euros(0) + " admin loyalty";
        QTest::newRow("free without a reason") << 59 << 0 << hour << save << false << L{"0", " "} << "No Reason Entered" << "";
        QTest::newRow("not an amount") << 59 << 0 << hour << save << false << L{"1O", ""} << bad.arg("1O") << "";
        QTest::newRow("past the bounds") << 59 << 0 << hour << save << false << L{"100000000001", ""} << bad.arg("100000000001") << "";
        QTest::newRow("negative") << 59 << 0 << hour << save << false << L{"-5", ""} << bad.arg("-5") << "";
        QTest::newRow("not below zero") << 2 << 5 << L{"00", "00", "00:00"} << save << false << L{} << none << "";
        QTest::newRow("in use") << 60 << 0 << L{"1", "1", "01:01"} << save << true << L{} << "Anna Lee is logged on at PC2 now. Add the time after the logoff." << "";
        // clang-format on
    }
    void addTime()
    {
        QFETCH(int, up);
        QFETCH(int, down);
        QFETCH(QStringList, shown);
        QFETCH(QString, button);
        QFETCH(bool, inUse);
        QFETCH(QStringList, paid);
        QFETCH(QString, told);
        QFETCH(QString, sale);
        Desk d;
        const qint64 aa = d.add("Anna", "Lee", "4444", 40, 20);
        if (inUse)
            d.inUse(aa);
        d.open();
        d.window->enterAddTime();
        d.select(0);
        click(d.window.get(), "addTimeButton");
        AddTimeDialog *a = d.window->addTimeDialog();
        QVERIFY(a && a->isVisible());
        QVERIFY(d.shown("saveTime") && d.shown("cancelTime") && !d.shown("deleteCustomer") && !d.shown("addNew"));
        click(d.window.get(), "saveTime"); // nothing chosen yet
        QCOMPARE(d.prompter.texts(), (QStringList{"No User Has Been Selected", "No Time Was Entered"}));
        d.prompter.clear();
        auto *timer = a->findChild<QTimer *>("holdTimer");
        for (const auto &[name, ticks] : {std::pair{"up", up}, {"down", down}}) {
            QTest::mousePress(child<QAbstractButton>(a, name), Qt::LeftButton);
            QVERIFY(timer->isActive());
            for (int i = 0; i < ticks; ++i)
                a->tick();
            QTest::mouseRelease(child<QAbstractButton>(a, name), Qt::LeftButton);
            QVERIFY(!timer->isActive());
        }
        QCOMPARE(child(a, "hours")->text() + ' ' + child(a, "minutes")->text(), shown[0] + ' ' + shown[1]);
        click(a, "ok");
        QTRY_VERIFY(!d.window->addTimeDialog());
        QCOMPARE(child<QLabel>(d.window.get(), "timeToAdd")->text(), "Time That Will be Added : " + shown[2]);
        click(d.window.get(), qPrintable(button));
        if (d.window->paymentDialog())
            d.pay(d.window->paymentDialog(), paid.value(0, QString()), paid.value(1));
        QCOMPARE(d.prompter.texts(), told.isEmpty() ? QStringList() : QStringList{told});
        QTRY_COMPARE(d.window->paymentDialog() != nullptr, told.endsWith("Amount") || told == "No Reason Entered");
        QCOMPARE(d.sales(aa), sale.isEmpty() ? QStringList() : QStringList{sale});
        const CustomerRow r = d.account(aa);
        const QTime chosen = QTime::fromString(shown[2], "hh:mm");
        const qint64 added = told.isEmpty() && button == "saveTime" ? chosen.hour() * 60 + chosen.minute() : 0;
        QCOMPARE((QList<qint64>{r.time, r.timeleft, r.usedtime}),
                 (QList<qint64>{60 + added, 40 + added, added ? 0 : 20}));
        QCOMPARE(d.shown("saveTime"), !told.isEmpty()); // still adding until Save works or Cancel
        QCOMPARE(d.shown("addNew"), told.isEmpty());
        d.select(0); // the same customer again
        QVERIFY(d.text("name") == "Anna" && d.shown("addTimeButton"));
    }

    // Delete asks, then takes the account and every transaction with its
    // PIN, of any date, but keeps the money taken for its time; an account
    // logged on now is refused.
    void deleteCustomer_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("inUse");
        QTest::newRow("Yes") << true << false;
        QTest::newRow("No") << false << false;
        QTest::newRow("in use") << true << true;
    }
    void deleteCustomer()
    {
        QFETCH(bool, yes);
        QFETCH(bool, inUse);
        Desk d;
        const qint64 gone = d.add("Anna", "O'Lee", "5150", 40);
        const qint64 other = d.add("Bob", "Ray", "5151", 40);
        d.addUse("5150", Day.addYears(-2));
        const qint64 today = d.addUse("5150", Day, inUse);
        d.addUse("5151", Day);
        QVERIFY(d.cafe.addExtra({0, today, "Coffee", 1, Money(), Money()}));
        QVERIFY(d.accounts.addTime(gone, 30, {Money::fromCents(100), {}, "admin"}));
        if (inUse)
            d.inUse(gone);
        d.open();
        d.window->deleteCustomer();
        QCOMPARE(d.prompter.texts(), QStringList{"No User Has Been Selected"});
        d.prompter.clear();
        d.select(0);
        d.prompter.answer(yes);
        click(d.window.get(), "deleteCustomer");
        QStringList told{"Delete\rAnna O'Lee ;"};
        if (inUse)
            told << "Anna O'Lee is logged on at PC2 now and cannot be deleted.";
        QCOMPARE(d.prompter.texts(), told);
        const bool deleted = yes && !inUse;
        QVERIFY(d.customers.account(gone)->has_value() != deleted && d.customers.account(other)->has_value());
        QVERIFY(d.rows().size() == (deleted ? 1 : 3) && d.rows().last().userpin == "5151");
        QCOMPARE(d.cafe.extras(today).value_or(QList<ExtraRow>()).size(), deleted ? 0 : 1);
        QCOMPARE(d.window->findChild<QTableView *>()->model()->rowCount(), deleted ? 1 : 2);
        QCOMPARE(d.text("name"), deleted ? QString() : QString("Anna"));
        QCOMPARE(d.sales(gone), QStringList{"00:30 " + Format::amount(Money::fromCents(100)) + " admin"});
        QCOMPARE(child<QTableView>(d.window.get(), "salesGrid")->model()->rowCount(), deleted ? 0 : 1);
        QVERIFY(!logged("5150"));
    }

    // A sale is written before its minutes and marked after them; a kill
    // between the steps is settled at the next start from what the
    // customers' book holds, and crediting a sale again adds nothing.
    void salesSurviveAKill_data()
    {
        QTest::addColumn<int>("steps"); // of the three done before the kill
        QTest::addColumn<qint64>("left");
        QTest::addColumn<int>("sales");
        QTest::newRow("killed before the minutes") << 1 << 40LL << 0;
        QTest::newRow("killed before the mark") << 2 << 100LL << 1;
        QTest::newRow("not killed") << 3 << 100LL << 1;
    }
    void salesSurviveAKill()
    {
        QFETCH(int, steps);
        QFETCH(qint64, left);
        QFETCH(int, sales);
        Desk d;
        const qint64 aa = d.add("Anna", "Lee", "4444", 40);
        TimeSaleRow sale{0, d.clock.now(), "user", aa, "Anna Lee", 60, Money::fromCents(150), {}};
        const Result<qint64> key = d.cafe.addSale(sale);
        QVERIFY(key && (steps < 2 || d.customers.credit(*key, aa, 60)) && (steps < 3 || d.cafe.markCredited(*key)));
        QVERIFY(d.accounts.settleSales());
        QVERIFY(steps < 2 || d.customers.credit(*key, aa, 60)); // again: nothing more
        QCOMPARE(d.account(aa).timeleft, left);
        QCOMPARE(d.sales(aa).size(), sales);
        QCOMPARE(d.cafe.uncreditedSales().value_or(QList<qint64>{-1}), QList<qint64>());
        // The books refuse what the counter would: nothing taken without a reason.
        sale.amount = Money();
        QVERIFY(!d.cafe.addSale(sale));
    }

    // The card masks the PIN on screen; Print logs it and prints it, or,
    // when either cannot be done, does neither and says so.
    void card_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("printed") << "";
        QTest::newRow("log cannot be written") << "log";
        QTest::newRow("printer cannot be used") << "printer";
        QTest::newRow("dialog cancelled") << "cancel";
    }
    void card()
    {
        QFETCH(QString, fault);
        Desk d;
        d.add("Ελένη", "O'Brien", "8080808", 95);
        QFile::remove(d.home.paths().printLog());
        if (fault == "log")
            QDir().mkpath(d.home.paths().printLog()); // a folder where the file should be
        if (fault == "printer")
            d.pdf = d.home.path() + "/no such folder/card.pdf";
        d.target = PdfPrintTargetDialog(fault == "cancel" ? QString() : d.pdf); // cancelled: no file chosen
        d.open();
        d.window->printCard();
        QVERIFY(!d.window->cardWindow()); // nothing selected, nothing happens
        d.select(0);
        click(d.window.get(), "printCard");
        CardWindow *card = d.window->cardWindow();
        QVERIFY(card && card->isVisible());
        const auto shown = [card] {
            return child(card, "name")->text() + '/' + child(card, "pin")->text() + '/' + child(card, "time")->text();
        };
        QCOMPARE(shown(), QString("Ελένη O'Brien/*******/01:35"));
        click(card, "print");
        const QByteArray line = fileBytes(d.home.paths().printLog());
        if (fault.isEmpty()) {
            QVERIFY(d.prompter.said().isEmpty());
            QTRY_VERIFY(!d.window->cardWindow());
            QCOMPARE(QString::fromUtf8(line), Format::shortDate(Day) + " 10:00:00 | Ελένη O'Brien | 8080808\r\n");
            // Text and lines, the PIN in clear; no picture of the window.
            QVERIFY(!fileBytes(d.pdf).contains("/Subtype /Image") && ownerOnly(d.pdf));
            QCOMPARE(pdfText(d.pdf).simplified(), "Internet Access Card Ελένη O'Brien PIN 8080808 Time 01:35");
        } else {
            QVERIFY(d.prompter.said().size() == 1 && d.prompter.last().contains("The card was not printed")
                    && !d.prompter.last().contains("8080808"));
            QCOMPARE(d.prompter.said()[0].icon,
                     fault == "cancel" ? Prompter::Icon::Information : Prompter::Icon::Critical);
            QVERIFY(!line.contains('|')); // no line, not even half of one
            QVERIFY(!QFile::exists(d.pdf) && card->isVisible() && shown() == "Ελένη O'Brien/*******/01:35");
        }
        QVERIFY(!logged("8080808"));
    }

    // "Printer Transactions" shows the log as stored, at its end.
    void printerLog_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("empty") << QByteArray();
        QByteArray many;
        for (int i = 0; i < 300; ++i)
            many += "2.3.2026 10:00:00 | Card " + QByteArray::number(i) + " | " + QByteArray::number(i * 7) + "\r\n";
        QTest::newRow("many cards") << many;
        QTest::newRow("no final line break") << QByteArray("x | Ελένη | 1\r\ny | z | 2");
    }
    void printerLog()
    {
        QFETCH(QByteArray, stored);
        TempHome home;
        QVERIFY(DatabaseCopy::replaceFile(home.paths().printLog(), stored));
        PrinterLogWindow w(home.paths().printLog());
        w.show();
        auto *box = child<QPlainTextEdit>(&w, "log");
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->toPlainText().toUtf8(), QByteArray(stored).replace("\r\n", "\n"));
        QCOMPARE(box->textCursor().position(), box->document()->characterCount() - 1);
        QTRY_COMPARE(box->verticalScrollBar()->value(), box->verticalScrollBar()->maximum());
    }
};

QTEST_MAIN(TestCustomers)
#include "tst_customers.moc"
