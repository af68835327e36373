#include "catalogue/ExtrasWindow.h"

#include "catalogue/ProductGridView.h"
#include "catalogue/ProductsModel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QToolTip>
#include <QVBoxLayout>

ExtrasWindow::ExtrasWindow(CafeStore &cafe, Prompter &prompter, qint64 transaction, const QString &computer,
                           ExtraSale::Caller caller, QWidget *parent)
    : QDialog(parent)
    , m_catalogue(cafe, prompter)
    , m_sale(cafe, prompter, transaction, computer, caller)
{
    setWindowTitle(m_sale.caption());
    auto *frame2 = new QGroupBox(QStringLiteral("Category"), this);
    m_category = new QComboBox(frame2);
    m_category->setObjectName(QStringLiteral("category"));
    m_category->setPlaceholderText(QStringLiteral("-SELECT-"));
    m_category->setAccessibleName(QStringLiteral("Category"));
    for (const CategoryRow &c : m_catalogue.getGroup())
        m_category->addItem(c.name);
    m_category->setCurrentIndex(-1);
    auto *chooser = new QVBoxLayout(frame2);
    chooser->addWidget(m_category);

    m_frame = new QGroupBox(this);
    m_frame->setObjectName(QStringLiteral("productFrame"));
    m_model = new ProductsModel(m_catalogue, this);
    m_model->setTitled(false);
    m_grid = new ProductGridView(m_model, QToolTip::palette().color(QPalette::ToolTipBase), m_frame);
    m_grid->setObjectName(QStringLiteral("productGrid"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setToolTip(QStringLiteral("Διπλό click στο είδος για καταχώριση"));
    auto *gridLayout = new QVBoxLayout(m_frame);
    gridLayout->addWidget(m_grid);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame2);
    layout->addWidget(m_frame, 1);

    connect(m_category, &QComboBox::currentIndexChanged, this, &ExtrasWindow::getProducts);
    connect(m_grid, &ProductGridView::productDoubleClicked, this, &ExtrasWindow::sell);
    resize(340, 400);
}

void ExtrasWindow::getProducts()
{
    if (m_category->currentIndex() < 0)
        return;
    const QString category = m_category->currentText();
    m_model->showCategory(category);
    m_grid->setColumnTwips({2000});
    m_frame->setTitle(ExtraSale::frameCaption(category));
}

void ExtrasWindow::sell(const ProductRow &product)
{
    if (m_sale.extraEdit(product) != ExtraSale::Outcome::Refused)
        close();
}
