#pragma once

#include "catalogue/Catalogue.h"

#include <QDialog>

class ProductGridView;
class ProductsModel;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Add Remove Products": the products of the chosen category, a new one
// added to it, one deleted by a double-click.
class ProductsWindow : public QDialog
{
    Q_OBJECT
public:
    ProductsWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent = nullptr);

private:
    std::optional<QString> category() const;
    void gridAdd();
    void addProduct();
    void deleteProduct(const ProductRow &product);

    Catalogue m_catalogue;
    ProductsModel *m_model = nullptr;
    QComboBox *m_category = nullptr;
    QGroupBox *m_entryFrame = nullptr;
    QGroupBox *m_gridFrame = nullptr;
    QLabel *m_descriptionLabel = nullptr;
    QLabel *m_priceLabel = nullptr;
    QLineEdit *m_description = nullptr;
    QLineEdit *m_price = nullptr;
    QPushButton *m_addButton = nullptr;
    ProductGridView *m_grid = nullptr;
};
