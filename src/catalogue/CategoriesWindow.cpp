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
    m_text1 = new QLineEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    label3->setBuddy(m_text1);
    auto *label2 = new QLabel(QStringLiteral("Available Categories"), this);
    m_list1 = new QListWidget(this);
    m_list1->setObjectName(QStringLiteral("List1"));
    label2->setBuddy(m_list1);

    auto *command1 = new QPushButton(QStringLiteral("<<"), this);
    command1->setObjectName(QStringLiteral("Command1"));
    command1->setToolTip(QStringLiteral("Προσθήκη"));
    auto *command2 = new QPushButton(QStringLiteral(">>"), this);
    command2->setObjectName(QStringLiteral("Command2"));
    command2->setToolTip(QStringLiteral("Αφαίρεση "));
    // Enter in the entry field adds, as "<<" does.
    command1->setAutoDefault(false);
    command2->setAutoDefault(false);
    connect(m_text1, &QLineEdit::returnPressed, this, &CategoriesWindow::addgroup);

    auto *buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command1);
    buttons->addWidget(command2);
    buttons->addStretch();
    auto *grid = new QGridLayout(this);
    grid->addWidget(label2, 0, 0);
    grid->addWidget(label3, 0, 2);
    grid->addWidget(m_list1, 1, 0, 2, 1);
    grid->addLayout(buttons, 1, 1, 2, 1);
    grid->addWidget(m_text1, 1, 2, Qt::AlignTop);
    grid->setRowStretch(2, 1);

    connect(command1, &QPushButton::clicked, this, &CategoriesWindow::addgroup);
    connect(command2, &QPushButton::clicked, this, &CategoriesWindow::delgroup);
    getgroup();
}

void CategoriesWindow::getgroup()
{
    m_list1->clear();
    for (const CategoryRow &c : m_catalogue.getgroup()) {
        auto *item = new QListWidgetItem(c.name, m_list1);
        item->setData(Qt::UserRole, c.aa);
    }
}

void CategoriesWindow::addgroup()
{
    if (!m_catalogue.addgroup(m_text1->text())) {
        m_text1->setFocus();
        return;
    }
    m_text1->clear();
    getgroup();
}

void CategoriesWindow::delgroup()
{
    std::optional<CategoryRow> selected;
    if (const QListWidgetItem *item = m_list1->currentItem(); item && item->isSelected())
        selected = CategoryRow{item->data(Qt::UserRole).toLongLong(), item->text()};
    if (m_catalogue.delgroup(selected))
        getgroup();
}
