#include "ConsoleFixture.h"
#include "admin/Login.h"
#include "admin/LoginWindow.h"
#include "base/UserSettings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QToolBar>

Q_DECLARE_METATYPE(Login::Role)

class TestLogin : public QObject
{
    Q_OBJECT

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
        QVERIFY(isolateUserSettings());
        qRegisterMetaType<Login::Role>();
    }
    void passwords_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("role"); // -1 wrong, 0 admin, 1 cashier
        QTest::newRow("admin") << "Admin" << "kelpo" << 0;
        QTest::newRow("admin upper case") << "Admin" << "KELPO" << 0;
        QTest::newRow("cashier mixed case") << "user" << "dAsK" << 1;
        QTest::newRow("other account's password") << "Admin" << "dask" << -1;
        QTest::newRow("empty") << "Admin" << "" << -1;
        QTest::newRow("quoted always-true") << "Admin" << "' or '1'='1" << -1;
        QTest::newRow("trailing blank") << "Admin" << "kelpo " << -1;
    }
    void passwords()
    {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(int, role);
        Desk d;
        LoginWindow w(d.store, d.prompter);
        QSignalSpy spy(&w, &LoginWindow::loggedIn);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        typeAndReturn(w, account, password);
        if (role >= 0) {
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.first().at(0).value<Login::Role>(), role == 0 ? Login::Role::Admin : Login::Role::Cashier);
            QVERIFY(d.prompter.said().isEmpty() && !w.isVisible());
            return;
        }
        QCOMPARE(d.prompter.texts(Prompter::Icon::Critical), QStringList{"Wrong Password"});
        QCOMPARE(d.prompter.said().size(), 1);
        QVERIFY(w.isVisible()); // another attempt may follow, or Cancel
        QTest::mouseClick(w.findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
        QVERIFY(!w.isVisible() && w.result() == int(QDialog::Rejected) && spy.isEmpty());
    }

    void firstRunNoticeUntilTheConsoleLoads()
    {
        Desk d;
        QSettings("korvane", "korvane").remove("config/firstrun");
        const QString notice = "this is the first time you are running korvane\n"
                               " The default password for Admin = kelpo\n"
                               "The default password for user = dask";
        for (int start = 0; start < 2; ++start)
            LoginWindow(d.store, d.prompter).noticeFirstRun(UserSettings());
        QCOMPARE(d.prompter.texts(Prompter::Icon::Information), (QStringList{notice, notice}));
        d.open().setExitMode("force");
        d.main.reset();
        QCOMPARE(QSettings("korvane", "korvane").value("config/firstrun").toString(), QString("no"));
        d.prompter.clear();
        LoginWindow(d.store, d.prompter).noticeFirstRun(UserSettings());
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

    // From the toolbar as the cashier, back through the Cashier menu as the administrator.
    void reloginChangesTheRoleAtOnce()
    {
        Desk d;
        MainWindow &main = d.open();
        QAction *button3 = main.toolbar()->actions().at(2);
        const auto relogin = [&](QAction *from, const char *account, const char *password, bool admin) {
            from->trigger();
            LoginWindow *w = main.findChild<LoginWindow *>();
            QTRY_VERIFY(w && w->isVisible());
            typeAndReturn(*w, account, password);
            for (QAction *a : {main.action(MenuEntry::Settings), main.action(MenuEntry::Transactions),
                               main.action(MenuEntry::Tools), button3})
                QVERIFY2(a->isEnabled() == admin, qPrintable(a->text()));
            QCOMPARE(main.panel(1) + ' ' + main.roleName(), admin ? QString("User: Admin admin") : "User: User user");
            QTRY_VERIFY(!main.findChild<LoginWindow *>()); // closed and gone
        };
        relogin(button3, "user", "dask", false);
        relogin(main.action(MenuEntry::SwitchCashier), "Admin", "Kelpo", true);
    }
};

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
