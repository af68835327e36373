#include "catalogue/ProductsWindow.h"

#include "catalogue/ProductGridView.h"
#include "catalogue/ProductsModel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

ProductsWindow::ProductsWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_catalogue(cafe, prompter)
{
    setWindowTitle(QStringLiteral("Add Remove Products"));
    auto *label3 = new QLabel(QStringLiteral("Category"), this);
    m_category = new QComboBox(this);
    m_category->setObjectName(QStringLiteral("category"));
    m_category->setPlaceholderText(QStringLiteral("-SELECT-"));
    m_category->setMinimumContentsLength(16);
    label3->setBuddy(m_category);
    for (const CategoryRow &c : m_catalogue.getGroup())
        m_category->addItem(c.name);
    m_category->setCurrentIndex(-1);

    m_entryFrame = new QGroupBox(this);
    m_entryFrame->setObjectName(QStringLiteral("entryFrame"));
    m_descriptionLabel = new QLabel(QStringLiteral("Description"), m_entryFrame);
    m_description = new QLineEdit(m_entryFrame);
    m_description->setObjectName(QStringLiteral("description"));
    m_descriptionLabel->setBuddy(m_description);
    m_priceLabel = new QLabel(QStringLiteral("Price"), m_entryFrame);
    m_price = new QLineEdit(m_entryFrame);
    m_price->setObjectName(QStringLiteral("price"));
    m_priceLabel->setBuddy(m_price);
    m_addButton = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), QString(), m_entryFrame);
    m_addButton->setObjectName(QStringLiteral("addProduct"));
    m_addButton->setAccessibleName(QStringLiteral("Add"));
    // Enter in either box adds, once: the window's own default button.
    m_addButton->setDefault(true);
    auto *entry = new QGridLayout(m_entryFrame);
    entry->addWidget(m_descriptionLabel, 0, 0);
    entry->addWidget(m_description, 0, 1);
    entry->addWidget(m_priceLabel, 1, 0);
    entry->addWidget(m_price, 1, 1);
    entry->addWidget(m_addButton, 0, 2, 2, 1);

    m_gridFrame = new QGroupBox(this);
    m_gridFrame->setObjectName(QStringLiteral("gridFrame"));
    m_model = new ProductsModel(m_catalogue, this);
    m_grid = new ProductGridView(m_model, QColor(192, 192, 192), m_gridFrame);
    m_grid->setObjectName(QStringLiteral("productGrid"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *gridLayout = new QVBoxLayout(m_gridFrame);
    gridLayout->addWidget(m_grid);

    auto *top = new QHBoxLayout;
    top->addWidget(label3);
    top->addWidget(m_category);
    top->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_entryFrame);
    layout->addWidget(m_gridFrame, 1);

    // Until a category is chosen there is nowhere to add a product to.
    for (QWidget *w : {static_cast<QWidget *>(m_descriptionLabel), static_cast<QWidget *>(m_priceLabel),
                       static_cast<QWidget *>(m_description), static_cast<QWidget *>(m_price),
                       static_cast<QWidget *>(m_addButton)})
        w->setVisible(false);

    connect(m_category, &QComboBox::currentIndexChanged, this, &ProductsWindow::gridAdd);
    connect(m_addButton, &QPushButton::clicked, this, &ProductsWindow::addProduct);
    connect(m_grid, &ProductGridView::productDoubleClicked, this, &ProductsWindow::deleteProduct);
    resize(360, 440);
}

std::optional<QString> ProductsWindow::category() const
{
    if (m_category->currentIndex() < 0)
        return std::nullopt;
    return m_category->currentText();
}

void ProductsWindow::gridAdd()
{
    const std::optional<QString> chosen = category();
    if (!chosen)
        return;
    m_model->showCategory(*chosen);
    m_grid->setColumnTwips({1400, 1200});
    m_entryFrame->setTitle(Catalogue::newProductCaption(*chosen));
    m_gridFrame->setTitle(Catalogue::productsCaption(*chosen));
    for (QWidget *w : {static_cast<QWidget *>(m_descriptionLabel), static_cast<QWidget *>(m_priceLabel),
                       static_cast<QWidget *>(m_description), static_cast<QWidget *>(m_price),
                       static_cast<QWidget *>(m_addButton)})
        w->setVisible(true);
}

void ProductsWindow::addProduct()
{
    switch (m_catalogue.addProduct(m_description->text(), m_price->text(), category())) {
    case Catalogue::Field::Description:
        m_description->setFocus();
        return;
    case Catalogue::Field::Price:
        m_price->setFocus();
        return;
    case Catalogue::Field::Category:
        m_category->setFocus();
        return;
    case Catalogue::Field::None:
        break;
    }
    m_description->clear();
    m_price->clear();
    m_description->setFocus();
    gridAdd();
}

void ProductsWindow::deleteProduct(const ProductRow &product)
{
    if (m_catalogue.deleteProduct(product))
        gridAdd();
}
