// The administrator's windows: the two passwords and the computer roster.
#include "ConsoleFixture.h"
#include "admin/Login.h"
#include "admin/PasswordWindow.h"
#include "admin/RosterModel.h"
#include "admin/RosterWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

class TestAdministration : public QObject
{
    Q_OBJECT
    void type(QLineEdit *field, const QString &text)
    {
        field->clear();
        field->insert(text); // as typed, Greek included (key clicks are Latin-1 only)
    }
    QStringList rosterRows(RosterWindow &w)
    {
        QStringList rows;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            rows << w.model()->name(r) + QLatin1Char('/') + w.model()->address(r);
        return rows;
    }

private slots:
    void passwordMessages_data()
    {
        QTest::addColumn<bool>("admin");
        QTest::addColumn<QStringList>("typed"); // current, new, again
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QString>("stored"); // the account's password afterwards
        const auto told = [](const char *t) { return QStringList{t}; };
        const QStringList changed{"Password Has Been Changed"};
        const QString greek = " O'Κωδικός 2 ";
        QTest::newRow("admin: no current")
            << true << QStringList{"", "a", "a"} << told("Current Password Was Not Entered ") << "kelpo";
        QTest::newRow("admin: no new") << true << QStringList{"kelpo", "", "a"} << told(" New Password Is Blank")
                                       << "kelpo";
        QTest::newRow("admin: no verify")
            << true << QStringList{"kelpo", "a", ""} << told("Please verify Your Password") << "kelpo";
        QTest::newRow("admin: mismatch") << true << QStringList{"kelpo", "a", "b"} << told("Password Do Not Match")
                                         << "kelpo";
        QTest::newRow("admin: wrong and mismatch")
            << true << QStringList{"nope", "a", "b"}
            << QStringList{"Password Do Not Match", " Current Password Is Invalid"} << "kelpo";
        // Only the folded password's digest is kept: the current one is compared as the login compares it.
        QTest::newRow("admin: other case") << true << QStringList{"KELPO", "a", "a"} << changed << "a";
        QTest::newRow("admin: same again") << true << QStringList{"kelpo", "kelpo", "kelpo"} << changed << "kelpo";
        QTest::newRow("admin: greek, apostrophe, blanks")
            << true << QStringList{"kelpo", greek, greek} << changed << greek;
        QTest::newRow("user: no new") << false << QStringList{"", "", "a"} << told(" New Password Is Blank") << "dask";
        QTest::newRow("user: no verify") << false << QStringList{"", "a", ""} << told("Please verify Your Password")
                                         << "dask";
        QTest::newRow("user: mismatch") << false << QStringList{"", "a", "b"} << told("Passwords Do Not Match")
                                        << "dask";
        QTest::newRow("user: no current asked") << false << QStringList{"", "ταμίας", "ταμίας"} << changed << "ταμίας";
    }
    void passwordMessages()
    {
        Desk d;
        QFETCH(bool, admin);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, told);
        QFETCH(QString, stored);

