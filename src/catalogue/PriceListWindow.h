#pragma once

#include "catalogue/Catalogue.h"

#include <QDialog>

class ProductGridView;

// "Pricelist": every product by category; its description and price are
// edited in place and written to the books at once.
class PriceListWindow : public QDialog
{
    Q_OBJECT
public:
    PriceListWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent = nullptr);

private:
    Catalogue m_catalogue;
    ProductGridView *m_grid = nullptr;
};
