#include "customers/CustomerWindow.h"

#include "base/Format.h"
#include "base/Prompter.h"
#include "customers/AccountSalesModel.h"
#include "customers/AddTimeDialog.h"
#include "customers/CardWindow.h"
#include "customers/CustomerAccounts.h"
#include "customers/CustomerTableModel.h"
#include "customers/NewUserDialog.h"
#include "customers/PaymentDialog.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CustomerWindow::CustomerWindow(CustomerAccounts &accounts, Prompter &prompter, const Clock &clock,
                               PrintTargetDialog &printTarget, const QString &printLog, std::function<QString()> role,
                               QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_accounts(accounts)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_printTarget(printTarget)
    , m_printLog(printLog)
    , m_role(std::move(role))
{
    setObjectName(QStringLiteral("frmcust"));
    setWindowTitle(QStringLiteral("User"));
    m_model = new CustomerTableModel(m_accounts, this);
    m_sales = new AccountSalesModel(this);
    connect(m_model, &CustomerTableModel::failed, this, &CustomerWindow::tellFailure);
    buildUi();
    browseMode();
    getUsers();
}

void CustomerWindow::buildUi()
{
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("customerGrid"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setAlternatingRowColors(true);
    QPalette silver = m_grid->palette();
    silver.setColor(QPalette::AlternateBase, QColor(192, 192, 192));
    m_grid->setPalette(silver);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(false);
    for (int c = 0; c < CustomerTableModel::ColumnCount; ++c) {
        const bool shown =
            c == CustomerTableModel::Name || c == CustomerTableModel::LastName || c == CustomerTableModel::Telephone;
        m_grid->setColumnHidden(c, !shown);
    }
    m_grid->setColumnWidth(CustomerTableModel::Name, 130);
    m_grid->setColumnWidth(CustomerTableModel::LastName, 150);
    m_grid->setColumnWidth(CustomerTableModel::Telephone, 110);
    m_grid->setMinimumWidth(420);
    // Only the operator chooses: the grid's own current row on taking the
    // focus is no choice, and a click on the row already chosen shows it again.
    connect(m_grid, &QAbstractItemView::clicked, this, [this](const QModelIndex &at) { selectRow(at.row()); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection &now) {
        if (!now.isEmpty())
            selectRow(now.indexes().first().row());
    });

    auto *details = new QFormLayout;
    auto field = [this, details](const char *name, const char *labelName, const char *caption) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(true);
        auto *l = new QLabel(QString::fromLatin1(caption), this);
        l->setObjectName(QString::fromLatin1(labelName));
        l->setBuddy(e);
        details->addRow(l, e);
        return std::pair{e, l};
    };
    m_name = field("name", "nameLabel", "NAME").first;
    m_lastname = field("lastName", "lastNameLabel", "LAST NAME").first;
    m_telephone = field("telephone", "telephoneLabel", "TELEPHONE").first;
    std::tie(m_pin, m_pinLabel) = field("pin", "pinLabel", "PIN");
    m_pinLabel->installEventFilter(this);
    m_used = field("timeUsed", "timeUsedLabel", "TIME USED").first;
    m_left = field("timeLeft", "timeLeftLabel", "AVAILABLE TIME").first;
    m_left->setAutoFillBackground(true);

    m_addTimeButton = new QPushButton(QStringLiteral("+"), this);
    m_addTimeButton->setObjectName(QStringLiteral("addTimeButton"));
    m_addTimeButton->setToolTip(QStringLiteral("Προσθήκη Χρόνου"));
    m_addTimeButton->setAccessibleName(QStringLiteral("Προσθήκη Χρόνου"));
    m_addTimeButton->setMaximumWidth(40);
    m_toAddLabel = new QLabel(this);
    m_toAddLabel->setObjectName(QStringLiteral("timeToAdd"));
    auto *addRow = new QHBoxLayout;
    addRow->addWidget(m_addTimeButton);
    addRow->addWidget(m_toAddLabel, 1);
    details->addRow(addRow);

    auto button = [this](const char *name, const char *caption, void (CustomerWindow::*slot)()) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_save = button("saveTime", "&Save", &CustomerWindow::save);
    m_cancel = button("cancelTime", "&Cancel", &CustomerWindow::cancel);
    m_addNewButton = button("addNew", "Add New", &CustomerWindow::addNew);
    m_delete = button("deleteCustomer", "Delete", &CustomerWindow::deleteCustomer);
    m_printCard = button("printCard", "Print Card", &CustomerWindow::printCard);
    connect(m_addTimeButton, &QPushButton::clicked, this, &CustomerWindow::enterAddTime);
    auto *exit = new QPushButton(QStringLiteral("&Exit"), this);
    exit->setObjectName(QStringLiteral("cmdClose"));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    m_salesGrid = new QTableView(this);
    m_salesGrid->setObjectName(QStringLiteral("salesGrid"));
    m_salesGrid->setModel(m_sales);
    m_salesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_salesGrid->setSelectionMode(QAbstractItemView::NoSelection);
    m_salesGrid->verticalHeader()->hide();
    m_salesGrid->horizontalHeader()->setStretchLastSection(true);
    m_salesGrid->setMinimumHeight(110);
    auto *salesLabel = new QLabel(QStringLiteral("&Time Bought"), this);
    salesLabel->setBuddy(m_salesGrid);

    auto *side = new QVBoxLayout;
    side->addLayout(details);
    side->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(m_grid, 1);
    top->addLayout(side);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_addNewButton, m_delete, m_printCard, m_save, m_cancel})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(exit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 3);
    layout->addWidget(salesLabel);
    layout->addWidget(m_salesGrid, 1);
    layout->addLayout(buttons);
    resize(780, 560);
}

