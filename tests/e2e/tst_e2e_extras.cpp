// Products sold onto a charge that a korvane-client agent runs: the bill,
// the books and the cash register agree to the cent.
#include "CafeFixture.h"
#include "LinkTestSupport.h"
#include "catalogue/ExtraSale.h"
#include "console/CashRegister.h"
#include "base/Format.h"

#include <QtTest>

using namespace linktest;

class TestE2eExtras : public QObject
{
    Q_OBJECT
private slots:
    void twoProductsOnACharge()
    {
        Agent agent;
        QVERIFY2(agent.start(address(46, 1), {QStringLiteral("--no-broadcast")}), qPrintable(agent.errors()));
        LiveCafe c(Ports::withOffset(Offset), {{"PC1", address(46, 1)}});
        QVERIFY(c.ok());
        QVERIFY(c.cafe.addCategory("Drinks"));
        const ProductRow coffee{0, "Coffee", Money::fromCents(250), "Drinks"};
        const ProductRow water{0, "Water", Money::fromCents(85), "Drinks"};
        QVERIFY(c.cafe.addProduct(coffee) && c.cafe.addProduct(water));

        QVERIFY(c.startNormal(c.pc1));
        ExtraSale sale(c.cafe, c.prompter, c.slot(c.pc1).transaction, "PC1", ExtraSale::Caller::Console);
        QCOMPARE(sale.extraedit(coffee), ExtraSale::Outcome::Added);
        QCOMPARE(sale.extraedit(water), ExtraSale::Outcome::Added);

        c.clock.advance(47 * 60);
        c.prompter.answer(true);
        c.engine->startnormal(c.pc1);
        QVERIFY(agent.waitFor("command", 2));
        QTRY_COMPARE(c.bills.size(), 1);
        Bill *bill = c.bills[0];
        QVERIFY(bill && bill->confirm());

        const Money expected = *bill->timeCharge()->roundedToCents().plus(Money::fromCents(335));
        const KinRow row = c.rows().value(0);
        QCOMPARE(row.extra, std::optional(Money::fromCents(335)));
        QCOMPARE(row.total, std::optional(expected));
        CashRegister::tamio(c.cafe, Day, c.prompter);
        QCOMPARE(c.prompter.last(), Format::currency(expected));
    }
};

QTEST_MAIN(TestE2eExtras)
#include "tst_e2e_extras.moc"
