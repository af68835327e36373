#include "engine/BillingWindow.h"

#include "engine/Bill.h"
#include "base/Format.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QLineEdit *box(QWidget *parent, const QString &name, bool readOnly = true)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

// Every box is named by its label, on screen and to a screen reader.
QLabel *labelFor(QWidget *parent, const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}
} // namespace

BillingWindow::BillingWindow(Bill *bill, QWidget *parent)
    : QDialog(parent)
    , m_bill(bill)
{
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    buildUi();
    if (m_bill) {
        connect(m_bill, &Bill::changed, this, &BillingWindow::show_);
        connect(m_bill, &Bill::confirmed, this, &QWidget::close);
    }
    show_();
}

BillingWindow::~BillingWindow()
{
    if (m_bill)
        m_bill->close();
}

void BillingWindow::buildUi()
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));

    auto *billPage = new QWidget(m_pages);
    auto *grid = new QGridLayout(billPage);
    m_computer = new QLabel(billPage);
    m_computer->setObjectName(QStringLiteral("computer"));
    grid->addWidget(m_computer, 0, 0, 1, 2);
    m_transaction = box(billPage, QStringLiteral("transaction"));
    grid->addWidget(labelFor(billPage, QStringLiteral("Transaction"), m_transaction), 0, 2);
    grid->addWidget(m_transaction, 0, 3);

    m_startTime = box(billPage, QStringLiteral("startTime"));
    m_startDate = box(billPage, QStringLiteral("startDate"));
    grid->addWidget(labelFor(billPage, QStringLiteral("Start Time"), m_startTime), 1, 0);
    grid->addWidget(m_startTime, 1, 1);
    grid->addWidget(labelFor(billPage, QStringLiteral("Start Date"), m_startDate), 1, 2);
    grid->addWidget(m_startDate, 1, 3);

    m_endTime = box(billPage, QStringLiteral("endTime"));
    m_endDate = box(billPage, QStringLiteral("endDate"));
    m_endLabel = labelFor(billPage, QStringLiteral("End Time"), m_endTime);
    m_endDateLabel = labelFor(billPage, QStringLiteral("End Date"), m_endDate);
    grid->addWidget(m_endLabel, 2, 0);
    grid->addWidget(m_endTime, 2, 1);
    grid->addWidget(m_endDateLabel, 2, 2);
    grid->addWidget(m_endDate, 2, 3);

    m_timeUsed = box(billPage, QStringLiteral("timeUsed"));
    m_minutes = box(billPage, QStringLiteral("minutes"));
    grid->addWidget(labelFor(billPage, QStringLiteral("Time"), m_timeUsed), 3, 0);
    grid->addWidget(m_timeUsed, 3, 1);
    grid->addWidget(labelFor(billPage, QStringLiteral("Minutes"), m_minutes), 3, 2);
    grid->addWidget(m_minutes, 3, 3);

    m_timeLeft = box(billPage, QStringLiteral("timeLeft"));
    m_timeLeftLabel = labelFor(billPage, QStringLiteral("Time Left"), m_timeLeft);
    grid->addWidget(m_timeLeftLabel, 4, 0);
    grid->addWidget(m_timeLeft, 4, 1);

    auto *rateFrame = new QGroupBox(QStringLiteral("Hourly Rate"), billPage);
    auto *rateLayout = new QVBoxLayout(rateFrame);
    m_rates = new QTabBar(rateFrame);
    m_rates->setObjectName(QStringLiteral("rates"));
    rateLayout->addWidget(m_rates);
    grid->addWidget(rateFrame, 5, 0, 1, 4);

    m_timeCharge = box(billPage, QStringLiteral("timeCharge"));
    grid->addWidget(labelFor(billPage, QStringLiteral("Charge"), m_timeCharge), 6, 0);
    grid->addWidget(m_timeCharge, 6, 1);
    m_extras = box(billPage, QStringLiteral("extras"));
    grid->addWidget(labelFor(billPage, QStringLiteral("Extra Charge"), m_extras), 7, 0);
    grid->addWidget(m_extras, 7, 1);
    // Any key typed here clears the total; the key itself is not kept.
    m_total = box(billPage, QStringLiteral("total"), false);
    m_total->installEventFilter(this);
    grid->addWidget(labelFor(billPage, QStringLiteral("Total"), m_total), 8, 0);
    grid->addWidget(m_total, 8, 1);

    m_reason = box(billPage, QStringLiteral("reason"), false);
    m_reasonLabel = labelFor(billPage, QStringLiteral("Enter the reason you are not charging"), m_reason);
    m_reasonLabel->setObjectName(QStringLiteral("reasonLabel"));
    grid->addWidget(m_reasonLabel, 9, 0, 1, 4);
    grid->addWidget(m_reason, 10, 0, 1, 4);

    auto *buttons = new QHBoxLayout;
    m_confirm = new QPushButton(QStringLiteral("&Confirm"), billPage);
    m_confirm->setObjectName(QStringLiteral("confirm"));
    m_addExtra = new QPushButton(QStringLiteral("+ extra"), billPage);
    m_addExtra->setObjectName(QStringLiteral("addExtra"));
    m_addExtra->setEnabled(false); // until an extras window is given
    auto *closeButton = new QPushButton(QStringLiteral("C&lose"), billPage);
    closeButton->setObjectName(QStringLiteral("close"));
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_addExtra);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    grid->addLayout(buttons, 11, 0, 1, 4);
    grid->setRowStretch(12, 1); // extra height goes below, not between the rows
    QFont nameFont = m_computer->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.2);
    m_computer->setFont(nameFont);
    m_pages->addTab(billPage, QStringLiteral("Bill"));

    auto *extrasPage = new QWidget(m_pages);
    auto *extrasLayout = new QVBoxLayout(extrasPage);
    m_grid = new QTableWidget(0, 3, extrasPage);
    m_grid->setObjectName(QStringLiteral("extrasGrid"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("PRODUCT"), QStringLiteral("QUANT."), QStringLiteral("TOTAL")});
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    extrasLayout->addWidget(m_grid);
    auto *extraButtons = new QHBoxLayout;
    m_deleteExtra = new QPushButton(QStringLiteral("&Delete"), extrasPage);
    m_deleteExtra->setObjectName(QStringLiteral("deleteExtra"));
    auto *back = new QPushButton(QStringLiteral("&Back"), extrasPage);
    back->setObjectName(QStringLiteral("back"));
    extraButtons->addWidget(m_deleteExtra);
    extraButtons->addStretch();
    extraButtons->addWidget(back);
    extrasLayout->addLayout(extraButtons);
    m_pages->addTab(extrasPage, QStringLiteral("Extras"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);

    if (m_bill) {
        for (const QString &caption : m_bill->rateCaptions())
            m_rates->addTab(caption);
        m_rates->setCurrentIndex(m_bill->rateTab() - 1);
    }
    // The frame's layout otherwise squeezes the strip; all six rates stay in view.
    m_rates->setMinimumSize(m_rates->sizeHint());
    connect(m_rates, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_filling && m_bill)
            m_bill->selectRate(index + 1);
    });
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1)
            extraCharge();
    });
    connect(m_confirm, &QPushButton::clicked, this, &BillingWindow::confirm);
    connect(m_addExtra, &QPushButton::clicked, this, [this] {
        if (m_bill && m_openExtras)
            m_openExtras(*m_bill);
    });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(back, &QPushButton::clicked, this, [this] { m_pages->setCurrentIndex(0); });
    connect(m_deleteExtra, &QPushButton::clicked, this, &BillingWindow::deleteExtra);
    connect(m_grid, &QTableWidget::cellChanged, this, &BillingWindow::quantityEdited);
    connect(m_reason, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_bill)
            m_bill->setReason(text);
    });
}

