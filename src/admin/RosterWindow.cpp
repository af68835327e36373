#include "admin/RosterWindow.h"

#include "admin/RosterModel.h"
#include "base/Prompter.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {
constexpr int TwipsPerPixel = 15; // 1440 twips an inch at 96 pixels an inch

QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}
} // namespace

RosterWindow::RosterWindow(CafeStore &store, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_prompter(prompter)
    , m_roster(store)
{
    setObjectName(QStringLiteral("frmpcs"));
    buildUi();
}

void RosterWindow::buildUi()
{
    setWindowTitle(QStringLiteral("Computers"));
    m_model = new RosterModel(m_store, this);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("computerGrid"));
    m_list->setModel(m_model);
    m_list->setColumnHidden(RosterModel::Key, true);
    m_list->setColumnWidth(RosterModel::Name, 1700 / TwipsPerPixel);
    m_list->setColumnWidth(RosterModel::Address, 1800 / TwipsPerPixel);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAlternatingRowColors(true);
    m_list->setToolTip(QStringLiteral("Double-click a computer to change or delete it"));
    connect(m_list, &QTableView::doubleClicked, this, [this](const QModelIndex &i) { edit(i.row()); });

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("computerName"));
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("ipAddress"));
    m_address->setPlaceholderText(QStringLiteral("192.168.0.12"));
    auto *form = new QFormLayout;
    form->addRow(buddyLabel(QStringLiteral("Computer &Name:"), m_name, this), m_name);
    form->addRow(buddyLabel(QStringLiteral("&IP Address:"), m_address, this), m_address);

    auto *buttons = new QDialogButtonBox(this);
    m_addButton = buttons->addButton(QStringLiteral("&Add"), QDialogButtonBox::ActionRole);
    m_addButton->setObjectName(QStringLiteral("addComputer"));
    m_addButton->setDefault(true);
    connect(m_addButton, &QPushButton::clicked, this, &RosterWindow::add);
    connect(buttons->addButton(QDialogButtonBox::Close), &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(420, 460);
}

void RosterWindow::getComputers()
{
    m_model->getComputers();
    if (!m_model->lastError().isEmpty())
        m_prompter.tell(m_model->lastError(), Prompter::Icon::Critical);
}

void RosterWindow::add()
{
    const Roster::Outcome o = m_roster.add(m_name->text(), m_address->text());
    for (const QString &m : o.messages)
        m_prompter.tell(m);
    if (!o.error.isEmpty())
        m_prompter.tell(o.error, Prompter::Icon::Critical);
    if (o.done) {
        m_name->clear();
        m_address->clear();
    }
    getComputers();
}

ComputerEditWindow *RosterWindow::edit(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return nullptr;
    // One edit window: a second one's Save would undo the first's.
    delete m_edit;
    m_edit =
        new ComputerEditWindow(m_store, m_prompter, m_model->key(row), m_model->name(row), m_model->address(row), this);
    m_edit->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_edit, &ComputerEditWindow::changed, this, &RosterWindow::getComputers);
    m_edit->show();
    return m_edit;
}

ComputerEditWindow::ComputerEditWindow(CafeStore &store, Prompter &prompter, qint64 aa, const QString &name,
                                       const QString &address, QWidget *parent)
    : QDialog(parent)
    , m_prompter(prompter)
    , m_roster(store)
    , m_aa(aa)
{
    setObjectName(QStringLiteral("frmeditpc"));
    setWindowTitle(QStringLiteral("Edit Computer"));
    m_key = new QLineEdit(QString::number(aa), this);
    m_key->setObjectName(QStringLiteral("key"));
    m_key->setReadOnly(true);
    m_name = new QLineEdit(name, this);
    m_name->setObjectName(QStringLiteral("computerName"));
    m_address = new QLineEdit(address, this);
    m_address->setObjectName(QStringLiteral("ipAddress"));
    auto *form = new QFormLayout;
    form->addRow(buddyLabel(QStringLiteral("&Key:"), m_key, this), m_key);
    form->addRow(buddyLabel(QStringLiteral("Computer &Name:"), m_name, this), m_name);
    form->addRow(buddyLabel(QStringLiteral("&IP Address:"), m_address, this), m_address);

    auto *buttons = new QDialogButtonBox(this);
    m_save = buttons->addButton(QStringLiteral("&Save"), QDialogButtonBox::ActionRole);
    m_save->setObjectName(QStringLiteral("save"));
    m_save->setDefault(true);
    m_delete = buttons->addButton(QStringLiteral("&Delete"), QDialogButtonBox::ActionRole);
    m_delete->setObjectName(QStringLiteral("delete"));
    connect(m_save, &QPushButton::clicked, this, &ComputerEditWindow::update);
    connect(m_delete, &QPushButton::clicked, this, &ComputerEditWindow::remove);
    connect(buttons->addButton(QDialogButtonBox::Close), &QPushButton::clicked, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void ComputerEditWindow::update()
{
    const Roster::Outcome o = m_roster.update(m_aa, m_name->text(), m_address->text());
    for (const QString &m : o.messages)
        m_prompter.tell(m);
    if (!o.error.isEmpty())
        m_prompter.tell(o.error, Prompter::Icon::Critical);
    if (o.done) {
        emit changed();
        close();
    }
}

void ComputerEditWindow::remove()
{
    if (const Result<void> may = m_roster.mayDelete(m_aa); !may) {
        m_prompter.tell(may.error(), Prompter::Icon::Warning);
        return;
    }
    if (!m_prompter.ask(Roster::deleteQuestion(m_name->text())))
        return;
    if (const Result<void> r = m_roster.remove(m_aa); !r) {
        m_prompter.tell(r.error(), Prompter::Icon::Critical);
        return;
    }
    emit changed();
    close();
}
