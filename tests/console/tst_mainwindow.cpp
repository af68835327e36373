#include "ConsoleFixture.h"
#include "console/ComputerMapWidget.h"
#include "console/MainWindow.h"
#include "console/PopupRules.h"
#include "store/SettingsFile.h"
#include "store/StatusPictures.h"
#include "ui/Format.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_config;
    TempHome *m_home = nullptr;
    CafeStore m_store;
    ScriptedPrompter m_prompter;
    ScriptedPicker m_picker;
    SettableClock m_clock;
    MainWindow *m_main = nullptr;

    void makeMain(bool admin = true)
    {
        m_main = new MainWindow(m_home->paths(), m_store, m_prompter, m_clock, m_picker);
        m_main->applyLogin(admin ? Login::Role::Admin : Login::Role::Cashier, false);
        m_main->load();
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
    }
    void writeSettings(int line, const QString &value)
    {
        SettingsFile s = SettingsFile::read(m_home->paths().settingsFile());
        s.setLine(line, value);
        QVERIFY(!s.write(m_home->paths().settingsFile()));
    }
    static void send(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        isolateUserSettings(m_config);
    }
    void init()
    {
        m_home = new TempHome;
        QVERIFY(m_home->ok());
        QVERIFY(!m_store.open(m_home->paths().cafeDatabase()));
        m_prompter.clear();
        m_store.addComputer({0, "pc1", "127.0.0.11", 300, 450, false, false, false});
        m_store.addComputer({0, "Pc2", "127.0.0.12", 1800, 450, false, false, false});
    }
    void cleanup()
    {
        if (m_main)
            m_main->setExitMode("force");
        delete m_main;
        m_main = nullptr;
        m_store.close();
        delete m_home;
    }

    void titleAndMenuBar()
    {
        makeMain();
        QCOMPARE(m_main->windowTitle(), QString("Korvane Version 1.0"));
        QStringList names, captions;
        for (QAction *a : m_main->menuBar()->actions()) {
            names << a->objectName();
            captions << a->text();
        }
        QCOMPARE(names, QStringList({"status", "settings", "pircelist", "emf", "kin", "user", "cust", "tools",
                                     "helpp", "exit"}));
        QCOMPARE(captions, QStringList({"", "&Settings    ", "&Pricelist    ", "&Appearance    ",
                                        "&Transactions    ", "&Cashier     ", "&Users     ", "&Tools    ",
                                        "&Help         ", "&Exit"}));
        QVERIFY(!m_main->action("status")->isEnabled());
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("entries"); // name=caption, separators as name=-
        QTest::newRow("status") << "status"
                                << QStringList{"termname=termname", "sp=-", "get=Current Status", "uyiyuiyui=-",
                                               "tasks=Tasks", "ppp=-", "metafora=Transfer", "sp1=-",
                                               "extra=+ Extra Charge", "sp3=-", "msg=Send Message", "sp4=-",
                                               "check=network Check", "sp5=-", "prepay=Prepaid time"};
        QTest::newRow("tasks") << "tasks"
                               << QStringList{"reboot=ReBoot", "logoff=Log Off", "shutdown=ShutDown", "pdown=Suspend"};
        QTest::newRow("prepay") << "prepay"
                                << QStringList{"triantalepta=0:30", "eksintalepta=1:00", "enenintalepta=1:30",
                                               "ekatonlepta=2:00", "sp6=-", "stoppre=Terminate"};
        QTest::newRow("settings") << "settings"
                                  << QStringList{"rates=Rates", "fixrate=Minimum Charge", "computers=Computers",
                                                 "passwords=Passwords", "miscsettings=Misc"};
        QTest::newRow("passwords") << "passwords"
                                   << QStringList{"userpass=Change User Password", "adminpass=Change Admin Password"};
        QTest::newRow("pircelist") << "pircelist"
                                   << QStringList{"catdiax=Categories", "productdiax=Products", "show=Show"};
        QTest::newRow("emf") << "emf" << QStringList{"metakin=Set Icon Position", "fonto=Background"};
        QTest::newRow("kin") << "kin"
                             << QStringList{"tamio=Current Transactions", "showkin=Show Transactions",
                                            "custkin=User Transactions", "printer=printer History"};
        QTest::newRow("user") << "user" << QStringList{"chuser=Switch Cashier"};
        QTest::newRow("cust") << "cust" << QStringList{"newcsut=Add New User", "custcard=Show Users"};
        QTest::newRow("tools") << "tools"
                               << QStringList{"da=Database Maintenance", "delprint=Delete Printer History",
                                              "backup=Backup"};
        QTest::newRow("da") << "da" << QStringList{"db1=Main Database", "db2=User Database"};
        QTest::newRow("helpp") << "helpp"
                               << QStringList{"about=About", "help=Help Topics", "support=On line support"};
    }
    void menuEntries()
    {
        QFETCH(QString, menu);
        QFETCH(QStringList, entries);
        makeMain();
        QMenu *m = m_main->findChild<QMenu *>(menu);
        QVERIFY(m);
        QStringList shown;
        for (QAction *a : m->actions())
            shown << a->objectName() + "=" + (a->isSeparator() ? QString("-") : a->text());
        QCOMPARE(shown, entries);
    }

    void unbuiltWindowsAreDisabled()
    {
        makeMain();
        for (const char *e : {"rates", "fixrate", "computers", "passwords", "catdiax", "productdiax", "show", "fonto",
                              "showkin", "custkin", "printer", "newcsut", "custcard", "da", "delprint", "backup",
                              "about", "help", "support"})
            QVERIFY2(!m_main->action(e)->isEnabled(), e);
        for (const char *e : {"miscsettings", "metakin", "tamio", "chuser", "exit"})
            QVERIFY2(m_main->action(e)->isEnabled(), e);
        // A window provided later enables its entry and its sub-menu.
        int opened = 0;
        m_main->provide("userpass", [&] { ++opened; });
        QVERIFY(m_main->action("passwords")->isEnabled());
        m_main->action("userpass")->trigger();
        QCOMPARE(opened, 1);
    }

    void toolbarButtons()
    {
        makeMain();
        QStringList tips;
        for (QAction *a : m_main->toolbar()->actions())
            tips << a->toolTip();
        QCOMPARE(tips, QStringList({"Send Message To All Computers", "Shut Down All Computers", "Switch Cashier",
                                    "Unlock All The computers", "Exit"}));
    }

    void cashierRoleMenus()
    {
        makeMain(false);
        for (const char *m : {"settings", "kin", "tools"})
            QVERIFY2(!m_main->action(m)->isEnabled(), m);
        for (const char *m : {"pircelist", "emf", "user", "cust", "helpp", "exit"})
            QVERIFY2(m_main->action(m)->isEnabled(), m);
        QVERIFY(!m_main->toolbarButton("user")->isEnabled());
        QVERIFY(m_main->toolbarButton("exit")->isEnabled());
        QCOMPARE(m_main->panel(1), QString("User: User"));
    }

    void toolbarFromSettings_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("side");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("area");
        QTest::newRow("top") << "yes" << "1" << true << int(Qt::TopToolBarArea);
        QTest::newRow("bottom") << "yes" << "2" << true << int(Qt::BottomToolBarArea);
        QTest::newRow("left") << "yes" << "3" << true << int(Qt::LeftToolBarArea);
        QTest::newRow("right") << "yes" << "4" << true << int(Qt::RightToolBarArea);
        QTest::newRow("hidden whatever the side") << "no" << "4" << false << int(Qt::RightToolBarArea);
        QTest::newRow("YES is not yes") << "YES" << "1" << false << int(Qt::TopToolBarArea);
    }
    void toolbarFromSettings()
    {
        QFETCH(QString, shown);
        QFETCH(QString, side);
        QFETCH(bool, visible);
        QFETCH(int, area);
        writeSettings(3, shown);
        writeSettings(4, side);
        makeMain();
        QCOMPARE(m_main->toolbar()->isVisible(), visible);
        if (visible)
            QCOMPARE(int(m_main->toolBarArea(m_main->toolbar())), area);
    }

    void exitQuestion_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<bool>("yes");
        for (const char *way : {"menu", "toolbar", "close box"}) {
            QTest::addRow("%s, No", way) << way << false;
            QTest::addRow("%s, Yes", way) << way << true;
        }
    }
    void exitQuestion()
    {
        QFETCH(QString, way);
        QFETCH(bool, yes);
        makeMain();
        m_prompter.clear();
        m_prompter.answer(yes);
        if (way == "menu")
            m_main->action("exit")->trigger();
        else if (way == "toolbar")
            m_main->toolbarButton("exit")->trigger();
        else
            m_main->close();
        QCOMPARE(m_prompter.said().size(), 1);
        QCOMPARE(m_prompter.last(), QString("EXIT KORVANE ?"));
        QVERIFY(m_prompter.said().first().question);
        QCOMPARE(m_prompter.said().first().icon, Prompter::Icon::Question);
        QCOMPARE(m_main->isVisible(), !yes);
        if (!yes) {
            QCOMPARE(m_main->map()->computers().size(), 2);
            QVERIFY(m_main->findChild<QTimer *>("Timer3")->isActive());
        }
    }

    void forcedExitAsksNothing()
    {
        makeMain();
        m_prompter.clear();
        m_main->setExitMode("force");
        m_main->close();
        QVERIFY(!m_main->isVisible());
        QVERIFY(m_prompter.said().isEmpty());
    }

    void clockShowsTheTimeOnly()
    {
        m_clock.set(QDateTime(QDate(2026, 3, 2), QTime(9, 5, 7)));
        makeMain();
        QTRY_COMPARE(m_main->panel(3), QString("09:05:07"));
        m_clock.advance(61);
        QTRY_COMPARE(m_main->panel(3), QString("09:06:08"));
    }

    void mapPlacesIconsAndNames_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("big") << "big" << 930 << 960;
        QTest::newRow("small") << "small" << 610 << 600;
        QTest::newRow("anything else") << "Big" << 610 << 600;
    }
    void mapPlacesIconsAndNames()
    {
        QFETCH(QString, size);
        QFETCH(int, width);
        QFETCH(int, height);
        writeSettings(10, size);
        writeSettings(5, "255"); // red
        makeMain();
        ComputerMapWidget *map = m_main->map();
        QCOMPARE(map->computers(), QList<int>({1, 2}));
        const QRect icon = map->icon(2)->geometry();
        QCOMPARE(icon, QRect(map->toPixelsX(1800), map->toPixelsY(450), map->toPixelsX(width), map->toPixelsY(height)));
        QLabel *label = map->label(2);
        QCOMPARE(label->text(), QString("Pc2"));
        QCOMPARE(label->pos(), QPoint(map->toPixelsX(1850), map->toPixelsY(960)));
        QVERIFY(label->alignment() & Qt::AlignHCenter);
        QVERIFY(label->styleSheet().contains("#ff0000"));
        QCOMPARE(label->font().bold(), true);
    }

    void twipsFollowTheScreen()
    {
        makeMain();
        ComputerMapWidget *map = m_main->map();
        QCOMPARE(map->toPixelsX(1440), map->logicalDpiX());
        QCOMPARE(map->toPixelsY(720), map->logicalDpiY() / 2);
    }

    void popupByStatus_data()
    {
        QTest::addColumn<SlotState>("status");
        QTest::addColumn<bool>("menu");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<bool>("stoppre");
        QTest::newRow("free") << SlotState::Free << true << false << true << false;
        QTest::newRow("normal") << SlotState::Normal << true << true << false << false;
        QTest::newRow("prepaid") << SlotState::Prepaid << true << true << false << true;
        QTest::newRow("customer account") << SlotState::Account << false << false << false << false;
    }
    void popupByStatus()
    {
        QFETCH(SlotState, status);
        QFETCH(bool, menu);
        QFETCH(bool, running);
        QFETCH(bool, starts);
        QFETCH(bool, stoppre);
        makeMain();
        m_main->setStatusSource([&](int aa) { return aa == 2 ? status : SlotState::Free; });
        m_main->setPopupEntryBuilt("metafora");
        m_main->setPopupEntryBuilt("msg");
        QSignalSpy commands(m_main, &MainWindow::popupCommand);
        QWidget *icon = m_main->map()->icon(2);
        QTest::mousePress(icon, Qt::RightButton, {}, QPoint(5, 5));
        QTest::mouseRelease(icon, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(m_main->currentComputer(), 2);
        QCOMPARE(m_main->action("termname")->text(), QString("-= PC2 =-"));
        QMenu *popup = m_main->statusMenu();
        if (!menu) {
            QVERIFY(!popup->isVisible());
            return;
        }
        QTRY_VERIFY(popup->isVisible());
        for (const char *e : {"get", "metafora", "msg"})
            QCOMPARE(m_main->action(e)->isEnabled(), running);
        // The extras window is not built yet: never offered.
        QVERIFY(!m_main->action("extra")->isEnabled());
        for (const char *e : {"triantalepta", "eksintalepta", "enenintalepta", "ekatonlepta"})
            QCOMPARE(m_main->action(e)->isEnabled(), starts);
        QCOMPARE(m_main->action("stoppre")->isEnabled(), stoppre);
        for (const char *e : {"tasks", "reboot", "logoff", "shutdown", "pdown", "check"})
            QVERIFY2(m_main->action(e)->isEnabled(), e);
        popup->close();
        m_main->action("check")->trigger();
        QCOMPARE(commands.count(), 1);
        QCOMPARE(commands.first().at(0).toString(), QString("check"));
        QCOMPARE(commands.first().at(1).toInt(), 2);
    }

    void quickPrepaidSeconds_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<qint64>("tolerance");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("1:00, tolerance 5") << "eksintalepta" << qint64(5) << qint64(3900);
        QTest::newRow("0:30, no tolerance") << "triantalepta" << qint64(0) << qint64(1800);
        QTest::newRow("2:00 past 16 bits") << "ekatonlepta" << qint64(500) << qint64(37200);
    }
    void quickPrepaidSeconds()
    {
        QFETCH(QString, entry);
        QFETCH(qint64, tolerance);
        QFETCH(qint64, seconds);
        QCOMPARE(PopupRules::pretime(tolerance, PopupRules::prepaidMinutes(entry)), seconds);
    }

    void leftClickStartsOutsideTheMovingMode()
    {
        makeMain();
        QSignalSpy clicked(m_main, &MainWindow::computerClicked);
        QTest::mouseClick(m_main->map()->icon(1), Qt::LeftButton);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.first().at(0).toInt(), 1);

        m_main->action("metakin")->trigger();
        QVERIFY(m_main->action("metakin")->isChecked());
        QTest::mouseClick(m_main->map()->icon(2), Qt::LeftButton);
        QCOMPARE(clicked.count(), 1); // never a time charge while moving
        QCOMPARE(m_main->panel(2), QString("Pc2 Moving"));
        m_main->action("metakin")->trigger();
        QCOMPARE(m_main->panel(2), QString());
    }

    void dragSavesThePlace()
    {
        makeMain();
        ComputerMapWidget *map = m_main->map();
        m_main->action("metakin")->trigger();
        QWidget *icon = map->icon(1);
        const QPoint grab(10, 10);
        const int dx = map->toPixelsX(300);
        QCOMPARE(map->toTwipsX(dx), 300);
        const QRect before = icon->geometry();
        send(icon, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        // The pointer moves in steps; the icon follows it, so each step is
        // measured from the grab point again.
        send(icon, QEvent::MouseMove, grab + QPoint(dx / 2, 0), Qt::NoButton, Qt::LeftButton);
        send(icon, QEvent::MouseMove, grab + QPoint(dx - dx / 2, 0), Qt::NoButton, Qt::LeftButton);
        send(icon, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(icon->geometry(), before.translated(dx, 0));
        QCOMPARE(map->label(1)->x(), map->toPixelsX(350) + dx);
        const QList<ComputerRow> rows = *m_store.computers();
        QCOMPARE(rows.at(0).left, 600);
        QCOMPARE(rows.at(0).top, 450);
        QCOMPARE(rows.at(1).left, 1800); // the other computer stays
        QCOMPARE(m_main->panel(2), QString("pc1 Moving"));

        // Right-drag stretches the icon for this run only.
        send(icon, QEvent::MouseButtonPress, grab, Qt::RightButton, Qt::RightButton);
        send(icon, QEvent::MouseMove, QPoint(100, 90), Qt::NoButton, Qt::RightButton);
        QCOMPARE(icon->size(), QSize(100, 90));
        QCOMPARE(m_store.computers()->at(0).left, 600);
    }

    void dragWithoutTheModeDoesNothing()
    {
        makeMain();
        QWidget *icon = m_main->map()->icon(1);
        const QRect before = icon->geometry();
        send(icon, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
        send(icon, QEvent::MouseMove, QPoint(40, 5), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(icon->geometry(), before);
        QCOMPARE(m_store.computers()->at(0).left, 300);
    }

    void hoverAsksForThatLabelsTip()
    {
        makeMain();
        QSignalSpy hovered(m_main, &MainWindow::nameHovered);
        connect(m_main, &MainWindow::nameHovered, this,
                [this](int aa) { m_main->map()->setTip(aa, QString("TIME LEFT %1").arg(aa)); });
        QTest::mouseClick(m_main->map()->icon(1), Qt::LeftButton); // current computer is 1
        QTest::mouseMove(m_main->map()->label(2), QPoint(3, 3));
        QTRY_VERIFY(!hovered.isEmpty());
        QCOMPARE(hovered.last().at(0).toInt(), 2);
        QCOMPARE(m_main->map()->label(2)->toolTip(), QString("TIME LEFT 2"));
        QCOMPARE(m_main->map()->label(1)->toolTip(), QString());
    }

    void backgroundFillsTheScreen()
    {
        const QString picture = m_home->path() + "/back.png";
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(Qt::darkCyan);
        QVERIFY(img.save(picture));
        QVERIFY(m_store.setBackground(picture));
        makeMain();
        ComputerMapWidget *map = m_main->map();
        QVERIFY(!map->background().isNull());
        const QSize screen = map->screen()->size();
        QCOMPARE(map->backgroundSize(), QSize(screen.width(), screen.height() - map->toPixelsY(1000)));
        m_main->resize(700, 500);
        QCOMPARE(map->backgroundSize().width(), screen.width());
    }

    void missingBackgroundIsReported()
    {
        QVERIFY(m_store.setBackground(m_home->path() + "/nowhere.jpg"));
        makeMain();
        QCOMPARE(m_prompter.said().size(), 1);
        QCOMPARE(m_prompter.said().first().icon, Prompter::Icon::Critical);
        QVERIFY(!m_prompter.last().isEmpty());
        QVERIFY(m_main->map()->background().isNull());
        QCOMPARE(m_main->map()->computers().size(), 2); // start-up went on
    }

    void faultyRosterRowIsSkipped()
    {
        QVERIFY(m_store.exec("INSERT INTO computers (aa, pcname, ip, \"left\", top, timer, pretime, \"user\")"
                             " VALUES (0, 'bad', '127.0.0.19', 0, 0, 0, 0, 0)"));
        makeMain(false);
        QCOMPARE(m_main->map()->computers(), QList<int>({1, 2}));
        QCOMPARE(m_prompter.said().size(), 1);
        QVERIFY(m_prompter.last().contains("bad"));
        QVERIFY(!m_main->action("settings")->isEnabled()); // the role menus still apply
    }

    void cashRegister_data()
    {
        QTest::addColumn<QList<int>>("todayCents");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing today") << QList<int>{} << QString::fromUtf8("0,00\u00a0€");
        QTest::newRow("three today") << QList<int>{150, 200, 50} << QString::fromUtf8("4,00\u00a0€");
        QTest::newRow("thousands") << QList<int>{123450, 100} << QString::fromUtf8("1.235,50\u00a0€");
    }
    void cashRegister()
    {
        QFETCH(QList<int>, todayCents);
        QFETCH(QString, shown);
        QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece));
        const QDate today = m_clock.now().date();
        for (int cents : todayCents) {
            KinRow row;
            row.computer = "pc1";
            row.startdate = today;
            row.starttime = QDateTime(today, QTime(8, 0));
            row.total = Money::fromCents(cents);
            QVERIFY(m_store.appendTransaction(row));
        }
        KinRow running; // still open: no total yet
        running.computer = "Pc2";
        running.startdate = today;
        running.starttime = QDateTime(today, QTime(9, 0));
        running.enab = true;
        QVERIFY(m_store.appendTransaction(running));
        KinRow yesterday;
        yesterday.computer = "pc1";
        yesterday.startdate = today.addDays(-1);
        yesterday.starttime = QDateTime(today.addDays(-1), QTime(23, 50));
        yesterday.total = Money::fromCents(999);
        QVERIFY(m_store.appendTransaction(yesterday));

        makeMain();
        m_prompter.clear();
        m_main->action("tamio")->trigger();
        QCOMPARE(m_prompter.said().size(), 1);
        QCOMPARE(m_prompter.last(), shown);
        QCOMPARE(m_prompter.said().first().icon, Prompter::Icon::None);
        QVERIFY(!m_prompter.said().first().question);
        QLocale::setDefault(QLocale::system());
    }

    void screenshot()
    {
        const QByteArray dir = qgetenv("KORVANE_SCREENSHOTS");
        if (dir.isEmpty())
            QSKIP("set KORVANE_SCREENSHOTS to a folder to save pictures of the window");
        for (int i = 3; i <= 8; ++i)
            m_store.addComputer({0, QString("PC%1").arg(i), "127.0.0.1", 300 + (i - 1) * 1500 % 9000,
                                 450 + ((i - 1) / 6) * 1500, false, false, false});
        makeMain();
        m_main->map()->setPicture(1, StatusPictures::draw(Picture::Normal));
        m_main->map()->setPicture(3, StatusPictures::draw(Picture::Prepaid));
        m_main->map()->setPicture(4, StatusPictures::draw(Picture::Free));
        QVERIFY(m_main->grab().save(QString::fromLocal8Bit(dir) + "/mainwindow.png"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
