#include "TempHome.h"
#include "store/CafeStore.h"
#include "store/CustomerStore.h"
#include "engine/ChargeRecorder.h"
#include "store/Maintenance.h"

#include <QMutex>
#include <QSemaphore>
#include <QThread>
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
        // Two rows with the same name (an older book's) are flagged together; the other is not.
        for (const char *ip : {"127.0.0.1", "127.0.0.2"})
            QVERIFY(m_cafe.exec("INSERT INTO computers (pcname, ip, timer) VALUES ('PC1', ?, ?)", {ip, int(!stored)}));
        m_cafe.addComputer({0, "PC2", "127.0.0.3", 0, 0, false, false, false});
        QVERIFY(m_cafe.setFlag("PC1", ComputerFlag::Timer, value));
        QCOMPARE(
            (QList<qsizetype>{m_cafe.computers()->first().timer, m_cafe.computersFlagged(ComputerFlag::Timer)->size(),
                              m_cafe.freeComputers()->size()}),
            (QList<qsizetype>{stored, 2 * stored, 3 - 2 * stored}));
        QCOMPARE(m_cafe.freeComputers()->last().pcname, QString("PC2"));
    }

    // Transactions and marks find their computer by name: no two computers share one.
    void computerNamesStayApart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("renamed");
        QTest::newRow("an older name with blanks, in other case") << " pc1\t" << false;
        QTest::newRow("greek in other case") << "ΚΑΦΕ" << false;
        QTest::newRow("its own in other case") << "pc3" << true;
        QTest::newRow("new, stored trimmed") << " PC2 " << true;
    }
    void computerNamesStayApart()
    {
        QFETCH(QString, name);
        QFETCH(bool, renamed);
        QVERIFY(m_cafe.exec("INSERT INTO computers (pcname, ip) VALUES (' PC1 ', '127.0.0.1')"));
        QVERIFY(m_cafe.addComputer({0, "καφε", "127.0.0.2", 0, 0, false, false, false}));
        const qint64 pc3 = *m_cafe.addComputer({0, "PC3", "127.0.0.3", 0, 0, false, false, false});
        QCOMPARE(bool(m_cafe.renameComputer(pc3, name, "127.0.0.3")), renamed);
        QVERIFY(!m_cafe.addComputer({0, name, "127.0.0.4", 0, 0, false, false, false}));
        QCOMPARE(m_cafe.computers()->last().pcname, renamed ? name.trimmed() : "PC3");
        QCOMPARE(m_cafe.computers()->size(), 3);
    }

    // An older book's computers that share a name: reported, and no mark mended by that name.
    void maintenanceLeavesSharedNamesAlone()
    {
        for (const QVariantList &row : QList<QVariantList>{{"PC1", 1}, {"PC1", 0}, {"pc1 ", 0}, {"PC2", 1}})
            QVERIFY(m_cafe.exec("INSERT INTO computers (pcname, ip, timer) VALUES (?, '127.0.0.1', ?)", row));
        KinRow open;
        open.computer = "PC1";
        open.enab = true;
        QVERIFY(m_cafe.appendTransaction(open));
        Maintenance m(m_home->paths());
        QStringList told;
        for (const Maintenance::Finding &f : *m.check())
            told << f.text + (f.repairable ? " (mended)" : "");
        QCOMPARE(told, (QStringList{"Computers 1 (PC1), 2 (PC1) and 3 (pc1 ) have the same name: give each its own in"
                                    " Settings > Computers; until then their charges are neither checked nor mended",
                                    "PC2 is marked as running a normal time charge but has no open transaction of"
                                    " that kind (mended)"}));
        QCOMPARE(*m.repair(), 1);
        QList<bool> timers;
        for (const ComputerRow &c : *m_cafe.computers())
            timers << c.timer;
        QCOMPARE(timers, (QList<bool>{true, false, false, false}));
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
        // A server's whole-number column rounds a fraction to a whole ten-thousandth.
        QTest::addColumn<bool>("keptOnServer");
        QTest::newRow("highest price") << "INSERT INTO products (price) VALUES (100000000000)" << true << true;
        QTest::newRow("price beyond") << "INSERT INTO products (price) VALUES (100000000001)" << false << false;
        QTest::newRow("negative rate") << "UPDATE rates SET rate = -1" << false << false;
        QTest::newRow("inexact minimum charge") << "UPDATE settings SET fixed = 0.5" << false << true;
        QTest::newRow("quantity beyond") << "INSERT INTO extra (itemquant) VALUES (10001)" << false << false;
        QTest::newRow("overflowing line") << "UPDATE extra SET charge = itemquant * 9223372036854775807" << false << false;
        QTest::newRow("total beyond") << "UPDATE kin SET total = 1000000000000001" << false << false;
        QTest::newRow("a day's sum past 64 bits") << "UPDATE kin_days SET total = total + 9223372036854775807" << false << false;
    }
    void booksKeepMoneyWithinBounds()
    {
        QFETCH(QString, statement);
        QFETCH(bool, kept);
        QFETCH(bool, keptOnServer);
        if (m_cafe.onServer())
            kept = keptOnServer;
        QVERIFY(
            m_cafe.exec("INSERT INTO kin (computer, type, startdate, total) VALUES ('PC1', 'normal', '2026-03-02', 1)")
            && m_cafe.exec("INSERT INTO extra (\"key\", itemquant, itemprice, charge) VALUES (1, 2, 100, 200)"));
        QCOMPARE(m_cafe.exec(statement), kept);
        // The server refuses an overflow in its own words.
        QCOMPARE(m_cafe.lastError().contains(QRegularExpression("beyond|out of range")), !kept);
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

        const auto found = *m_cafe.openCharges(ComputerFlag::Timer, "PC1");
        QCOMPARE(found.size(), 1);
        QVERIFY(found.first().aa == openKey && found.first().starttime == start);
        QVERIFY(!found.first().enddate && !found.first().total
                && m_cafe.openCharges(ComputerFlag::Timer, "PC2")->isEmpty());
        // The open row has no total yet and counts as zero.
        QCOMPARE(m_cafe.takingsOn(QDate(2026, 3, 1))->total, Money::fromCents(150));
        QCOMPARE(m_cafe.takingsOn(QDate(2026, 3, 2))->total, Money());
    }

    // A transaction that reads before it writes waits while another
    // connection writes (the transactions window's bulk work, on its own
    // thread), instead of failing at once.
    void transactionsWaitForAnotherWriter()
    {
        QSemaphore writing;
        std::unique_ptr<QThread> other(QThread::create([&] {
            CafeStore bulk;
            bulk.open(m_home->paths().cafeDatabase());
            bulk.atomically([&] {
                const bool ok = bulk.exec("INSERT INTO groups (name) VALUES ('bulk')");
                writing.release();
                QThread::msleep(300); // holding the write meanwhile
                return ok;
            });
        }));
        other->start();
        writing.acquire();
        const auto ok = m_cafe.atomically(
            [&] { return m_cafe.categories() && m_cafe.exec("INSERT INTO groups (name) VALUES ('console')"); });
        other->wait();
        QVERIFY2(ok, qPrintable(m_cafe.lastError()));
        QCOMPARE(m_cafe.categories()->size(), 2);
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

        m_customers.addAccount({0, name, name, {}, name, 0, 0, 0, false, {}});
        // Letter case folds in every alphabet, a final sigma written as any sigma.
        QCOMPARE(m_customers.accountsNamed(name.toUpper(), name.toUpper().toLower())->size(), 1);
        QVERIFY(m_customers.accountsNamed(name, QString::fromUtf8("Άλλος"))->isEmpty());
        QVERIFY(m_customers.accountsWithPin(name)->size() == 1 && m_customers.accountsWithPin("' or ''='")->isEmpty());
    }

    // Two counters on one book start the same computers at once, 1,000
    // starts between them: no computer ever runs two charges, the loser is
    // told in plain words and writes nothing, and each bill, which both
    // counters then try to confirm at once, is confirmed exactly once.
    void twoCountersRace()
    {
        constexpr int computers = 50, tries = 500, accounts = 10;
        for (int i = 1; i <= computers; ++i)
            QVERIFY(m_cafe.addComputer({0, QStringLiteral("PC%1").arg(i), "127.0.0.1", 0, 0, false, false, false}));
        // Both counters at once, each on its own connection.
        for (int i = 1; i <= accounts; ++i)
            QVERIFY(m_customers.addAccount({0, "A", "B", "", QString::number(1000 + i), 40, 0, 40, false, {}}));
        const auto together = [this](const std::function<void(int, CafeStore &, ChargeRecorder &, CustomerStore &)> &work) {
            std::unique_ptr<QThread> sides[2];
            for (int side : {0, 1}) {
                sides[side].reset(QThread::create([this, side, work] {
                    CafeStore cafe;
                    CustomerStore customers;
                    cafe.open(m_home->paths().cafeDatabase());
                    customers.open(m_home->paths().customerDatabase());
                    ChargeRecorder books(cafe, customers);
                    work(side, cafe, books, customers);
                }));
                sides[side]->start();
            }
            return sides[0]->wait(120000) && sides[1]->wait(120000);
        };
        QMutex lock;
        QStringList faults;
        QList<qint64> ended;
        int started = 0, refused = 0, claimed = 0;
        qint64 used = 0;
        const QDateTime at(QDate(2026, 3, 2), QTime(10, 0));
        QVERIFY(together([&](int side, CafeStore &cafe, ChargeRecorder &books, CustomerStore &customers) {
            for (int n = 0; n < tries; ++n) {
                // The same accounts taken and paid from at both counters: a
                // take that both won would pay once and leave one paying nothing.
                const qint64 account = (n + side) % accounts + 1;
                if (const auto taken = customers.claim(account, "127.0.0.1"); taken && *taken) {
                    const auto paid = customers.spend(QString::number(1000 + account), n % 5 + 1);
                    QMutexLocker locked(&lock);
                    ++claimed;
                    used += n % 5 + 1;
                    if (!paid || *paid != 1)
                        faults << QStringLiteral("account %1 paid %2 times").arg(account).arg(paid ? *paid : -1);
                }
                const QString pc = QStringLiteral("PC%1").arg((n * 7 + side * 3) % computers + 1);
                KinRow row = ChargeRecorder::startRow(pc, at);
                row.enab = true;
                const auto key = books.record(pc, ComputerFlag::Timer, row);
                const bool end = key && n % 2 == 0;
                const bool endedOk = end && books.recordEnd(ComputerFlag::Timer, pc, *key, at.addSecs(600), "0:10:00", false);
                QMutexLocker locked(&lock);
                ++(key ? started : refused);
                if (!key && key.error() != pc + " was started at the other counter.")
                    faults << key.error();
                if (end)
                    endedOk ? void(ended << *key) : void(faults << cafe.lastError());
            }
        }));
        QCOMPARE(faults.mid(0, 3).join("|"), QString());
        QVERIFY(started + refused == 2 * tries && refused > 0);
        auto doubled = m_cafe.run("SELECT computer FROM kin WHERE enab = 1 AND enddate IS NULL GROUP BY computer"
                                  " HAVING count(*) > 1");
        QVERIFY(doubled && !doubled->next());
        // Every account ran dry and none below zero; minutes were spent only while there.
        auto left = m_customers.run("SELECT min(timeleft), max(timeleft), sum(usedtime), max(timer) FROM users");
        QVERIFY(left && left->next() && claimed > 0);
        QVERIFY(left->value(0).toLongLong() >= 0 && left->value(1).toLongLong() <= 1);
        QCOMPARE((QList<qint64>{left->value(2).toLongLong(), left->value(3).toLongLong()}), (QList<qint64>{used, 0}));

        QAtomicInt confirmed;
        QVERIFY(together([&](int, CafeStore &cafe, ChargeRecorder &, CustomerStore &) {
            for (qint64 key : ended) {
                KinRow bill = *cafe.transaction(key);
                bill.timecharged = bill.total = Money::fromCents(50);
                bill.extra = Money();
                confirmed.fetchAndAddRelaxed(cafe.confirmCharge(bill, false).ok());
            }
        }));
        QCOMPARE(confirmed.loadRelaxed(), ended.size());
        QCOMPARE(m_cafe.takingsOn(QDate(2026, 3, 2))->total, Money::fromCents(50 * ended.size()));
    }

    // Duplicates are found by fold() in SQL against values folded in C++:
    // both must fold alike, on either engine, every letter of the BMP.
    void foldAgreesWithTheBooks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::newRow("greek") << "ΚΑΦΕΤΕΡΙΑ" << "καφετερια";
        QTest::newRow("final sigma") << "ΣΙΣΥΦΟΣ σίσυφος" << "σισυφοσ σίσυφοσ";
        QTest::newRow("accents kept") << "ΆΈΉ Éé" << "άέή éé";
        QTest::newRow("latin") << "Café PC-7" << "café pc-7";
        QTest::newRow("symbols") << "µ ϐ ϑ ſ" << "μ β θ s";
        QTest::newRow("dotted capital i") << "İSTANBUL İ" << "İstanbul İ";
    }
    void foldAgreesWithTheBooks()
    {
        QFETCH(QString, text);
        QFETCH(QString, folded);
        auto q = m_cafe.run("SELECT fold(?)", {text});
        QVERIFY(q && q->next());
        QCOMPARE((QStringList{q->value(0).toString(), SqlStore::fold(text)}), (QStringList{folded, folded}));
    }
    void foldAgreesOnEveryLetter()
    {
        QStringList differ;
        auto all = m_cafe.run(QStringLiteral("SELECT c, fold(%1(c)) FROM").arg(m_cafe.onServer() ? "chr" : "char") + " (WITH RECURSIVE n(c) AS (SELECT 1 UNION ALL"
                              " SELECT c + 1 FROM n WHERE c < 65535) SELECT c FROM n) AS n"
                              " WHERE (c < 55296 OR c > 57343) AND c NOT IN (65279, 65534, 65535)");
        QVERIFY2(all, qPrintable(m_cafe.lastError()));
        while (all->next())
            if (all->value(1).toString() != SqlStore::fold(QChar(all->value(0).toInt())))
                differ << QString::number(all->value(0).toInt(), 16);
        QCOMPARE(differ.join(" "), QString());
    }
};

QTEST_MAIN(TestStore)
#include "tst_store.moc"
