#include "reports/ShiftWindow.h"

#include "base/Format.h"
#include "base/Prompter.h"
#include "console/Shifts.h"
#include "reports/ReportOutlet.h"
#include "reports/ShiftReport.h"
#include "reports/ShiftsModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

ShiftWindow::ShiftWindow(Shifts &shifts, CafeStore &cafe, Prompter &prompter, ReportOutlet &outlet,
                         std::function<QString()> role, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_shifts(shifts)
    , m_cafe(cafe)
    , m_prompter(prompter)
    , m_outlet(outlet)
    , m_role(std::move(role))
{
    setObjectName(QStringLiteral("frmshifts"));
    setWindowTitle(QStringLiteral("Shifts"));
    m_model = new ShiftsModel(this);
    buildUi();
    refresh();
}

void ShiftWindow::buildUi()
{
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("shiftStatus"));
    m_status->setWordWrap(true);
    m_cash = new QLineEdit(this);
    m_cash->setObjectName(QStringLiteral("cash"));
    m_cash->setMaxLength(24);
    auto *cashLabel = new QLabel(QStringLiteral("Cash in the &drawer"), this);
    cashLabel->setBuddy(m_cash);
    auto button = [this](const char *name, const QString &caption, void (ShiftWindow::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_openButton = button("openShift", QStringLiteral("&Open Shift"), &ShiftWindow::openShift);
    m_closeButton = button("closeShift", QStringLiteral("C&lose Shift"), &ShiftWindow::closeShift);
    auto *cashRow = new QHBoxLayout;
    cashRow->addWidget(cashLabel);
    cashRow->addWidget(m_cash, 1);
    cashRow->addWidget(m_openButton);
    cashRow->addWidget(m_closeButton);

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("shiftGrid"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto *gridLabel = new QLabel(QStringLiteral("S&hifts"), this);
    gridLabel->setBuddy(m_grid);

    auto *report = button("report", QStringLiteral("&Report"), &ShiftWindow::printReport);
    auto *csv = button("exportCsv", QStringLiteral("Save as CS&V"), &ShiftWindow::exportCsv);
    auto *exit = new QPushButton(QStringLiteral("&Exit"), this);
    exit->setObjectName(QStringLiteral("cmdClose"));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(report);
    buttons->addWidget(csv);
    buttons->addStretch();
    buttons->addWidget(exit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addLayout(cashRow);
    layout->addWidget(gridLabel);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    resize(820, 420);
}

void ShiftWindow::refresh()
{
    const auto open = m_shifts.current();
    const auto list = m_shifts.visible(m_role());
    if (!open || !list) {
        m_prompter.tell(!open ? open.error() : list.error(), Prompter::Icon::Critical);
        return;
    }
    m_open = *open ? (*open)->aa : 0;
    if (*open) {
        const ShiftRow &s = **open;
        const auto expected = m_shifts.expected(s);
        m_status->setText(QStringLiteral("Shift open since %1 %2 by %3. Expected in the drawer: %4")
                              .arg(Format::shortDate(s.opened.date()), Format::longTime(s.opened.time()),
                                   s.operatorName, expected ? Format::currency(*expected) : expected.error()));
    } else {
        m_status->setText(QStringLiteral("No shift is open at this console."));
    }
    m_openButton->setEnabled(!*open);
    m_closeButton->setEnabled(bool(*open));
    m_model->setShifts(*list);
}

void ShiftWindow::openShift()
{
    if (const Result<qint64> opened = m_shifts.open(m_role(), m_cash->text()); !opened) {
        m_prompter.tell(opened.error(), Prompter::Icon::Warning);
        m_cash->setFocus();
        return;
    }
    m_cash->clear();
    refresh();
}

void ShiftWindow::closeShift()
{
    const Result<Shifts::Closing> closed = m_shifts.close(m_role(), m_cash->text());
    if (!closed) {
        m_prompter.tell(closed.error(), Prompter::Icon::Warning);
        m_cash->setFocus();
        return;
    }
    m_cash->clear();
    refresh();
    m_prompter.tell(Shifts::summary(*closed), Prompter::Icon::Information);
}

qint64 ShiftWindow::chosenShift() const
{
    const QModelIndexList rows = m_grid->selectionModel()->selectedRows();
    return rows.isEmpty() ? m_open : m_model->shift(rows.first().row()).aa;
}

void ShiftWindow::printReport()
{
    const qint64 shift = chosenShift();
    if (!shift) {
        m_prompter.tell(QStringLiteral("No Shift Has Been Selected"));
        return;
    }
    Result<ShiftSheet> sheet = ShiftSheet::read(m_cafe, shift);
    if (!sheet) {
        m_prompter.tell(sheet.error(), Prompter::Icon::Critical);
        return;
    }
    ShiftReport report(std::move(*sheet));
    m_outlet.print(report, this);
}

void ShiftWindow::exportCsv()
{
    const qint64 shift = chosenShift();
    if (!shift) {
        m_prompter.tell(QStringLiteral("No Shift Has Been Selected"));
        return;
    }
    const Result<ShiftSheet> sheet = ShiftSheet::read(m_cafe, shift);
    if (!sheet) {
        m_prompter.tell(sheet.error(), Prompter::Icon::Critical);
        return;
    }
    const QString path = m_outlet.csvPath(QStringLiteral("shift-%1.csv").arg(shift), this);
    if (path.isEmpty())
        return;
    if (const Result<void> written = sheet->writeCsv(path); !written)
        m_prompter.tell(written.error(), Prompter::Icon::Critical);
}