        PasswordWindow w(d.store, d.prompter, admin ? Passwords::Mode::Admins : Passwords::Mode::Users);
        QVERIFY(w.load());
        w.show();
        QCOMPARE(w.currentField()->isVisible(), admin);
        if (admin)
            type(w.currentField(), typed[0]);
        type(w.newField(), typed[1]);
        type(w.againField(), typed[2]);
        QTest::mouseClick(w.changeButton(), Qt::LeftButton);
        QCOMPARE(d.prompter.texts(), told);
        QCOMPARE(w.isVisible(), told.last() != QLatin1String("Password Has Been Changed"));
        const QString account = admin ? QStringLiteral("admin") : QStringLiteral("user");
        // A salted slow digest is kept, never the password; the login takes it in any letter case.
        auto q = d.store.run("SELECT password LIKE 'pbkdf2-sha256$20000$%' FROM users WHERE username = ?", {account});
        QVERIFY(q && q->next() && q->value(0).toBool());
        const auto role = Login(d.store).auth(admin ? "Admin" : "user", stored.toUpper());
        QCOMPARE(role.value_or(Login::Role(-1)), admin ? Login::Role::Admin : Login::Role::Cashier);
    }

    void rosterAdd_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, address
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("rows");
        const QStringList before{"PC1/10.0.0.5", "καφε/10.0.0.9"};
        const QStringList exists{" IP Address Or Computer Name Already Exists"};
        QTest::newRow("no name") << QStringList{"", "10.0.0.6"} << QStringList{" Computer Name Was Not Entered"}
                                 << before;
        QTest::newRow("blank name") << QStringList{" \t ", "10.0.0.6"} << QStringList{" Computer Name Was Not Entered"}
                                    << before;
        QTest::newRow("no address") << QStringList{"PC2", ""} << QStringList{"IP Address Was Not Entered"} << before;
        QTest::newRow("host name") << QStringList{"PC2", "pc2.local"} << QStringList{Roster::invalidAddressMessage()}
                                   << before;
        QTest::newRow("name in other case, blanks around") << QStringList{" pc1 ", "10.0.0.6"} << exists << before;
        QTest::newRow("greek name in other case") << QStringList{"ΚΑΦΕ", "10.0.0.6"} << exists << before;
        QTest::newRow("same address written otherwise") << QStringList{"PC2", "10.0.0.05"} << exists << before;
        QTest::newRow("new, stored trimmed")
            << QStringList{" PC2 ", "10.0.0.06"}
            << QStringList{"Update Complete", "Setting Will Take Affect Only After Restarting The Application"}
            << (before + QStringList{"PC2/10.0.0.6"});
    }
    void rosterAdd()
    {
        Desk d;
        QFETCH(QStringList, typed);
        QFETCH(QStringList, told);
        QFETCH(QStringList, rows);
        QVERIFY(d.store.addComputer({0, "PC1", "10.0.0.5", 300, 300, false, false, false}));
        QVERIFY(d.store.addComputer({0, "καφε", "10.0.0.9", 1800, 300, false, false, false}));

        RosterWindow w(d.store, d.prompter);
        w.show();
        type(w.nameField(), typed[0]);
        type(w.addressField(), typed[1]);
        QTest::mouseClick(w.addButton(), Qt::LeftButton);
        QCOMPARE(d.prompter.texts(), told);
        QCOMPARE(rosterRows(w), rows);
        QCOMPARE(w.nameField()->text(), told.first() == QLatin1String("Update Complete") ? QString() : typed[0]);
    }

    void newComputerLandsOnAFreePlace()
    {
        Desk d;
        RosterWindow w(d.store, d.prompter);
        for (int i = 1; i <= 12; ++i) {
            type(w.nameField(), QStringLiteral("PC%1").arg(i));
            type(w.addressField(), QStringLiteral("10.0.1.%1").arg(i));
            w.add();
        }
        const auto rows = d.store.computers();
        QCOMPARE(rows->size(), 12);
        for (int i = 0; i < rows->size(); ++i)
            for (int j = i + 1; j < rows->size(); ++j)
                QVERIFY2(qAbs(rows->at(i).left - rows->at(j).left) >= Roster::CellWidth
                             || qAbs(rows->at(i).top - rows->at(j).top) >= Roster::CellHeight,
                         "two new computers share a place");
    }

    void editAndDelete()
    {
        Desk d;
        const qint64 pc1 = *d.store.addComputer({0, "PC1", "10.0.0.5", 300, 300, false, false, false});
        const qint64 pc2 = *d.store.addComputer({0, "PC2", "10.0.0.6", 1800, 300, false, false, false});
        RosterWindow w(d.store, d.prompter);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QModelIndex row2 = w.model()->index(1, RosterModel::Name);
        const QPoint at = w.list()->visualRect(row2).center();
        QTest::mouseClick(w.list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.list()->viewport(), Qt::LeftButton, {}, at);
        ComputerEditWindow *edit = w.findChild<ComputerEditWindow *>();
        QVERIFY(edit && edit->isVisible());
        QCOMPARE(edit->keyField()->text(), QString::number(pc2));

        type(edit->nameField(), "");
        edit->update();
        type(edit->addressField(), "");
        type(edit->nameField(), "PC2");
        edit->update();
        type(edit->addressField(), "10.0.0.x");
        edit->update();
        QCOMPARE(d.prompter.texts(), (QStringList{" No Computer Name Was Entered", "No IP Address Was Entered",
                                                  Roster::invalidAddressMessage()}));
        // Another computer's name or address: both would find its transactions and logons.
        for (const QStringList &taken : {QStringList{" pc1 ", "10.0.0.7"}, QStringList{"PC3", "10.0.0.05"}}) {
            type(edit->nameField(), taken[0]);
            type(edit->addressField(), taken[1]);
            edit->update();
            QCOMPARE(d.prompter.last(), QString(" IP Address Or Computer Name Already Exists"));
        }
        type(edit->nameField(), " PC3 ");
        type(edit->addressField(), "10.0.0.7");
        edit->update();
        QTRY_VERIFY(!w.findChild<ComputerEditWindow *>());
        QCOMPARE(rosterRows(w), (QStringList{"PC1/10.0.0.5", "PC3/10.0.0.7"}));

        // Deleting one with a running time charge would leave its transaction unbillable.
        KinRow open;
        open.computer = "PC1";
        open.startdate = QDate(2026, 3, 2);
        open.starttime = QDateTime(open.startdate, QTime(10, 0));
        open.enab = true;
        open.type = "normal";
        const qint64 kin = *d.store.appendTransaction(open);
        QVERIFY(d.store.setFlag("PC1", ComputerFlag::Timer, true));
        d.prompter.clear();
        edit = w.edit(0);
        edit->remove();
        QVERIFY(d.prompter.said().size() == 1 && !d.prompter.said().first().question);
        QVERIFY(d.prompter.last().contains(QStringLiteral("Transaction %1").arg(kin)));
        QCOMPARE(d.store.computers()->size(), 2);
        // Nor renamed: the next start finds its transaction by the name.
        type(edit->nameField(), "PC9");
        edit->update();
        QVERIFY(d.prompter.last().contains(QStringLiteral("Transaction %1").arg(kin)));
        QCOMPARE(d.store.computers()->first().pcname, QString("PC1"));

        QVERIFY(d.store.exec("UPDATE computers SET timer = 0, pcname = 'PC9' WHERE aa = ?", {pc1}));
        w.getpcs();
        d.prompter.clear();
        edit = w.edit(0);
        edit->remove(); // answered No
        d.prompter.answer(true);
        edit->remove();
        QCOMPARE(d.prompter.texts(), (QStringList{"Delete PC9?", "Delete PC9?"}));
        QTRY_VERIFY(!w.findChild<ComputerEditWindow *>());
        QCOMPARE(rosterRows(w), (QStringList{"PC3/10.0.0.7"}));
    }
};

QTEST_MAIN(TestAdministration)
#include "tst_administration.moc"
