#pragma once

#include "catalogue/Catalogue.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

// "Pricelist Categories": a category typed in is added with "<<", the one
// selected in the list removed with ">>".
class CategoriesWindow : public QDialog
{
    Q_OBJECT
public:
    CategoriesWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent = nullptr);

private:
    void getGroup();
    void addGroup();
    void deleteGroup();

    Catalogue m_catalogue;
    QLineEdit *m_name = nullptr;
    QListWidget *m_list = nullptr;
};
