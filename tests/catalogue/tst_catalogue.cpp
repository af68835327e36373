// The price list's windows offscreen on fresh books: what the operator is
// told, in its order, and what is stored.
#include "CafeFixture.h"
#include "Widgets.h"
#include "catalogue/CategoriesWindow.h"
#include "catalogue/ExtrasWindow.h"
#include "catalogue/PriceListWindow.h"
#include "catalogue/ProductGridView.h"
#include "catalogue/ProductsWindow.h"
#include "base/Format.h"

#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>

namespace {
void choose(QWidget *w, const char *combo, const QString &category)
{
    auto *c = child<QComboBox>(w, combo);
    c->setCurrentIndex(c->findText(category, Qt::MatchExactly));
}

// Drinks (Coffee 2,50; Water 0,80) and an empty Snacks.
void stock(CafeStore &cafe)
{
    (void)cafe.addCategory(QStringLiteral("Drinks"));
    (void)cafe.addCategory(QStringLiteral("Snacks"));
    (void)cafe.addProduct({0, QStringLiteral("Coffee"), Money::fromCents(250), QStringLiteral("Drinks")});
    (void)cafe.addProduct({0, QStringLiteral("Water"), Money::fromCents(80), QStringLiteral("Drinks")});
}
QAbstractItemModel *prices(QWidget *w) { return child<ProductGridView>(w, "priceGrid")->model(); }
using L = QStringList;
} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece)); }

    void addingCategories_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("told");
        QTest::addColumn<bool>("added");
        QTest::newRow("new") << "Snacks" << "" << true;
        QTest::newRow("nothing") << "" << "Nothing Was Entered" << false;
        QTest::newRow("blanks alone") << "   " << "Nothing Was Entered" << false;
        QTest::newRow("other case") << "DRINKS" << "Category Already Exists" << false;
        QTest::newRow("Greek, other case") << "ΠΟΤΆ" << "Category Already Exists" << false;
        QTest::newRow("quotes") << "Kid's \"menu\"" << "" << true;
        QTest::newRow("blanks kept") << " Drinks " << "" << true;
    }
    void addingCategories()
    {
        QFETCH(QString, typed);
        QFETCH(QString, told);
        QFETCH(bool, added);
        Cafe c;
        (void)c.cafe.addCategory(QStringLiteral("Drinks"));
        (void)c.cafe.addCategory(QStringLiteral("Ποτά"));
        CategoriesWindow w(c.cafe, c.prompter);
        w.show();
        child(&w, "categoryName")->setText(typed);
        click(&w, "addCategory");
        QCOMPARE(c.prompter.texts(), told.isEmpty() ? QStringList() : QStringList{told});
        QStringList names{"Drinks", "Ποτά"}, listed;
        for (const CategoryRow &r : *c.cafe.categories())
            listed << r.name;
        QCOMPARE(listed, added ? names << typed : names);
        QCOMPARE(child<QListWidget>(&w, "categoryList")->count(), listed.size());
        // Refused for emptiness the text stays to be corrected; otherwise it is cleared.
        QCOMPARE(child(&w, "categoryName")->text(), told == "Nothing Was Entered" ? typed : QString());
    }

    // Removing a category leaves its products: no longer offered under it,
    // still in the price list.
    void removingCategories()
    {
        Cafe c;
        stock(c.cafe);
        CategoriesWindow w(c.cafe, c.prompter);
        w.show();
        click(&w, "removeCategory");
        QCOMPARE(c.prompter.texts(), QStringList{"Nothing Selected To Be Deleted"});
        child<QListWidget>(&w, "categoryList")->setCurrentRow(0);
        click(&w, "removeCategory");
        QVERIFY(c.prompter.texts().size() == 1 && child<QListWidget>(&w, "categoryList")->count() == 1);
        QCOMPARE(c.cafe.categories()->value(0).name, QString("Snacks"));
        PriceListWindow list(c.cafe, c.prompter);
        QCOMPARE(column(prices(&list), 0) + column(prices(&list), 2), L({"Coffee", "Water", "Drinks", "Drinks"}));
    }

    // Description, price, category: the first one missing is the one told.
    void productValidationOrder_data()
    {
        QTest::addColumn<QStringList>("typed"); // description, price, category ("": none chosen)
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<qint64>("stored"); // ten-thousandths; -1 nothing
        // clang-format off
        QTest::newRow("all missing") << L{"", "", ""} << L{"No Description Was Entered"} << -1LL;
        QTest::newRow("no price") << L{"Tea", "", ""} << L{"No Price Was Entered"} << -1LL;
        QTest::newRow("no category") << L{"Tea", "1,20", ""} << L{"No Category Was Entered"} << -1LL;
        QTest::newRow("not a price") << L{"Tea", "one euro", "Drinks"} << L{"\"one euro\" Is Not A Price"} << -1LL;
        QTest::newRow("negative") << L{"Tea", "-1,20", "Drinks"} << L{"\"-1,20\" Is Not A Price"} << -1LL;
        QTest::newRow("highest price") << L{"Tea", "10.000.000", "Drinks"} << L{"Update Compelete"} << 100000000000LL;
        QTest::newRow("beyond it") << L{"Tea", "10.000.000,01", "Drinks"} << L{"\"10.000.000,01\" Is Not A Price"} << -1LL;
        QTest::newRow("added") << L{"Tea", "1,20", "Drinks"} << L{"Update Compelete"} << 12000LL;
        QTest::newRow("exists, other case") << L{"COFFEE", "9", "Snacks"} << L{"Product Already Exists", "Update Compelete"} << -1LL;
        // clang-format on
    }
    void productValidationOrder()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, told);
        QFETCH(qint64, stored);
        Cafe c;
        stock(c.cafe);
        Catalogue catalogue(c.cafe, c.prompter);
        catalogue.addProduct(typed[0], typed[1], typed[2].isEmpty() ? std::nullopt : std::optional(typed[2]));
        QCOMPARE(c.prompter.texts(), told);
        const QList<ProductRow> rows = *c.cafe.productPage(std::nullopt, 0, 100);
        QCOMPARE(rows.size() == 3 ? rows.last().price.units() : rows.size() == 2 ? -1 : 0, stored);
    }

    void productsWindow()
    {
        Cafe c;
        stock(c.cafe);
        ProductsWindow w(c.cafe, c.prompter);
        w.show();
        QVERIFY(!child(&w, "description")->isVisible());
        choose(&w, "category", "Drinks");
        QVERIFY(child(&w, "description")->isVisible());
        auto *grid = child<ProductGridView>(&w, "productGrid");
        QCOMPARE(grid->model()->index(1, 1).data().toString(), Format::currency(Money::fromCents(80)));
        const QString tea = QStringLiteral(" Kid's \"Τσάι\" ");
        child(&w, "description")->setText(tea);
        child(&w, "price")->setText("1,20");
        // Enter adds once, from the price box as from the description box.
        QTest::keyClick(child(&w, "price"), Qt::Key_Return);
        QCOMPARE(column(grid->model(), 0), (QStringList{"Coffee", "Water", tea}));
        QVERIFY(child(&w, "description")->text().isEmpty());
        child(&w, "description")->setText("Cake");
        QTest::keyClick(child(&w, "description"), Qt::Key_Return);
        QCOMPARE(c.prompter.texts(), (QStringList{"Update Compelete", "No Price Was Entered"}));
        // The title row and the answer No delete nothing; Yes deletes that product exactly.
        QTest::mouseDClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        clickRow(grid, 2, 0, true);
        c.prompter.answer(true);
        clickRow(grid, 2, 0, true);
        QCOMPARE(c.prompter.texts().mid(2), (L{"Delete " + tea + "?", "Delete " + tea + "?", tea + " Deleted"}));
        QCOMPARE(column(grid->model(), 0), (QStringList{"Coffee", "Water"}));
        choose(&w, "category", "Snacks");
        clickRow(grid, 0, 0, true); // an empty grid
        QCOMPARE(c.prompter.said().size(), 5);
    }

    // Description and price edited in place; a refused edit leaves what is stored.
    void priceListEdits_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QStringList>("edit"); // typed, told, shown afterwards
        const QString was = Format::currency(Money::fromCents(250));
        QTest::newRow("price") << 1 << QStringList{"3,20", "", Format::currency(Money::fromCents(320))};
        QTest::newRow("not a price") << 1 << QStringList{"three", "\"three\" Is Not A Price", was};
        QTest::newRow("empty price") << 1 << QStringList{"", "\"\" Is Not A Price", was};
        QTest::newRow("description") << 0 << QStringList{"Espresso", "", "Espresso"};
        QTest::newRow("taken description") << 0 << QStringList{"water", "Product Already Exists", "Coffee"};
        QTest::newRow("no description") << 0 << QStringList{" ", "No Description Was Entered", "Coffee"};
        QTest::newRow("category is read-only") << 2 << QStringList{"Snacks", "", "Drinks"};
    }
    void priceListEdits()
    {
        QFETCH(int, col);
        QFETCH(QStringList, edit);
        Cafe c;
        stock(c.cafe);
        (void)c.cafe.addProduct({0, QStringLiteral("Chips"), Money::fromCents(120), QStringLiteral("Crisps")});
        PriceListWindow w(c.cafe, c.prompter);
        QCOMPARE(column(prices(&w), 2), (QStringList{"Crisps", "Drinks", "Drinks"}));
        const QModelIndex cell = prices(&w)->index(1, col);
        if (prices(&w)->flags(cell) & Qt::ItemIsEditable)
            prices(&w)->setData(cell, edit[0]);
        QCOMPARE(c.prompter.last(), edit[1]);
        QCOMPARE(cell.data().toString(), edit[2]);
        PriceListWindow again(c.cafe, c.prompter); // what the grid shows is what is stored
        QCOMPARE(prices(&again)->index(1, col).data().toString(), edit[2]);
    }

    // One unit sold onto a running charge's 64-bit transaction key; the same
    // product again (in other letter case) is refused and the window stays.
    void extrasWindow()
    {
        Cafe c;
        stock(c.cafe);
        (void)c.cafe.addProduct({0, QStringLiteral("Φραπέ"), Money::fromCents(300), QStringLiteral("Drinks")});
        const qint64 key = 4294967297; // past any 16- or 32-bit key
        QVERIFY(c.cafe.exec("INSERT INTO kin (aa, computer, enab) VALUES (?, 'PC1', 1)", {key}));
        ExtrasWindow w(c.cafe, c.prompter, key, "PC1", ExtraSale::Caller::Console);
        w.show();
        auto *grid = child<ProductGridView>(&w, "productGrid");
        choose(&w, "category", "Snacks");
        clickRow(grid, 0, 0, true);
        choose(&w, "category", "Drinks");
        clickRow(grid, 2, 0, true);
        QCOMPARE(c.prompter.texts(), QStringList{"1X Φραπέ Was Added To PC1"});
        QTRY_VERIFY(!w.isVisible());
        (void)c.cafe.addExtra({0, key, "COFFEE", 1, Money::fromCents(250), Money::fromCents(250)});
        w.show();
        clickRow(grid, 0, 0, true);
        QCOMPARE(c.prompter.last(), QStringLiteral("This Product Already Exists"));
        QVERIFY(w.isVisible());
        const QList<ExtraRow> rows = *c.cafe.extras(key);
        QVERIFY(rows.size() == 2 && rows[0].itemdesc == "Φραπέ" && rows[0].itemquant == 1);
        QCOMPARE(rows[0].charge, Money::fromCents(300));
    }
};

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