void CustomerWindow::getUsers()
{
    m_readReported = false;
    m_model->getUsers();
    if (m_model->canFetchMore({}))
        m_model->fetchMore({});
}

void CustomerWindow::followBooks()
{
    // The time being added goes onto whatever the account holds by then.
    if (m_save->isVisible())
        return;
    const qint64 chosen = m_selected ? m_selected->aa : 0;
    getUsers();
    for (int row = 0; chosen != 0 && row < m_model->rowCount(); ++row)
        if (m_model->account(row).aa == chosen) {
            m_grid->selectRow(row);
            selectRow(row);
            return;
        }
}

void CustomerWindow::tellFailure(const QString &text)
{
    if (m_readReported)
        return;
    m_readReported = true;
    m_prompter.tell(text, Prompter::Icon::Critical);
}

void CustomerWindow::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const CustomerRow &c = m_model->account(row);
    m_selected = c;
    m_name->setText(c.name);
    m_lastname->setText(c.lastname);
    m_telephone->setText(c.telephone);
    m_pin->setText(QString(c.password.size(), QLatin1Char('*')));
    m_left->setText(Format::minutes(c.timeleft));
    m_used->setText(Format::minutes(c.usedtime));
    m_addTimeButton->show();
    QPalette p = m_left->palette();
    p.setColor(QPalette::Base, c.timeleft <= 1 ? QColor(255, 0, 0) : QColor(Qt::white));
    m_left->setPalette(p);
    showSales();
}

void CustomerWindow::showSales()
{
    if (!m_selected) {
        m_sales->setSales({});
        return;
    }
    const auto sales = m_accounts.salesOf(m_selected->aa);
    m_sales->setSales(sales ? *sales : QList<TimeSaleRow>());
    if (!sales)
        tellFailure(sales.error());
}

void CustomerWindow::clearDetails()
{
    m_selected.reset();
    m_toAdd.reset();
    for (QLineEdit *e : {m_name, m_lastname, m_telephone, m_pin, m_used, m_left})
        e->clear();
    QPalette p = m_left->palette();
    p.setColor(QPalette::Base, Qt::white);
    m_left->setPalette(p);
    m_grid->clearSelection();
    m_sales->setSales({});
}

void CustomerWindow::browseMode()
{
    m_toAdd.reset();
    m_toAddLabel->clear();
    m_toAddLabel->hide();
    m_save->hide();
    m_cancel->hide();
    m_addTimeButton->setVisible(m_selected.has_value());
    m_addNewButton->show();
    followRole();
    if (m_addTime)
        m_addTime->close();
}

void CustomerWindow::followRole()
{
    // Adding time hides Delete whoever is logged in.
    if (!m_save->isVisible())
        m_delete->setVisible(!cashier());
}

bool CustomerWindow::cashier() const { return m_role() == QLatin1String("user"); }

void CustomerWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    followRole();
}

bool CustomerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pinLabel && event->type() == QEvent::MouseButtonRelease)
        showPin();
    return QWidget::eventFilter(watched, event);
}

void CustomerWindow::showPin()
{
    if (cashier() || !m_selected)
        return;
    m_prompter.tell(m_selected->password);
}

void CustomerWindow::addNew()
{
    clearDetails();
    m_addTimeButton->hide();
    if (m_openNewUser) {
        m_newUser = m_openNewUser();
        return;
    }
    if (!m_newUser) {
        m_newUser = new NewUserDialog(m_accounts, m_prompter, m_role, this);
        m_newUser->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_newUser, &NewUserDialog::finished, this, &CustomerWindow::getUsers);
    }
    m_newUser->show();
    m_newUser->raise();
}

void CustomerWindow::deleteCustomer()
{
    if (!m_selected) {
        m_prompter.tell(QStringLiteral("No User Has Been Selected"));
        return;
    }
    if (cashier())
        return;
    const CustomerRow c = *m_selected;
    if (!m_prompter.ask(QStringLiteral("Delete") + QLatin1Char('\r') + c.name + QLatin1Char(' ') + c.lastname
                        + QStringLiteral(" ;")))
        return;
    if (const Result<void> done = m_accounts.deleteCustomer(c.aa); !done) {
        m_prompter.tell(done.error(), Prompter::Icon::Critical);
        return;
    }
    clearDetails();
    m_addTimeButton->hide();
    getUsers();
}

void CustomerWindow::enterAddTime()
{
    if (!m_selected) {
        m_prompter.tell(QStringLiteral("No User Has Been Selected"));
        return;
    }
    m_delete->hide();
    m_addNewButton->hide();
    m_save->show();
    m_cancel->show();
    m_toAddLabel->show();
    if (!m_addTime) {
        m_addTime = new AddTimeDialog(this);
        m_addTime->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_addTime, &AddTimeDialog::chosen, this, &CustomerWindow::setTimeToAdd);
    }
    m_addTime->show();
    m_addTime->raise();
}

void CustomerWindow::setTimeToAdd(qint64 minutes)
{
    m_toAdd = minutes;
    m_toAddLabel->setText(QStringLiteral("Time That Will be Added :") + QLatin1Char(' ') + Format::minutes(minutes));
}

void CustomerWindow::save()
{
    if (!m_selected) {
        m_prompter.tell(QStringLiteral("No User Has Been Selected"));
        return;
    }
    if (!m_toAdd || *m_toAdd <= 0) {
        m_prompter.tell(QStringLiteral("No Time Was Entered"));
        return;
    }
    // Refused before the money is asked for, not after it was taken.
    if (const Result<CustomerRow> ready = m_accounts.readyForTime(m_selected->aa); !ready) {
        m_prompter.tell(ready.error(), Prompter::Icon::Critical);
        return;
    }
    if (m_payment)
        m_payment->close();
    m_payment = new PaymentDialog(m_prompter, m_role(), this);
    m_payment->setAttribute(Qt::WA_DeleteOnClose);
    const qint64 aa = m_selected->aa, minutes = *m_toAdd;
    connect(m_payment, &PaymentDialog::paid, this,
            [this, aa, minutes](const Payment &payment) { store(aa, minutes, payment); });
    m_payment->offer(m_selected->name + QLatin1Char(' ') + m_selected->lastname, minutes, m_accounts.offer(minutes));
    m_payment->open();
}

void CustomerWindow::store(qint64 aa, qint64 minutes, const Payment &payment)
{
    if (const Result<void> done = m_accounts.addTime(aa, minutes, payment); !done) {
        m_prompter.tell(done.error(), Prompter::Icon::Critical);
        return;
    }
    clearDetails();
    browseMode();
    getUsers();
}

void CustomerWindow::cancel()
{
    browseMode();
    m_addTimeButton->hide();
}

void CustomerWindow::printCard()
{
    if (!m_selected)
        return;
    if (!m_card) {
        m_card = new CardWindow(m_printLog, m_printTarget, m_prompter, m_clock, this);
        m_card->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_card->fill(m_selected->name + QLatin1Char(' ') + m_selected->lastname, m_selected->password, m_left->text());
    m_card->show();
    m_card->raise();
}
