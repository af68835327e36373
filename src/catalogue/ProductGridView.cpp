#include "catalogue/ProductGridView.h"

#include "catalogue/ProductsModel.h"

#include <QHeaderView>

ProductGridView::ProductGridView(ProductsModel *model, const QColor &shade, QWidget *parent)
    : QTableView(parent)
    , m_model(model)
{
    setModel(model);
    setAlternatingRowColors(true);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, shade);
    setPalette(p);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (const std::optional<ProductRow> product = m_model->product(index.isValid() ? index.row() : -1))
            emit productDoubleClicked(*product);
    });
}

void ProductGridView::setColumnTwips(std::initializer_list<int> widths)
{
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    int column = 0;
    for (const int twips : widths)
        setColumnWidth(column++, twips * dpi / 1440);
}
