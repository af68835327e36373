#include "reports/TransactionsWindow.h"

#include "reports/ExtraChargesWindow.h"
#include "reports/TransactionsModel.h"
#include "store/CafeStore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {
const QString All = QStringLiteral("ALL");
}

TransactionsWindow::TransactionsWindow(CafeStore &store, const Paths &paths, Prompter &prompter, const Clock &clock,
                                       ReportOutlet &outlet, QWidget *parent)
    : KinListWindow(store, prompter, clock, outlet, parent)
    , m_paths(paths)
{
    setObjectName(QStringLiteral("frmkin"));
    setWindowTitle(QStringLiteral("Κινήσεις"));

    auto *chooser = new QWidget(this);
    auto *row = new QHBoxLayout(chooser);
    row->setContentsMargins(0, 0, 0, 0);
    m_computer = new QComboBox(chooser);
    m_computer->setObjectName(QStringLiteral("computer"));
    m_computer->setEditable(true);
    m_computer->setInsertPolicy(QComboBox::NoInsert);
    m_computer->setMinimumContentsLength(12);
    row->addWidget(labelFor(QStringLiteral("CO&MPUTER"), m_computer));
    row->addWidget(m_computer);
    // On a chain's server every branch's charges can be listed and summed together.
    m_branch = new QComboBox(chooser);
    m_branch->setObjectName(QStringLiteral("branch"));
    auto *branchLabel = labelFor(QStringLiteral("&BRANCH"), m_branch);
    row->addWidget(branchLabel);
    row->addWidget(m_branch);
    if (const Result<QStringList> branches = m_book.branches(); branches && branches->size() > 1) {
        m_branches = *branches;
        m_branch->addItem(Paths::branchShown(m_paths.branch()), m_paths.branch());
        for (const QString &b : m_branches)
            if (b != m_paths.branch())
                m_branch->addItem(Paths::branchShown(b), b);
        m_branch->addItem(All);
    } else {
        branchLabel->hide();
        m_branch->hide();
    }

    auto *sums = new QWidget(this);
    auto *sumRow = new QHBoxLayout(sums);
    sumRow->setContentsMargins(0, 0, 0, 0);
    sumRow->addStretch();
    const char *const labels[3] = {"Computers", "extra", "Total"};
    const char *const names[3] = {"chargeSum", "extraSum", "totalSum"};
    for (int i = 0; i < 3; ++i) {
        m_sums[i] = new QLineEdit(sums);
        m_sums[i]->setObjectName(QString::fromLatin1(names[i]));
        m_sums[i]->setReadOnly(true);
        m_sums[i]->setAlignment(Qt::AlignRight);
        m_sums[i]->setMaximumWidth(130);
        sumRow->addWidget(labelFor(QString::fromLatin1(labels[i]), m_sums[i]));
        sumRow->addWidget(m_sums[i]);
    }

    auto *del = makeButton(QStringLiteral("deleteAll"), QStringLiteral("&Delete"));
    connect(del, &QPushButton::clicked, this, &TransactionsWindow::deleteAll);

    m_transactions = new TransactionsModel(m_book, this);
    build(QStringLiteral("Transactions"), m_transactions, chooser, sums, {del});
    grid()->setColumnHidden(TransactionsModel::Key, true);
    grid()->horizontalHeader()->resizeSection(TransactionsModel::Computer, 110);
    grid()->horizontalHeader()->resizeSection(TransactionsModel::Reason, 160);
    grid()->horizontalHeader()->setStretchLastSection(true);
    // Beside the computer, where it reads as the computer's whereabouts.
    QHeaderView *header = grid()->horizontalHeader();
    header->moveSection(header->visualIndex(TransactionsModel::Branch), TransactionsModel::Computer + 1);
    header->resizeSection(TransactionsModel::Branch, 90);
    grid()->setColumnHidden(TransactionsModel::Branch, true);
    connect(grid(), &QTableView::doubleClicked, this, [this](const QModelIndex &i) { showExtras(i.row()); });

    getComputers();
}

QLineEdit *TransactionsWindow::sumField(int n) const { return n >= 1 && n <= 3 ? m_sums[n - 1] : nullptr; }

