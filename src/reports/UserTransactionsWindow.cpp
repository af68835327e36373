#include "reports/UserTransactionsWindow.h"

#include "reports/UserTransactionsModel.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTableView>

UserTransactionsWindow::UserTransactionsWindow(CafeStore &store, Prompter &prompter, const Clock &clock,
                                               ReportOutlet &outlet, QWidget *parent)
    : KinListWindow(store, prompter, clock, outlet, parent)
{
    setObjectName(QStringLiteral("frmkinuser"));
    setWindowTitle(QStringLiteral("Users Transactions"));

    auto *chooser = new QWidget(this);
    auto *row = new QHBoxLayout(chooser);
    row->setContentsMargins(0, 0, 0, 0);
    m_pin = new QLineEdit(chooser);
    m_pin->setObjectName(QStringLiteral("pin"));
    m_pin->setMaximumWidth(140);
    // Typing is held to digits; whatever else arrives (pasted, set) lists nothing.
    m_pin->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pin));
    row->addWidget(labelFor(QStringLiteral("P&IN"), m_pin));
    row->addWidget(m_pin);

    build(QStringLiteral("Users Transactions"), new UserTransactionsModel(m_book, this), chooser, nullptr, {});
    grid()->horizontalHeader()->resizeSection(UserTransactionsModel::Computer, 110);
    grid()->horizontalHeader()->setStretchLastSection(true);
    resize(760, 520);
}

std::optional<KinFilter> UserTransactionsWindow::currentFilter() const
{
    if (m_pin->text().isEmpty())
        return std::nullopt;
    return KinFilter::user(fromPicker()->date(), toPicker()->date(), m_pin->text());
}

void UserTransactionsWindow::showListing()
{
    if (const std::optional<KinFilter> filter = currentFilter())
        list(*filter);
}
