#include "TempHome.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"

#include <QtTest>

class TestStore : public QObject
{
    Q_OBJECT
    TempHome *m_home = nullptr;
    CafeStore m_cafe;
    CustomerStore m_customers;

private slots:
    void init()
    {
        m_home = new TempHome;
        QVERIFY(m_home->ok());
        QVERIFY(!m_cafe.open(m_home->paths().cafeDatabase()));
        QVERIFY(!m_customers.open(m_home->paths().customerDatabase()));
    }
    void cleanup()
    {
        m_cafe.close();
        m_customers.close();
        delete m_home;
    }

    void yesNoFields_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("stored");
        QTest::newRow("text True") << QVariant("True") << true;
        QTest::newRow("bool false") << QVariant(false) << false;
        QTest::newRow("int 1") << QVariant(1) << true;
    }
    void yesNoFields()
    {
        QFETCH(QVariant, value);
        QFETCH(bool, stored);
        // Two rows with the same name are flagged together; the other is not.
        for (const char *ip : {"127.0.0.1", "127.0.0.2"})
            m_cafe.addComputer({0, "PC1", ip, 0, 0, !stored, false, false});
        m_cafe.addComputer({0, "PC2", "127.0.0.3", 0, 0, false, false, false});
        QVERIFY(m_cafe.setFlag("PC1", ComputerFlag::Timer, value));
        QCOMPARE(
            (QList<qsizetype>{m_cafe.computers()->first().timer, m_cafe.computersFlagged(ComputerFlag::Timer)->size(),
                              m_cafe.freeComputers()->size()}),
            (QList<qsizetype>{stored, 2 * stored, 3 - 2 * stored}));
        QCOMPARE(m_cafe.freeComputers()->last().pcname, QString("PC2"));
    }

    void moneyIsExact()
    {
        const Money m = Money::fromUnits(12345678901); // 1.234.567,8901
        KinRow row;
        row.computer = "PC1";
        row.timecharged = m;
        row.extra = Money::fromUnits(1);
        row.total = m.plus(Money::fromUnits(1));
        const qint64 aa = *m_cafe.appendTransaction(row);
        const KinRow back = *m_cafe.transaction(aa);
        QCOMPARE((QList<std::optional<Money>>{back.timecharged, back.extra, back.total}),
                 (QList<std::optional<Money>>{m, Money::fromUnits(1), Money::fromUnits(12345678902)}));
        // A quantity whose line would overflow is refused before SQLite could make it a REAL.
        const qint64 line = *m_cafe.addExtra({0, aa, "Coffee", 1, Money::fromCents(2000), Money::fromCents(2000)});
        const Result<bool> stored = m_cafe.setExtraQuantity(line, 600000000000000);
        QVERIFY(stored && !*stored);
        QCOMPARE(*m_cafe.sumExtras(aa), std::optional(Money::fromCents(2000)));
    }

    // Whatever writes them, the books keep amounts, prices and quantities whole and within bounds.
    void booksKeepMoneyWithinBounds_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("kept");
        QTest::newRow("highest price") << "INSERT INTO products (price) VALUES (100000000000)" << true;
        QTest::newRow("price beyond") << "INSERT INTO products (price) VALUES (100000000001)" << false;
        QTest::newRow("negative rate") << "UPDATE rates SET rate = -1" << false;
        QTest::newRow("inexact minimum charge") << "UPDATE settings SET fixed = 0.5" << false;
        QTest::newRow("quantity beyond") << "INSERT INTO extra (itemquant) VALUES (10001)" << false;
        QTest::newRow("overflowing line") << "UPDATE extra SET charge = itemquant * 9223372036854775807" << false;
        QTest::newRow("total beyond") << "UPDATE kin SET total = 1000000000000001" << false;
        QTest::newRow("a day's sum past 64 bits") << "UPDATE kin_days SET total = total + 9223372036854775807" << false;
    }
    void booksKeepMoneyWithinBounds()
    {
        QFETCH(QString, statement);
        QFETCH(bool, kept);
        QVERIFY(
            m_cafe.exec("INSERT INTO kin (computer, type, startdate, total) VALUES ('PC1', 'normal', '2026-03-02', 1)")
            && m_cafe.exec("INSERT INTO extra (\"key\", itemquant, itemprice, charge) VALUES (1, 2, 100, 200)"));
        QCOMPARE(m_cafe.exec(statement), kept);
        QCOMPARE(m_cafe.lastError().contains("beyond"), !kept);
    }

    void openAndClosedTransactions()
    {
        const QDateTime start(QDate(2026, 3, 1), QTime(23, 50, 5));
        KinRow open;
        open.computer = "PC1";
        open.startdate = start.date();
        open.starttime = start;
        open.enab = true;
        open.type = "normal";
        const qint64 openKey = *m_cafe.appendTransaction(open);
        KinRow closed = open;
        closed.enab = false;
        closed.enddate = QDate(2026, 3, 2);
        closed.endtime = QTime(0, 10);
        closed.total = Money::fromCents(150);
        m_cafe.appendTransaction(closed);

        const auto found = *m_cafe.openNormal("PC1");
        QCOMPARE(found.size(), 1);
        QVERIFY(found.first().aa == openKey && found.first().starttime == start);
        QVERIFY(!found.first().enddate && !found.first().total && m_cafe.openNormal("PC2")->isEmpty());
        // The open row has no total yet and counts as zero.
        QCOMPARE(*m_cafe.takingsOn(QDate(2026, 3, 1)), Money::fromCents(150));
        QCOMPARE(*m_cafe.takingsOn(QDate(2026, 3, 2)), Money());
    }

    void namesAreData_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("apostrophe") << "O'Brien's PC";
        QTest::newRow("sql") << "x' OR '1'='1";
        QTest::newRow("greek") << "Νίκος Παπαδόπουλος";
    }
    void namesAreData()
    {
        QFETCH(QString, name);
        m_cafe.addComputer({0, "Other", "127.0.0.9", 0, 0, false, false, false});
        const qint64 aa = *m_cafe.addComputer({0, name, "127.0.0.1", 0, 0, false, false, false});
        QVERIFY(m_cafe.setFlag(name, ComputerFlag::Timer, true));
        const auto rows = *m_cafe.computersNamed(name);
        QVERIFY(rows.size() == 1 && rows.first().aa == aa && rows.first().pcname == name);
        QCOMPARE(m_cafe.computersFlagged(ComputerFlag::Timer)->size(), 1);
        QVERIFY(m_cafe.savePosition(name, 300, 400));
        QCOMPARE((QList<int>{m_cafe.computersNamed(name)->first().left, m_cafe.computersNamed("Other")->first().left}),
                 (QList<int>{300, 0}));

        CustomerRow c;
        c.name = c.lastname = c.password = name;
        m_customers.addAccount(c);
        // Letter case folds in every alphabet, a final sigma written as any sigma.
        QCOMPARE(m_customers.accountsNamed(name.toUpper(), name.toUpper().toLower())->size(), 1);
        QVERIFY(m_customers.accountsNamed(name, QString::fromUtf8("Άλλος"))->isEmpty());
        QVERIFY(m_customers.accountsWithPin(name)->size() == 1 && m_customers.accountsWithPin("' or ''='")->isEmpty());
    }
};

QTEST_MAIN(TestStore)
#include "tst_store.moc"