void TransactionsWindow::getComputers()
{
    m_computer->clear();
    m_computer->addItem(All);
    const auto rows = m_book.store().computers();
    if (!rows) {
        m_prompter.tell(rows.error(), Prompter::Icon::Critical);
        return;
    }
    for (const ComputerRow &r : *rows)
        m_computer->addItem(r.pcname);
    m_computer->setCurrentIndex(0);
}

std::optional<KinFilter> TransactionsWindow::currentFilter() const
{
    // A name typed in another letter case is the roster's computer, as the
    // roster itself compares names.
    QString chosen = m_computer->currentText();
    if (m_computer->findText(chosen) < 0)
        for (int i = 0; i < m_computer->count(); ++i)
            if (SqlStore::fold(m_computer->itemText(i)) == SqlStore::fold(chosen))
                chosen = m_computer->itemText(i);
    KinFilter filter = KinFilter::normal(fromPicker()->date(), toPicker()->date(), chosen == All ? QString() : chosen);
    if (!m_branches.isEmpty()) {
        filter.branchShown = m_branch->currentText();
        const QString branch = m_branch->currentData().toString();
        if (filter.branchShown == All)
            filter.branches = m_branches;
        else if (branch != m_paths.branch())
            filter.branches = {branch};
    }
    return filter;
}

void TransactionsWindow::showListing()
{
    const KinFilter filter = *currentFilter();
    grid()->setColumnHidden(TransactionsModel::Branch, filter.branches.isEmpty());
    showSums(std::nullopt);
    showSums(list(filter));
    // The next Show lists every computer unless one is chosen anew.
    m_computer->setCurrentIndex(0);
    m_computer->setEditText(All);
}

void TransactionsWindow::showSums(const std::optional<KinSums> &sums)
{
    // No rows listed: the sums stay empty.
    const bool any = sums && sums->count > 0;
    m_sums[0]->setText(any ? Format::currency(sums->timecharged) : QString());
    m_sums[1]->setText(any ? Format::currency(sums->extra) : QString());
    m_sums[2]->setText(any ? Format::currency(sums->total) : QString());
}

void TransactionsWindow::showExtras(int row)
{
    const qint64 key = model()->keyAt(row);
    if (key == 0)
        return;
    // Keys repeat from branch to branch: only this branch's extras are known here.
    if (const auto listed = model()->listed(); listed && !listed->branches.isEmpty()) {
        m_prompter.tell(QStringLiteral("The extras of another branch's transactions are shown at that branch."),
                        Prompter::Icon::Information);
        return;
    }
    const Result<ExtraLines> extras = m_book.extrasOf(key);
    if (!extras) {
        m_prompter.tell(extras.error(), Prompter::Icon::Critical);
        return;
    }
    if (!m_extras) {
        m_extras = new ExtraChargesWindow(this);
        m_extras->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_extras->addTransaction(model()->computerAt(row), *extras);
    m_extras->show();
    m_extras->raise();
}

void TransactionsWindow::deleteAll()
{
    if (!m_prompter.ask(QStringLiteral("Delete All The Transactions ?")))
        return;
    const QString backup = m_paths.backup();
    const QDateTime now = m_clock.now();
    const auto job = [backup, now](KinBook &book, const KinProgress &progress) {
        KinWorker::Outcome out;
        const Result<KinDeletion> deleted = book.deleteAll(backup, now, progress);
        out.error = deleted.error();
        out.deletion = deleted.value_or(KinDeletion());
        out.complete = out.deletion.complete;
        return out;
    };
    work(QStringLiteral("Deleting the finished transactions…"), job, [this](const KinWorker::Outcome &out) {
        if (!out.error.isEmpty()) {
            m_prompter.tell(out.error, Prompter::Icon::Critical);
            return;
        }
        model()->clear();
        showSums(std::nullopt);
        // Stopped, it stops between two transactions: each goes with its extras or stays with them.
        const QString what = out.complete ? QStringLiteral("The finished transactions were deleted.")
                                          : QStringLiteral("The Delete was stopped: %1 finished transactions were"
                                                           " deleted, the others are kept.")
                                                .arg(out.deletion.rows);
        m_prompter.tell(what + QStringLiteral(" A copy of the books as they were before is in %1").arg(out.deletion.copy),
                        Prompter::Icon::Information);
    });
}