void BillingWindow::setExtrasOpener(std::function<void(Bill &)> open)
{
    m_openExtras = std::move(open);
    m_addExtra->setEnabled(bool(m_openExtras));
}

qint64 BillingWindow::transaction() const { return m_bill ? m_bill->transaction() : 0; }

void BillingWindow::show_()
{
    if (!m_bill)
        return;
    const Bill &b = *m_bill;
    m_filling = true;
    setWindowTitle(b.caption());
    m_computer->setText(b.computer());
    if (b.isPrepaid())
        m_computer->setStyleSheet(QStringLiteral("background-color: rgb(128, 128, 255);"));
    m_startTime->setText(b.startTimeText());
    m_startDate->setText(b.startDateText());
    m_endTime->setText(b.endTimeText());
    m_endDate->setText(b.endDateText());
    m_endLabel->setVisible(b.showsEnd());
    m_endTime->setVisible(b.showsEnd());
    m_endDate->setVisible(b.showsEnd());
    m_endDateLabel->setVisible(b.showsEnd());
    m_minutes->setText(QString::number(b.minutes()));
    m_timeUsed->setText(b.timeUsed());
    m_transaction->setText(QString::number(b.transaction()));
    m_timeLeftLabel->setVisible(b.showsTimeLeft());
    m_timeLeft->setVisible(b.showsTimeLeft());
    m_timeLeft->setText(b.timeLeftText());
    m_timeCharge->setText(b.timeChargeText());
    m_extras->setText(b.extrasText());
    m_total->setText(b.totalText());
    m_reasonLabel->setVisible(b.reasonShown());
    m_reason->setVisible(b.reasonShown());
    m_confirm->setVisible(!b.isStatusView());
    m_rates->setCurrentIndex(b.rateTab() - 1);
    m_filling = false;
    // Rows come and go (reason, time left): grow to show them all.
    layout()->activate();
    if (isVisible())
        resize(size().expandedTo(minimumSizeHint()));
    else
        adjustSize(); // no larger than it needs, so less of the map is covered
}

