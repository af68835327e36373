#include "ConsoleFixture.h"
#include "console/OptionsWindow.h"

#include <QDialog>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QToolBar>

namespace {
void send(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Two computers on the map.
struct Map : Desk
{
    Map()
    {
        store.addComputer({0, "pc1", "127.0.0.11", 300, 450, false, false, false});
        store.addComputer({0, "Pc2", "127.0.0.12", 1800, 450, false, false, false});
    }
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(isolateUserSettings()); }
    // Beyond the platform's known noise, a warning is a fault of the window.
    void init() { QTest::failOnWarning(QRegularExpression(".")); }

    // The toolbar, the icons and the names as the settings file has them.
    void settingsAtOpen_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("area"); // 0: hidden
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("width"); // of an icon, twips
        QTest::newRow("left, big") << "yes" << 3 << int(Qt::LeftToolBarArea) << "big" << 930;
        QTest::newRow("hidden whatever the side, Big is small") << "no" << 4 << 0 << "Big" << 610;
        QTest::newRow("YES is not yes") << "YES" << 1 << 0 << "small" << 610;
    }
    void settingsAtOpen()
    {
        QFETCH(QString, shown);
        QFETCH(int, side);
        QFETCH(int, area);
        QFETCH(QString, size);
        QFETCH(int, width);
        Map d;
        QVERIFY(d.setSetting(SettingsFile::Key::ToolbarShown, shown)
                && d.setSetting(SettingsFile::Key::ToolbarSide, QString::number(side))
                && d.setSetting(SettingsFile::Key::IconSize, size)
                && d.setSetting(SettingsFile::Key::NameColor, "255")); // red
        MainWindow &m = d.open();
        QCOMPARE(m.toolbar()->isVisible(), area != 0);
        if (area)
            QCOMPARE(int(m.toolBarArea(m.toolbar())), area);
        ComputerMapWidget *map = m.map();
        QCOMPARE(map->icon(2)->width(), map->toPixelsX(width));
        QCOMPARE(map->label(2)->text(), QString("Pc2"));
        QVERIFY(map->label(2)->styleSheet().contains("#ff0000"));
    }

