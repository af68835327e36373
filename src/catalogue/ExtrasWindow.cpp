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
    m_combo1 = new QComboBox(frame2);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setPlaceholderText(QStringLiteral("-SELECT-"));
    m_combo1->setAccessibleName(QStringLiteral("Category"));
    for (const CategoryRow &c : m_catalogue.getgroup())
        m_combo1->addItem(c.name);
    m_combo1->setCurrentIndex(-1);
    auto *chooser = new QVBoxLayout(frame2);
    chooser->addWidget(m_combo1);

    m_frame1 = new QGroupBox(this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_model = new ProductsModel(m_catalogue, this);
    m_model->setTitled(false);
    m_grid = new ProductGridView(m_model, QToolTip::palette().color(QPalette::ToolTipBase), m_frame1);
    m_grid->setObjectName(QStringLiteral("MSHFlexGrid1"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setToolTip(QStringLiteral("Διπλό click στο είδος για καταχώριση"));
    auto *gridLayout = new QVBoxLayout(m_frame1);
    gridLayout->addWidget(m_grid);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame2);
    layout->addWidget(m_frame1, 1);

    connect(m_combo1, &QComboBox::currentIndexChanged, this, &ExtrasWindow::getproducts);
    connect(m_grid, &ProductGridView::productDoubleClicked, this, &ExtrasWindow::sell);
    resize(340, 400);
}

void ExtrasWindow::getproducts()
{
    if (m_combo1->currentIndex() < 0)
        return;
    const QString category = m_combo1->currentText();
    m_model->showCategory(category);
    m_grid->setColumnTwips({2000});
    m_frame1->setTitle(ExtraSale::frameCaption(category));
}

void ExtrasWindow::sell(const ProductRow &product)
{
    if (m_sale.extraedit(product) != ExtraSale::Outcome::Refused)
        close();
}
