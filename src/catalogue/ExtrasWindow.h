#pragma once

#include "catalogue/Catalogue.h"
#include "catalogue/ExtraSale.h"

#include <QDialog>

class ProductGridView;
class ProductsModel;
class QComboBox;
class QGroupBox;

// "Add Extra Charge": a category is chosen, a double-click on one of its
// products sells one onto the transaction; the window then closes.
class ExtrasWindow : public QDialog
{
    Q_OBJECT
public:
    ExtrasWindow(CafeStore &cafe, Prompter &prompter, qint64 transaction, const QString &computer,
                 ExtraSale::Caller caller, QWidget *parent = nullptr);

    ExtraSale &sale() { return m_sale; }

private:
    void getProducts();
    void sell(const ProductRow &product);

    Catalogue m_catalogue;
    ExtraSale m_sale;
    ProductsModel *m_model = nullptr;
    QComboBox *m_category = nullptr;
    QGroupBox *m_frame = nullptr;
    ProductGridView *m_grid = nullptr;
};
