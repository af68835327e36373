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
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setPlaceholderText(QStringLiteral("-SELECT-"));
    m_combo1->setMinimumContentsLength(16);
    label3->setBuddy(m_combo1);
    for (const CategoryRow &c : m_catalogue.getgroup())
        m_combo1->addItem(c.name);
    m_combo1->setCurrentIndex(-1);

    m_frame1 = new QGroupBox(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_label1 = new QLabel(QStringLiteral("Description"), m_frame1);
    m_text1 = new QLineEdit(m_frame1);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_label1->setBuddy(m_text1);
    m_label2 = new QLabel(QStringLiteral("Price"), m_frame1);
    m_text2 = new QLineEdit(m_frame1);
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_label2->setBuddy(m_text2);
    m_command1 = new QPushButton(style()->standardIcon(QStyle::SP_ArrowDown), QString(), m_frame1);
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command1->setAccessibleName(QStringLiteral("Add"));
    // Enter in either box adds, once: the window's own default button.
    m_command1->setDefault(true);
    auto *entry = new QGridLayout(m_frame1);
    entry->addWidget(m_label1, 0, 0);
    entry->addWidget(m_text1, 0, 1);
    entry->addWidget(m_label2, 1, 0);
    entry->addWidget(m_text2, 1, 1);
    entry->addWidget(m_command1, 0, 2, 2, 1);

    m_frame2 = new QGroupBox(this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    m_model = new ProductsModel(m_catalogue, this);
    m_grid = new ProductGridView(m_model, QColor(192, 192, 192), m_frame2);
    m_grid->setObjectName(QStringLiteral("MSHFlexGrid1"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *gridLayout = new QVBoxLayout(m_frame2);
    gridLayout->addWidget(m_grid);

    auto *top = new QHBoxLayout;
    top->addWidget(label3);
    top->addWidget(m_combo1);
    top->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_frame1);
    layout->addWidget(m_frame2, 1);

    // Until a category is chosen there is nowhere to add a product to.
    for (QWidget *w :
         {static_cast<QWidget *>(m_label1), static_cast<QWidget *>(m_label2), static_cast<QWidget *>(m_text1),
          static_cast<QWidget *>(m_text2), static_cast<QWidget *>(m_command1)})
        w->setVisible(false);

    connect(m_combo1, &QComboBox::currentIndexChanged, this, &ProductsWindow::gridadd);
    connect(m_command1, &QPushButton::clicked, this, &ProductsWindow::addproduct);
    connect(m_grid, &ProductGridView::productDoubleClicked, this, &ProductsWindow::deleteProduct);
    resize(360, 440);
}

std::optional<QString> ProductsWindow::category() const
{
    if (m_combo1->currentIndex() < 0)
        return std::nullopt;
    return m_combo1->currentText();
}

void ProductsWindow::gridadd()
{
    const std::optional<QString> chosen = category();
    if (!chosen)
        return;
    m_model->showCategory(*chosen);
    m_grid->setColumnTwips({1400, 1200});
    m_frame1->setTitle(Catalogue::newProductCaption(*chosen));
    m_frame2->setTitle(Catalogue::productsCaption(*chosen));
    for (QWidget *w :
         {static_cast<QWidget *>(m_label1), static_cast<QWidget *>(m_label2), static_cast<QWidget *>(m_text1),
          static_cast<QWidget *>(m_text2), static_cast<QWidget *>(m_command1)})
        w->setVisible(true);
}

void ProductsWindow::addproduct()
{
    switch (m_catalogue.addproduct(m_text1->text(), m_text2->text(), category())) {
    case Catalogue::Field::Description:
        m_text1->setFocus();
        return;
    case Catalogue::Field::Price:
        m_text2->setFocus();
        return;
    case Catalogue::Field::Category:
        m_combo1->setFocus();
        return;
    case Catalogue::Field::None:
        break;
    }
    m_text1->clear();
    m_text2->clear();
    m_text1->setFocus();
    gridadd();
}

void ProductsWindow::deleteProduct(const ProductRow &product)
{
    if (m_catalogue.deleteProduct(product))
        gridadd();
}
