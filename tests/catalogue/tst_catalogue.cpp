// The price list's windows offscreen on fresh books: what the operator is
// told, in its order, and what is stored.
#include "CafeFixture.h"
#include "catalogue/CategoriesWindow.h"
#include "catalogue/ExtrasWindow.h"
#include "catalogue/PriceListWindow.h"
#include "catalogue/ProductGridView.h"
#include "catalogue/ProductsModel.h"
#include "catalogue/ProductsWindow.h"
#include "base/Format.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
template <typename T>
T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

QStringList names(const QList<CategoryRow> &rows)
{
    QStringList n;
    for (const CategoryRow &r : rows)
        n << r.name;
    return n;
}

QStringList column(const QAbstractItemModel *m, int col)
{
    QStringList texts;
    for (int r = 0; r < m->rowCount(); ++r)
        texts << m->index(r, col).data().toString();
    return texts;
}

void choose(QWidget *w, const QString &category)
{
    auto *combo = child<QComboBox>(w, "Combo1");
    combo->setCurrentIndex(combo->findText(category, Qt::MatchExactly));
}

// A double-click on a grid row, as the operator makes it.
void doubleClickRow(QWidget *w, int row)
{
    auto *grid = child<ProductGridView>(w, "MSHFlexGrid1");
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

// Drinks (Coffee 2,50; Water 0,80) and an empty Snacks.
void stock(CafeStore &cafe)
{
    (void)cafe.addCategory(QStringLiteral("Drinks"));
    (void)cafe.addCategory(QStringLiteral("Snacks"));
    (void)cafe.addProduct({0, QStringLiteral("Coffee"), Money::fromCents(250), QStringLiteral("Drinks")});
    (void)cafe.addProduct({0, QStringLiteral("Water"), Money::fromCents(80), QStringLiteral("Drinks")});
}
} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Greek, QLocale::Greece)); }

    void addingCategories_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("listed");
        const QStringList before{"Drinks", "Ποτά"};
        QTest::newRow("new") << "Snacks" << QStringList() << (before + QStringList{"Snacks"});
        QTest::newRow("nothing") << "" << QStringList{"Nothing Was Entered"} << before;
        QTest::newRow("blanks alone") << "   " << QStringList{"Nothing Was Entered"} << before;
        QTest::newRow("other case") << "DRINKS" << QStringList{"Category Already Exists"} << before;
        QTest::newRow("Greek, other case") << "ΠΟΤΆ" << QStringList{"Category Already Exists"} << before;
        QTest::newRow("quotes") << "Kid's \"menu\"" << QStringList() << (before + QStringList{"Kid's \"menu\""});
        QTest::newRow("blanks kept") << " Drinks " << QStringList() << (before + QStringList{" Drinks "});
    }
    void addingCategories()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, told);
        QFETCH(QStringList, listed);
        Cafe c;
        (void)c.cafe.addCategory(QStringLiteral("Drinks"));
        (void)c.cafe.addCategory(QStringLiteral("Ποτά"));
        CategoriesWindow w(c.cafe, c.prompter);
        w.show();
        auto *text = child<QLineEdit>(&w, "Text1");
        text->setText(typed);
        QTest::mouseClick(child<QPushButton>(&w, "Command1"), Qt::LeftButton);

        QCOMPARE(c.prompter.texts(), told);
        QCOMPARE(names(*c.cafe.categories()), listed);
        QCOMPARE(child<QListWidget>(&w, "List1")->count(), listed.size());
        // Refused for emptiness the text stays to be corrected; otherwise it is cleared.
        QCOMPARE(text->text(), told.value(0) == "Nothing Was Entered" ? typed : QString());
    }

    // Removing a category leaves its products: no longer offered under it,
    // still in the price list.
    void removingCategories()
    {
        Cafe c;
        stock(c.cafe);
        CategoriesWindow w(c.cafe, c.prompter);
        w.show();
        auto *list = child<QListWidget>(&w, "List1");
        QTest::mouseClick(child<QPushButton>(&w, "Command2"), Qt::LeftButton);
        QCOMPARE(c.prompter.texts(), QStringList{"Nothing Selected To Be Deleted"});
        QCOMPARE(list->count(), 2);

        list->setCurrentRow(0);
        QTest::mouseClick(child<QPushButton>(&w, "Command2"), Qt::LeftButton);
        QVERIFY(c.prompter.texts().size() == 1 && list->count() == 1);
        QCOMPARE(names(*c.cafe.categories()), QStringList{"Snacks"});

        PriceListWindow prices(c.cafe, c.prompter);
        const QAbstractItemModel *m = child<ProductGridView>(&prices, "GRDDataGrid")->model();
        QCOMPARE(column(m, 0), (QStringList{"Coffee", "Water"}));
        QCOMPARE(column(m, 2), (QStringList{"Drinks", "Drinks"}));
    }

    // Description, price, category: the first one missing is the one told.
    void productValidationOrder_data()
    {
        QTest::addColumn<QStringList>("typed"); // description, price, category ("": none chosen)
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<qint64>("stored"); // ten-thousandths; -1 nothing
        const auto told = [](const char *t) { return QStringList{t}; };
        QTest::newRow("all missing") << QStringList{"", "", ""} << told("No Description Was Entered") << -1LL;
        QTest::newRow("no price") << QStringList{"Tea", "", ""} << told("No Price Was Entered") << -1LL;
        QTest::newRow("no category") << QStringList{"Tea", "1,20", ""} << told("No Category Was Entered") << -1LL;
        QTest::newRow("not a price") << QStringList{"Tea", "one euro", "Drinks"} << told("\"one euro\" Is Not A Price")
                                     << -1LL;
        QTest::newRow("negative") << QStringList{"Tea", "-1,20", "Drinks"} << told("\"-1,20\" Is Not A Price") << -1LL;
        QTest::newRow("highest price") << QStringList{"Tea", "10.000.000", "Drinks"} << told("Update Compelete")
                                       << 100000000000LL;
        QTest::newRow("beyond the highest price")
            << QStringList{"Tea", "10.000.000,01", "Drinks"} << told("\"10.000.000,01\" Is Not A Price") << -1LL;
        QTest::newRow("added") << QStringList{"Tea", "1,20", "Drinks"} << told("Update Compelete") << 12000LL;
        QTest::newRow("exists, other case, other category")
            << QStringList{"COFFEE", "9", "Snacks"} << QStringList{"Product Already Exists", "Update Compelete"}
            << -1LL;
    }
    void productValidationOrder()
    {
        QFETCH(QStringList, typed);
        QFETCH(QStringList, told);
        QFETCH(qint64, stored);
        Cafe c;
        stock(c.cafe);
        Catalogue catalogue(c.cafe, c.prompter);
        catalogue.addproduct(typed[0], typed[1], typed[2].isEmpty() ? std::nullopt : std::optional(typed[2]));
        QCOMPARE(c.prompter.texts(), told);
        const QList<ProductRow> rows = *c.cafe.productPage(std::nullopt, 0, 100);
        QCOMPARE(rows.size(), stored < 0 ? 2 : 3);
        if (stored >= 0)
            QCOMPARE(rows.last().price.units(), stored);
    }

    void productsWindow()
    {
        Cafe c;
        stock(c.cafe);
        ProductsWindow w(c.cafe, c.prompter);
        w.show();
        QVERIFY(!child<QLineEdit>(&w, "Text1")->isVisible());
        choose(&w, "Drinks");
        QVERIFY(child<QLineEdit>(&w, "Text1")->isVisible());
        auto *grid = child<ProductGridView>(&w, "MSHFlexGrid1");
        QCOMPARE(grid->model()->index(1, 1).data().toString(), Format::currency(Money::fromCents(80)));

        const QString tea = QStringLiteral(" Kid's \"Τσάι\" ");
        child<QLineEdit>(&w, "Text1")->setText(tea);
        child<QLineEdit>(&w, "Text2")->setText("1,20");
        // Enter adds once, from the price box as from the description box.
        QTest::keyClick(child<QLineEdit>(&w, "Text2"), Qt::Key_Return);
        QCOMPARE(column(grid->model(), 0), (QStringList{"Coffee", "Water", tea}));
        QVERIFY(child<QLineEdit>(&w, "Text1")->text().isEmpty());
        child<QLineEdit>(&w, "Text1")->setText("Cake");
        QTest::keyClick(child<QLineEdit>(&w, "Text1"), Qt::Key_Return);
        QCOMPARE(c.prompter.texts(), (QStringList{"Update Compelete", "No Price Was Entered"}));

        // The title row and the answer No delete nothing; Yes deletes that product exactly.
        QTest::mouseDClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        doubleClickRow(&w, 2);
        c.prompter.answer(true);
        doubleClickRow(&w, 2);
        QCOMPARE(c.prompter.texts().mid(2),
                 (QStringList{"Delete " + tea + "?", "Delete " + tea + "?", tea + " Deleted"}));
        QCOMPARE(column(grid->model(), 0), (QStringList{"Coffee", "Water"}));

        choose(&w, "Snacks");
        QCOMPARE(grid->model()->rowCount(), 0);
        doubleClickRow(&w, 0);
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
        w.show();
        QAbstractItemModel *m = child<ProductGridView>(&w, "GRDDataGrid")->model();
        QCOMPARE(column(m, 2), (QStringList{"Crisps", "Drinks", "Drinks"}));
        const QModelIndex cell = m->index(1, col);
        if (m->flags(cell) & Qt::ItemIsEditable)
            m->setData(cell, edit[0]);
        QCOMPARE(c.prompter.last(), edit[1]);
        QCOMPARE(cell.data().toString(), edit[2]);
        // What the grid shows is what is stored.
        PriceListWindow again(c.cafe, c.prompter);
        QCOMPARE(child<ProductGridView>(&again, "GRDDataGrid")->model()->index(1, col).data().toString(), edit[2]);
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
        choose(&w, "Snacks");
        doubleClickRow(&w, 0);
        choose(&w, "Drinks");
        doubleClickRow(&w, 2);
        QCOMPARE(c.prompter.texts(), QStringList{"1X Φραπέ Was Added To PC1"});
        QTRY_VERIFY(!w.isVisible());
        (void)c.cafe.addExtra({0, key, "COFFEE", 1, Money::fromCents(250), Money::fromCents(250)});
        w.show();
        doubleClickRow(&w, 0);
        QCOMPARE(c.prompter.last(), QStringLiteral("This Product Already Exists"));
        QVERIFY(w.isVisible());
        const QList<ExtraRow> rows = *c.cafe.extras(key);
        QVERIFY(rows.size() == 2 && rows[0].itemdesc == "Φραπέ" && rows[0].itemquant == 1);
        QCOMPARE(rows[0].charge, Money::fromCents(300));
    }

    void screenshots()
    {
        // Drawn on every run; KORVANE_SCREENSHOTS keeps the pictures for the guide.
        QTemporaryDir scratch;
        const QString dir = qEnvironmentVariable("KORVANE_SCREENSHOTS", scratch.path());
        Cafe c;
        stock(c.cafe);
        (void)c.cafe.addCategory("Printing");
        c.cafe.exec("INSERT INTO products (\"desc\", price, category) VALUES ('Φραπέ', 30000, 'Drinks'),"
                    " ('Chips', 12000, 'Snacks'), ('Print, A4 page', 1500, 'Printing')");
        CategoriesWindow categories(c.cafe, c.prompter);
        ProductsWindow products(c.cafe, c.prompter);
        choose(&products, "Drinks");
        PriceListWindow prices(c.cafe, c.prompter);
        ExtrasWindow extras(c.cafe, c.prompter, 0, "PC3", ExtraSale::Caller::Console);
        choose(&extras, "Drinks");
        const QList<std::pair<QWidget *, QString>> windows{
            {&categories, "categories"}, {&products, "products"}, {&prices, "pricelist"}, {&extras, "extras"}};
        for (const auto &[w, name] : windows) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
            QVERIFY(w->grab().save(dir + "/catalogue-" + name + ".png"));
        }
    }
};

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
