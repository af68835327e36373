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
    void gridadd();
    void addproduct();
    void deleteProduct(const ProductRow &product);

    Catalogue m_catalogue;
    ProductsModel *m_model = nullptr;
    QComboBox *m_combo1 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QGroupBox *m_frame2 = nullptr;
    QLabel *m_label1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QPushButton *m_command1 = nullptr;
    ProductGridView *m_grid = nullptr;
};
