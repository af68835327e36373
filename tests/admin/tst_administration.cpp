// The administrator's windows: the two passwords and the computer roster.
#include "ConsoleFixture.h"
#include "Widgets.h"
#include "admin/Login.h"
#include "admin/PasswordWindow.h"
#include "admin/RosterModel.h"
#include "admin/RosterWindow.h"

#include <QTableView>

namespace {
void type(QLineEdit *field, const QString &text)
{
    field->clear();
    field->insert(text); // as typed, Greek included (key clicks are Latin-1 only)
}
QStringList rosterRows(RosterWindow &w)
{
    const auto *m = static_cast<RosterModel *>(child<QTableView>(&w, "computerGrid")->model());
    QStringList rows;
    for (int r = 0; r < m->rowCount(); ++r)
        rows << m->name(r) + QLatin1Char('/') + m->address(r);
    return rows;
}
using L = QStringList;
} // namespace

class TestAdministration : public QObject
{
    Q_OBJECT
private slots:
    void passwordMessages_data()
    {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QStringList>("typed"); // current, new, again
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QString>("stored"); // the account's password afterwards
        const L changed{"Password Has Been Changed"};
        const QString greek = " O'Κωδικός 2 ";
        // clang-format off
        QTest::newRow("admin: no current") << true << L{"", "a", "a"} << L{"Current Password Was Not Entered "} << "kelpo";
        QTest::newRow("admin: no new") << true << L{"kelpo", "", "a"} << L{" New Password Is Blank"} << "kelpo";
        QTest::newRow("admin: no verify") << true << L{"kelpo", "a", ""} << L{"Please verify Your Password"} << "kelpo";
        QTest::newRow("admin: mismatch") << true << L{"kelpo", "a", "b"} << L{"Password Do Not Match"} << "kelpo";
        QTest::newRow("admin: wrong and mismatch") << true << L{"nope", "a", "b"} << L{"Password Do Not Match", " Current Password Is Invalid"} << "kelpo";
        // Only the folded password's digest is kept: the current one is compared as the login compares it.
        QTest::newRow("admin: other case") << true << L{"KELPO", "a", "a"} << changed << "a";
        QTest::newRow("admin: same again") << true << L{"kelpo", "kelpo", "kelpo"} << changed << "kelpo";
        QTest::newRow("admin: greek, apostrophe, blanks") << true << L{"kelpo", greek, greek} << changed << greek;
        QTest::newRow("user: no new") << false << L{"", "", "a"} << L{" New Password Is Blank"} << "dask";
        QTest::newRow("user: no verify") << false << L{"", "a", ""} << L{"Please verify Your Password"} << "dask";
        QTest::newRow("user: mismatch") << false << L{"", "a", "b"} << L{"Passwords Do Not Match"} << "dask";
        QTest::newRow("user: no current asked") << false << L{"", "ταμίας", "ταμίας"} << changed << "ταμίας";
        // clang-format on
    }
    void passwordMessages()
    {
        QFETCH(bool, admin);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, told);
        QFETCH(QString, stored);
        Desk d;
        PasswordWindow w(d.store, d.prompter, admin ? Passwords::Mode::Admins : Passwords::Mode::Users);
        QVERIFY(w.load());
        w.show();
        QCOMPARE(child(&w, "currentPassword")->isVisible(), admin);
        for (const char *name : {"currentPassword", "newPassword", "verifyPassword"})
            type(child(&w, name), typed.takeFirst());
        QTest::mouseClick(w.changeButton(), Qt::LeftButton);
        QCOMPARE(d.prompter.texts(), told);
        QCOMPARE(w.isVisible(), told != L{"Password Has Been Changed"});
        // A salted slow digest is kept, never the password; the login takes it in any letter case.
        auto q = d.store.run("SELECT password LIKE 'pbkdf2-sha256$20000$%' FROM users WHERE username = ?",
                             {admin ? "admin" : "user"});
        QVERIFY(q && q->next() && q->value(0).toBool());
        const auto role = Login(d.store).auth(admin ? "Admin" : "user", stored.toUpper());
        QCOMPARE(role.value_or(std::nullopt), std::optional(admin ? Login::Role::Admin : Login::Role::Cashier));
    }

    // Adding a computer, or changing PC2 in its edit window: the first refusal is told.
    void rosterChecks_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QStringList>("typed"); // name, address
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("rows");
        const L before{"PC1/10.0.0.5", "PC2/10.0.0.6", "καφε/10.0.0.9"};
        const L exists{" IP Address Or Computer Name Already Exists"}, invalid{Roster::invalidAddressMessage()};
        // clang-format off
        QTest::newRow("no name") << false << L{"", "10.0.0.7"} << L{" Computer Name Was Not Entered"} << before;
        QTest::newRow("blank name") << false << L{" \t ", "10.0.0.7"} << L{" Computer Name Was Not Entered"} << before;
        QTest::newRow("no address") << false << L{"PC3", ""} << L{"IP Address Was Not Entered"} << before;
        QTest::newRow("host name") << false << L{"PC3", "pc3.local"} << invalid << before;
        QTest::newRow("name in other case, blanks around") << false << L{" pc1 ", "10.0.0.7"} << exists << before;
        QTest::newRow("greek name in other case") << false << L{"ΚΑΦΕ", "10.0.0.7"} << exists << before;
        QTest::newRow("same address written otherwise") << false << L{"PC3", "10.0.0.05"} << exists << before;
        QTest::newRow("new, stored trimmed") << false << L{" PC3 ", "10.0.0.07"} << L{"Update Complete", "Setting Will Take Affect Only After Restarting The Application"} << before + L{"PC3/10.0.0.7"};
        QTest::newRow("edit: no name") << true << L{"", "10.0.0.6"} << L{" No Computer Name Was Entered"} << before;
        QTest::newRow("edit: no address") << true << L{"PC2", ""} << L{"No IP Address Was Entered"} << before;
        // Another computer's name would find its transactions and logons; its own address is no other's.
        QTest::newRow("edit: another's name") << true << L{" pc1 ", "10.0.0.7"} << exists << before;
        QTest::newRow("edit: saved trimmed") << true << L{" PC3 ", "10.0.0.6"} << L{} << L{"PC1/10.0.0.5", "PC3/10.0.0.6", "καφε/10.0.0.9"};
        // clang-format on
    }
    void rosterChecks()
    {
        QFETCH(bool, edit);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, told);
        QFETCH(QStringList, rows);
        Desk d;
        QVERIFY(d.store.addComputer({0, "PC1", "10.0.0.5", 300, 300, false, false, false}));
        QVERIFY(d.store.addComputer({0, "PC2", "10.0.0.6", 1800, 300, false, false, false}));
        QVERIFY(d.store.addComputer({0, "καφε", "10.0.0.9", 1800, 1800, false, false, false}));
        RosterWindow w(d.store, d.prompter);
        w.show();
        QPointer<ComputerEditWindow> e = edit ? w.edit(1) : nullptr;
        QWidget *window = edit ? static_cast<QWidget *>(e) : &w;
        type(child(window, "computerName"), typed[0]);
        type(child(window, "ipAddress"), typed[1]);
        click(window, edit ? "save" : "addComputer");
        QCOMPARE(d.prompter.texts(), told);
        QCOMPARE(rosterRows(w), rows);
        const bool done = rows != L{"PC1/10.0.0.5", "PC2/10.0.0.6", "καφε/10.0.0.9"};
        if (edit)
            QTRY_COMPARE(e.isNull(), done);
        else
            QCOMPARE(child(&w, "computerName")->text(), done ? QString() : typed[0]);
    }

    void newComputerLandsOnAFreePlace()
    {
        Desk d;
        RosterWindow w(d.store, d.prompter);
        for (int i = 1; i <= 12; ++i) {
            type(child(&w, "computerName"), QStringLiteral("PC%1").arg(i));
            type(child(&w, "ipAddress"), QStringLiteral("10.0.1.%1").arg(i));
            w.add();
        }
        const auto rows = *d.store.computers();
        QCOMPARE(rows.size(), 12);
        for (int i = 0; i < rows.size(); ++i)
            for (int j = i + 1; j < rows.size(); ++j)
                QVERIFY2(qAbs(rows[i].left - rows[j].left) >= Roster::CellWidth
                             || qAbs(rows[i].top - rows[j].top) >= Roster::CellHeight,
                         "two new computers share a place");
    }

    // A double-click opens the edit window; one with a running time charge is
    // neither deleted nor renamed (its transaction would be unbillable), one
    // without is deleted on Yes.
    void deleteOnlyWithoutARunningCharge()
    {
        Desk d;
        const qint64 pc1 = *d.store.addComputer({0, "PC1", "10.0.0.5", 300, 300, false, false, false});
        const qint64 pc2 = *d.store.addComputer({0, "PC2", "10.0.0.6", 1800, 300, false, false, false});
        RosterWindow w(d.store, d.prompter);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        clickRow(child<QTableView>(&w, "computerGrid"), 1, RosterModel::Name, true);
        ComputerEditWindow *edit = w.findChild<ComputerEditWindow *>();
        QVERIFY(edit && edit->isVisible() && child(edit, "key")->text() == QString::number(pc2));
        KinRow open;
        open.computer = "PC1";
        open.startdate = QDate(2026, 3, 2);
        open.starttime = QDateTime(open.startdate, QTime(10, 0));
        open.enab = true;
        open.type = "normal";
        const qint64 kin = *d.store.appendTransaction(open);
        QVERIFY(d.store.setFlag("PC1", ComputerFlag::Timer, true));
        edit = w.edit(0);
        edit->remove();
        QVERIFY(d.prompter.said().size() == 1 && !d.prompter.said().first().question);
        type(child(edit, "computerName"), "PC9");
        edit->update();
        for (const QString &told : d.prompter.texts())
            QVERIFY2(told.contains(QStringLiteral("Transaction %1").arg(kin)), qPrintable(told));
        QCOMPARE(rosterRows(w), (L{"PC1/10.0.0.5", "PC2/10.0.0.6"}));

        QVERIFY(d.store.exec("UPDATE computers SET timer = 0, pcname = 'PC9' WHERE aa = ?", {pc1}));
        w.getComputers();
        d.prompter.clear();
        edit = w.edit(0);
        edit->remove(); // answered No
        d.prompter.answer(true);
        edit->remove();
        QCOMPARE(d.prompter.texts(), (L{"Delete PC9?", "Delete PC9?"}));
        QTRY_VERIFY(!w.findChild<ComputerEditWindow *>());
        QCOMPARE(rosterRows(w), (L{"PC2/10.0.0.6"}));
    }
};

QTEST_MAIN(TestAdministration)
#include "tst_administration.moc"
