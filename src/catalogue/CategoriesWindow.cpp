#include "catalogue/CategoriesWindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

CategoriesWindow::CategoriesWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_catalogue(cafe, prompter)
{
    setWindowTitle(QStringLiteral("Pricelist Categories"));
    auto *label3 = new QLabel(QStringLiteral("New Category"), this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("categoryName"));
    label3->setBuddy(m_name);
    auto *label2 = new QLabel(QStringLiteral("Available Categories"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("categoryList"));
    label2->setBuddy(m_list);

    auto *addButton = new QPushButton(QStringLiteral("<<"), this);
    addButton->setObjectName(QStringLiteral("addCategory"));
    addButton->setToolTip(QStringLiteral("Προσθήκη"));
    auto *removeButton = new QPushButton(QStringLiteral(">>"), this);
    removeButton->setObjectName(QStringLiteral("removeCategory"));
    removeButton->setToolTip(QStringLiteral("Αφαίρεση "));
    // Enter in the entry field adds, as "<<" does.
    addButton->setAutoDefault(false);
    removeButton->setAutoDefault(false);
    connect(m_name, &QLineEdit::returnPressed, this, &CategoriesWindow::addGroup);

    auto *buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(addButton);
    buttons->addWidget(removeButton);
    buttons->addStretch();
    auto *grid = new QGridLayout(this);
    grid->addWidget(label2, 0, 0);
    grid->addWidget(label3, 0, 2);
    grid->addWidget(m_list, 1, 0, 2, 1);
    grid->addLayout(buttons, 1, 1, 2, 1);
    grid->addWidget(m_name, 1, 2, Qt::AlignTop);
    grid->setRowStretch(2, 1);

    connect(addButton, &QPushButton::clicked, this, &CategoriesWindow::addGroup);
    connect(removeButton, &QPushButton::clicked, this, &CategoriesWindow::deleteGroup);
    getGroup();
}

void CategoriesWindow::getGroup()
{
    m_list->clear();
    for (const CategoryRow &c : m_catalogue.getGroup()) {
        auto *item = new QListWidgetItem(c.name, m_list);
        item->setData(Qt::UserRole, c.aa);
    }
}

void CategoriesWindow::addGroup()
{
    if (!m_catalogue.addGroup(m_name->text())) {
        m_name->setFocus();
        return;
    }
    m_name->clear();
    getGroup();
}

void CategoriesWindow::deleteGroup()
{
    std::optional<CategoryRow> selected;
    if (const QListWidgetItem *item = m_list->currentItem(); item && item->isSelected())
        selected = CategoryRow{item->data(Qt::UserRole).toLongLong(), item->text()};
    if (m_catalogue.deleteGroup(selected))
        getGroup();
}
