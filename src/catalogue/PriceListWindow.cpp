#include "catalogue/PriceListWindow.h"

#include "catalogue/ProductGridView.h"
#include "catalogue/ProductsModel.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

PriceListWindow::PriceListWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_catalogue(cafe, prompter)
{
    setWindowTitle(QStringLiteral("Pricelist"));
    auto *model = new ProductsModel(m_catalogue, this);
    m_grid = new ProductGridView(model, palette().color(QPalette::AlternateBase), this);
    m_grid->setObjectName(QStringLiteral("priceGrid"));
    m_grid->setAccessibleName(QStringLiteral("Pricelist"));
    model->showAll();
    m_grid->setColumnTwips({2400, 1200});

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setAutoDefault(false); // Enter commits a cell, it does not close the window
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    resize(460, 420);
}