    void exitQuestion_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("yes");
        QTest::newRow("menu, Yes") << "menu" << true;
        QTest::newRow("toolbar, No") << "toolbar" << false;
        QTest::newRow("close box, No") << "close box" << false;
        QTest::newRow("close box, Yes") << "close box" << true;
    }
    void exitQuestion()
    {
        QFETCH(QString, way);
        QFETCH(bool, yes);
        Map d;
        MainWindow &m = d.open();
        d.prompter.clear();
        d.prompter.answer(yes);
        if (way == "menu")
            m.action(MenuEntry::Exit)->trigger();
        else if (way == "toolbar")
            m.action(MenuEntry::ToolbarExit)->trigger();
        else
            m.close();
        QCOMPARE(d.prompter.texts(), QStringList{"EXIT KORVANE ?"});
        QVERIFY(d.prompter.said().first().question && m.isVisible() == !yes);
        if (!yes)
            QVERIFY(m.findChild<QTimer *>("clockTimer")->isActive());

        // A forced exit asks nothing.
        d.prompter.clear();
        m.show();
        m.setExitMode("force");
        m.close();
        QVERIFY(!m.isVisible() && d.prompter.said().isEmpty());
    }

    void clockShowsTheTimeOnly()
    {
        Map d;
        d.clock.set(QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7)));
        MainWindow &m = d.open();
        QTRY_COMPARE(m.panel(3), QString("09:05:07"));
        d.clock.advance(61);
        QTRY_COMPARE(m.panel(3), QString("09:06:08"));
    }

    void popupByStatus_data()
    {
        using E = MenuEntry;
        QTest::addColumn<SlotState>("status");
        QTest::addColumn<QList<E>>("enabled"); // the entries that can be chosen; none: no menu
        const QList<E> power{E::Tasks, E::Reboot, E::LogOff, E::ShutDown, E::Suspend, E::Check};
        const QList<E> running{E::CurrentStatus, E::Transfer, E::Message, E::Extra};
        QTest::newRow("free") << SlotState::Free
                              << power + QList<E>{E::Prepay30, E::Prepay60, E::Prepay90, E::Prepay120};
        QTest::newRow("normal") << SlotState::Normal << power + running;
        QTest::newRow("prepaid") << SlotState::Prepaid << power + running + QList<E>{E::StopPrepaid};
        QTest::newRow("customer account") << SlotState::Account << QList<E>();
    }
    void popupByStatus()
    {
        QFETCH(SlotState, status);
        QFETCH(QList<MenuEntry>, enabled);
        Map d;
        MainWindow &m = d.open();
        m.setStatusSource([&](int aa) { return aa == 2 ? status : SlotState::Free; });
        for (MenuEntry e : {MenuEntry::Transfer, MenuEntry::Message, MenuEntry::Extra})
            m.setPopupEntryBuilt(e);
        QSignalSpy commands(&m, &MainWindow::popupCommand);
        QWidget *icon = m.map()->icon(2);
        QTest::mousePress(icon, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(icon, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(m.currentComputer(), 2);
        QCOMPARE(m.action(MenuEntry::ComputerName)->text(), QString("-= PC2 =-"));
        QMenu *popup = m.statusMenu();
        if (enabled.isEmpty()) {
            QVERIFY(!popup->isVisible());
            return;
        }
        QTRY_VERIFY(popup->isVisible());
        QList<MenuEntry> can;
        for (const MenuEntries::Info &e : MenuEntries::all())
            if ((MenuEntries::isPopupCommand(e.entry) || e.entry == MenuEntry::Tasks) && m.action(e.entry)->isEnabled())
                can << e.entry;
        std::sort(enabled.begin(), enabled.end()); // the table's order
        QCOMPARE(can, enabled);
        popup->close();
        m.action(MenuEntry::Check)->trigger();
        QCOMPARE(commands, (QList<QVariantList>{{QVariant::fromValue(MenuEntry::Check), 2}}));
    }

    void leftClickStartsOutsideTheMovingMode()
    {
        Map d;
        MainWindow &m = d.open();
        QSignalSpy clicked(&m, &MainWindow::computerClicked);
        QTest::mouseClick(m.map()->icon(1), Qt::LeftButton);
        QCOMPARE(clicked, (QList<QVariantList>{{1}}));

        m.action(MenuEntry::IconPosition)->trigger();
        QVERIFY(m.action(MenuEntry::IconPosition)->isChecked());
        QTest::mouseClick(m.map()->icon(2), Qt::LeftButton);
        QCOMPARE(clicked.count(), 1); // never a time charge while moving
        QCOMPARE(m.panel(2), QString("Pc2 Moving"));
        m.action(MenuEntry::IconPosition)->trigger();
        QCOMPARE(m.panel(2), QString());

        // Outside the moving mode a drag moves nothing.
        QWidget *icon = m.map()->icon(1);
        const QRect before = icon->geometry();
        send(icon, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
        send(icon, QEvent::MouseMove, QPoint(40, 5), Qt::NoButton, Qt::LeftButton);
        QVERIFY(icon->geometry() == before && d.store.computers()->at(0).left == 300);
    }

    // Start-up goes on past what it cannot use, and says so once.
    void startupProblems_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("icon");
        QTest::newRow("missing background") << "background" << int(Prompter::Icon::Critical);
        QTest::newRow("faulty roster row") << "roster" << -1;
    }
    void startupProblems()
    {
        QFETCH(QString, problem);
        QFETCH(int, icon);
        Map d;
        if (problem == "background")
            QVERIFY(d.store.setBackground(d.home.path() + "/nowhere.jpg"));
        else
            QVERIFY(d.store.exec("INSERT INTO computers (aa, pcname, ip, \"left\", top, timer, pretime, \"user\")"
                                 " VALUES (0, 'bad', '127.0.0.19', 0, 0, 0, 0, 0)"));
        MainWindow &m = d.open(Login::Role::Cashier);
        QCOMPARE(d.prompter.said().size(), 1);
        QVERIFY(problem == "background" ? !d.prompter.last().isEmpty() : d.prompter.last().contains("bad"));
        if (icon >= 0)
            QCOMPARE(int(d.prompter.said().first().icon), icon);
        QCOMPARE(m.map()->computers(), QList<int>({1, 2}));
        // The role's menus still apply.
        QVERIFY(m.map()->background().isNull() && !m.action(MenuEntry::Settings)->isEnabled());
    }

    // The cash register: the takings of the console's day by kind, with the
    // account time sold that day (what counts: tst_store).
    void cashRegister()
    {
        QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
        Map d;
        const QDate today = d.clock.now().date();
        for (const QDate day : {today, today, today.addDays(-1)}) {
            KinRow row;
            row.computer = "pc1";
            row.startdate = day;
            row.starttime = QDateTime(day, QTime(8, 0));
            const bool free = day == today && d.store.takingsOn(today)->total.units() > 0;
            row.timecharged = Money::fromCents(day != today ? 999 : free ? 0 : 100000);
            row.extra = Money::fromCents(day != today ? 0 : 23600);
            row.total = Money::fromCents(day != today ? 999 : free ? 0 : 123600);
            row.reason = free ? "a friend" : "";
            QVERIFY(d.store.appendTransaction(row));
        }
        for (const QDate day : {today, today.addDays(-1)})
            QVERIFY(d.store.markCredited(*d.store.addSale({0, QDateTime(day, QTime(9, 0)), "admin", 1, "A B", 60,
                                                           Money::fromCents(1000), {}})));
        QVERIFY(d.store.addSale({0, QDateTime(today, QTime(9, 0)), "admin", 1, "A B", 60, Money::fromCents(5), {}}));

        MainWindow &m = d.open();
        d.prompter.clear();
        m.action(MenuEntry::CurrentTransactions)->trigger();
        QCOMPARE(d.prompter.texts(),
                 QStringList{QString::fromUtf8("1.236,00\u00a0€\n\nTime charges: 1.000,00\u00a0€\nExtras: 236,00\u00a0€\n"
                                               "Account time sold: 10,00\u00a0€\nFree bills: 1")});
        QVERIFY(d.store.beginShift("user", d.clock.now(), Money::fromCents(2000)));
        m.action(MenuEntry::CurrentTransactions)->trigger();
        QVERIFY(d.prompter.last().endsWith(QString::fromUtf8("\nOpen shift, expected in the drawer: 20,00\u00a0€")));
        QVERIFY(d.prompter.said().first().icon == Prompter::Icon::None && !d.prompter.said().first().question);
        QLocale::setDefault(QLocale::system());
    }

    void dragIsStoredInsideTheMap_data()
    {
        QTest::addColumn<QPoint>("pull"); // pixels
        QTest::newRow("inside") << QPoint(40, 0);
        QTest::newRow("left") << QPoint(-5000, 0);
        QTest::newRow("top") << QPoint(0, -5000);
        QTest::newRow("up and left") << QPoint(-450, -1335);
        QTest::newRow("right") << QPoint(20000, 0);
        QTest::newRow("bottom") << QPoint(0, 20000);
    }
    void dragIsStoredInsideTheMap()
    {
        QFETCH(QPoint, pull);
        Map d;
        MainWindow &m = d.open();
        ComputerMapWidget *map = m.map();
        m.action(MenuEntry::IconPosition)->trigger();
        QWidget *icon = map->icon(2);
        const QRect before = icon->geometry();
        const QPoint label = map->label(2)->pos() - icon->pos();
        const QPoint grab(10, 10);
        send(icon, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        // The icon follows the pointer, so each step is measured from the grab point again.
        send(icon, QEvent::MouseMove, grab + pull / 2, Qt::NoButton, Qt::LeftButton);
        send(icon, QEvent::MouseMove, grab + pull - pull / 2, Qt::NoButton, Qt::LeftButton);
        send(icon, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(m.panel(2), QString("Pc2 Moving"));
        QCOMPARE(map->label(2)->pos() - icon->pos(), label);
        // Wholly inside, at the edge it was pulled past, and stored there.
        const QRect both = icon->geometry().united(map->label(2)->geometry());
        const QRect inside(QPoint(0, 0), map->extent());
        QVERIFY(inside.contains(both));
        if (QString(QTest::currentDataTag()) == "inside")
            QCOMPARE(icon->geometry(), before.translated(pull));
        const int dx = pull.x() < -100 ? both.left() : pull.x() > 100 ? inside.right() - both.right() : 0;
        const int dy = pull.y() < 0 ? icon->y() : pull.y() > 0 ? inside.bottom() - both.bottom() : 0;
        QVERIFY2(qAbs(dx) + qAbs(dy) <= 2, qPrintable(QString("%1 %2").arg(dx).arg(dy)));
        const QList<ComputerRow> rows = *d.store.computers(); // the other computer stays
        QCOMPARE(QPoint(rows.at(1).left, rows.at(1).top), map->position(2));
        QCOMPARE(QPoint(rows.at(0).left, rows.at(0).top), QPoint(300, 450));
    }

    void placeOutsideTheMapBroughtBack()
    {
        Map d;
        QVERIFY(d.store.savePosition("pc1", -450, -1335));
        QVERIFY(d.store.savePosition("Pc2", 900000, 300));
        MainWindow &m = d.open();
        const QRect inside(QPoint(0, 0), m.map()->extent());
        const QList<ComputerRow> rows = *d.store.computers();
        for (int aa : {1, 2}) {
            QVERIFY(inside.contains(m.map()->icon(aa)->geometry()));
            QCOMPARE(QPoint(rows.at(aa - 1).left, rows.at(aa - 1).top), m.map()->position(aa));
        }
        QCOMPARE(m.map()->position(1), QPoint(0, 0));
        QCOMPARE(rows.at(1).top, 300);
    }

    void cashierClosesWhatTheCashierMayNotUse_data()
    {
        QTest::addColumn<MenuEntry>("entry");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Settings > Passwords > Change User Password") << MenuEntry::UserPassword << true;
        QTest::newRow("Transactions > Show Transactions") << MenuEntry::ShowTransactions << true;
        QTest::newRow("Tools > Database Maintenance > Main Database") << MenuEntry::MainDatabase << true;
        QTest::newRow("Users > Show Users") << MenuEntry::ShowUsers << false;
    }
    // A window added later declares nothing: its menu entry decides.
    void cashierClosesWhatTheCashierMayNotUse()
    {
        QFETCH(MenuEntry, entry);
        QFETCH(bool, closes);
        Map d;
        MainWindow &m = d.open();
        QPointer<QWidget> window;
        m.provide(entry, [&] { window = m.showSingle(entry, [] { return new QDialog; }); });
        m.action(entry)->trigger();
        QVERIFY(window && window->isVisible());
        m.applyLogin(Login::Role::Cashier, true);
        if (closes)
            QTRY_VERIFY(window.isNull());
        else
            QVERIFY(window->isVisible());
        // Nor does the cashier open one.
        QVERIFY(!m.openOptions());
        QCOMPARE(d.prompter.last(), QString("Only the administrator may open this window."));
        delete window;
    }

    void windowsOpenClearOfTheIcons()
    {
        QPoint moved;
        {
            Map d;
            // One computer where a window centred on the console would go, one at the top right.
            d.store.addComputer({0, "PC3", "127.0.0.13", 7800, 3750, false, false, false});
            d.store.addComputer({0, "PC4", "127.0.0.14", 10500, 450, false, false, false});
            MainWindow &m = d.open();
            QWidget *misc = m.openOptions();
            QVERIFY(QTest::qWaitForWindowExposed(misc));
            for (int aa : {1, 2, 3, 4}) {
                QWidget *icon = m.map()->icon(aa);
                QVERIFY(!misc->frameGeometry().intersects(QRect(icon->mapToGlobal(QPoint(0, 0)), icon->size())));
            }
            // Moved by the operator: it opens there again, after a restart too.
            misc->move(misc->pos() + QPoint(37, -23));
            moved = misc->pos();
            misc->close();
        }
        Map d;
        QCOMPARE(d.open().openOptions()->pos(), moved);
    }

    // Where only the menus are free of icons, a window as large as the price
    // list covers a computer's corner, never the menus and toolbar.
    void windowsLeaveTheMenusInSight()
    {
        Desk d;
        for (int i = 0; i < 3; ++i) // a row across the map, low enough to leave room above
            d.store.addComputer(
                {0, QString("PC%1").arg(i), QString("127.0.0.%1").arg(11 + i), i * 4500, 5220, false, false, false});
        MainWindow &m = d.open();
        auto *prices = new QDialog(&m);
        prices->resize(460, 420);
        m.showBeside(prices, "show");
        QVERIFY(!prices->frameGeometry().intersects(
            QRect(m.mapToGlobal(QPoint()), QSize(m.width(), m.centralWidget()->y()))));
    }

    void selfOpenedWindowLeavesTheQuestionInFront()
    {
        Map d;
        MainWindow &m = d.open();
        QDialog question(&m);
        question.setWindowModality(Qt::ApplicationModal);
        const QRect screen = m.screen()->availableGeometry();
        question.setGeometry(screen.x() + screen.width() / 2, screen.y(), screen.width() / 2 - 20, 200);
        question.show();
        auto *bill = new QDialog(&m);
        bill->resize(250, 300);
        m.showBeside(bill, "bill", 2);
        QVERIFY(bill->isVisible() && !bill->frameGeometry().intersects(question.frameGeometry()));
        QCOMPARE(QApplication::activeModalWidget(), &question);
        QWidget *icon = m.map()->icon(2);
        QVERIFY(!bill->frameGeometry().intersects(QRect(icon->mapToGlobal(QPoint(0, 0)), icon->size())));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
