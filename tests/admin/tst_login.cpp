#include "ConsoleFixture.h"
#include "admin/Login.h"
#include "admin/LoginWindow.h"
#include "console/MainWindow.h"
#include "base/UserSettings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QToolBar>
#include <QtTest>

Q_DECLARE_METATYPE(Login::Role)

class TestLogin : public QObject
{
    Q_OBJECT
    QTemporaryDir m_config;

    void typeAndReturn(LoginWindow &w, const QString &account, const QString &password)
    {
        w.accountList()->setCurrentText(account);
        w.passwordField()->setFocus();
        QTest::keyClicks(w.passwordField(), password);
        QTest::keyClick(w.passwordField(), Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        isolateUserSettings(m_config);
        qRegisterMetaType<Login::Role>();
    }
    void passwords_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("role"); // -1 wrong, 0 admin, 1 cashier
        QTest::newRow("admin") << "Admin"
                               << "kelpo" << 0;
        QTest::newRow("admin upper case") << "Admin"
                                          << "KELPO" << 0;
        QTest::newRow("cashier mixed case") << "user"
                                            << "dAsK" << 1;
        QTest::newRow("other account's password") << "Admin"
                                                  << "dask" << -1;
        QTest::newRow("empty") << "Admin"
                               << "" << -1;
        QTest::newRow("quoted always-true") << "Admin"
                                            << "' or '1'='1" << -1;
        QTest::newRow("trailing blank") << "Admin"
                                        << "kelpo " << -1;
    }
    void passwords()
    {
        Desk d;
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(int, role);
        LoginWindow w(d.store, d.prompter);
        QSignalSpy spy(&w, &LoginWindow::loggedIn);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        typeAndReturn(w, account, password);
        if (role < 0) {
            QCOMPARE(spy.count(), 0);
            QCOMPARE(d.prompter.said().size(), 1);
            QCOMPARE(d.prompter.last(), QString("Wrong Password"));
            QCOMPARE(d.prompter.said().first().icon, Prompter::Icon::Critical);
            QVERIFY(w.isVisible()); // another attempt may follow
        } else {
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.first().at(0).value<Login::Role>(), role == 0 ? Login::Role::Admin : Login::Role::Cashier);
            QVERIFY(d.prompter.said().isEmpty());
            QVERIFY(!w.isVisible());
        }
    }

    void cancelCloses()
    {
        Desk d;
        LoginWindow w(d.store, d.prompter);
        QSignalSpy spy(&w, &LoginWindow::loggedIn);
        w.show();
        QTest::mouseClick(w.cancelButton(), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QCOMPARE(spy.count(), 0);
    }

    void firstRunNoticeUntilTheConsoleLoads()
    {
        Desk d;
        QSettings("korvane", "korvane").remove("config/firstrun");
        const QString notice = "this is the first time you are running korvane\n"
                               " The default password for Admin = kelpo\n"
                               "The default password for user = dask";
        for (int start = 0; start < 2; ++start) {
            LoginWindow w(d.store, d.prompter);
            w.noticeFirstRun(UserSettings());
            QCOMPARE(d.prompter.texts(), QStringList({notice}));
            QCOMPARE(d.prompter.said().first().icon, Prompter::Icon::Information);
            d.prompter.clear();
        }
        d.open().setExitMode("force");
        d.main.reset();
        QCOMPARE(QSettings("korvane", "korvane").value("config/firstrun").toString(), QString("no"));
        LoginWindow w(d.store, d.prompter);
        w.noticeFirstRun(UserSettings());
        QVERIFY(d.prompter.said().isEmpty());
    }

    // A user's settings from an earlier version still read: the names and forms are theirs.
    void userSettingsReadWhatWasStored()
    {
        QSettings stored("korvane", "korvane");
        stored.setValue("config/geometry", QByteArray("kept"));
        stored.setValue("windows/chuser/pos", QPoint(12, 34));
        stored.setValue("config/support", "http://127.0.0.1/help");
        const UserSettings s;
        QCOMPARE(s.geometry(), QByteArray("kept"));
        QCOMPARE(s.windowPlace("chuser"), std::optional<QPoint>(QPoint(12, 34)));
        QCOMPARE(s.windowPlace("miscsettings"), std::nullopt);
        QCOMPARE(s.supportAddress(), QString("http://127.0.0.1/help"));
        for (const char *key : {"config/geometry", "windows", "config/support"})
            stored.remove(key);
    }

    void reloginChangesTheRoleAtOnce()
    {
        Desk d;
        MainWindow &main = d.open();
        QCOMPARE(main.panel(1), QString("User: Admin"));
        const QStringList adminMenus{"settings", "kin", "tools"};
        QAction *button3 = main.toolbar()->actions().at(2);
        for (const QString &m : adminMenus)
            QVERIFY2(main.action(m)->isEnabled(), qPrintable(m));
        QVERIFY(button3->isEnabled());
        QCOMPARE(main.roleName(), QString("admin"));

        // From the toolbar, as the cashier.
        button3->trigger();
        LoginWindow *relogin = main.findChild<LoginWindow *>();
        QVERIFY(relogin);
        QTRY_VERIFY(relogin->isVisible());
        typeAndReturn(*relogin, "user", "dask");
        for (const QString &m : adminMenus)
            QVERIFY2(!main.action(m)->isEnabled(), qPrintable(m));
        QVERIFY(!button3->isEnabled());
        QCOMPARE(main.panel(1), QString("User: User"));
        QCOMPARE(main.roleName(), QString("user"));
        QTRY_VERIFY(!main.findChild<LoginWindow *>()); // closed and gone

        // Back to the administrator through the Cashier menu.
        main.action("chuser")->trigger();
        relogin = main.findChild<LoginWindow *>();
        QVERIFY(relogin);
        typeAndReturn(*relogin, "Admin", "Kelpo");
        for (const QString &m : adminMenus)
            QVERIFY2(main.action(m)->isEnabled(), qPrintable(m));
        QVERIFY(button3->isEnabled());
        QCOMPARE(main.panel(1), QString("User: Admin"));
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