bool BillingWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_total && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Moving between boxes is not typing.
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            return false;
        if (m_bill && !m_bill->isStatusView())
            m_bill->clearTotal();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void BillingWindow::extraCharge()
{
    if (!m_bill)
        return;
    const QList<ExtraRow> rows = m_bill->extraCharge();
    m_filling = true;
    m_grid->setRowCount(0);
    for (const ExtraRow &e : rows) {
        const int r = m_grid->rowCount();
        m_grid->insertRow(r);
        auto *product = new QTableWidgetItem(e.itemdesc);
        product->setData(Qt::UserRole, e.aa);
        product->setData(Qt::UserRole + 1, e.itemprice.units());
        product->setFlags(product->flags() & ~Qt::ItemIsEditable);
        auto *quantity = new QTableWidgetItem(QString::number(e.itemquant));
        auto *total = new QTableWidgetItem(Format::amount(e.charge));
        total->setFlags(total->flags() & ~Qt::ItemIsEditable);
        m_grid->setItem(r, 0, product);
        m_grid->setItem(r, 1, quantity);
        m_grid->setItem(r, 2, total);
    }
    m_grid->clearSelection();
    m_grid->setCurrentCell(-1, -1);
    m_filling = false;
}

void BillingWindow::deleteExtra()
{
    if (!m_bill)
        return;
    const QList<QTableWidgetItem *> selected = m_grid->selectedItems();
    std::optional<qint64> key;
    if (!selected.isEmpty())
        key = m_grid->item(selected.first()->row(), 0)->data(Qt::UserRole).toLongLong();
    if (m_bill->deleteExtra(key))
        extraCharge();
}

void BillingWindow::quantityEdited(int row, int column)
{
    if (m_filling || column != 1 || !m_bill)
        return;
    const qint64 key = m_grid->item(row, 0)->data(Qt::UserRole).toLongLong();
    const QString text = m_grid->item(row, 1)->text();
    m_bill->setExtraQuantity(key, text);
    // Back to what is stored, refused or not.
    QMetaObject::invokeMethod(this, &BillingWindow::extraCharge, Qt::QueuedConnection);
}

void BillingWindow::confirm()
{
    if (m_bill)
        m_bill->setReason(m_reason->text());
    if (m_bill)
        m_bill->confirm();
}

void BillingWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Measured before it was shown, a frame may come out short.
    layout()->invalidate();
    resize(size().expandedTo(minimumSizeHint()));
}

void BillingWindow::closeEvent(QCloseEvent *event)
{
    // The close box, Esc and Close all pass through reject().
    QDialog::closeEvent(event);
    if (event->isAccepted() && m_bill)
        m_bill->close();
}

void BillingWindow::reject()
{
    if (m_bill && !m_bill->mayClose())
        return;
    if (m_bill)
        m_bill->close();
    QDialog::reject();
}
