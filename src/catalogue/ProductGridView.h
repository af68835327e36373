#pragma once

#include "store/Records.h"

#include <QTableView>
#include <initializer_list>

class ProductsModel;

// A grid of products: rows shaded alternately, widths given in twips, and a
// double-click on a product (never on the title row or an empty grid)
// reported with that product.
class ProductGridView : public QTableView
{
    Q_OBJECT
public:
    ProductGridView(ProductsModel *model, const QColor &shade, QWidget *parent = nullptr);

    ProductsModel *products() const { return m_model; }
    void setColumnTwips(std::initializer_list<int> widths);

signals:
    void productDoubleClicked(const ProductRow &product);

private:
    ProductsModel *m_model;
};
