#include "reports/KinListWindow.h"

#include "reports/KinCsv.h"
#include "reports/KinPagesModel.h"
#include "reports/KinReport.h"
#include "reports/ReportOutlet.h"
#include "reports/WorkProgressDialog.h"
#include "store/CafeStore.h"
#include "base/Clock.h"
#include "base/Format.h"
#include "base/Prompter.h"

#include <QApplication>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

KinListWindow::KinListWindow(CafeStore &store, Prompter &prompter, const Clock &clock, ReportOutlet &outlet,
                             QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_book(store)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_outlet(outlet)
{}

void KinListWindow::build(const QString &heading, KinPagesModel *model, QWidget *chooser, QWidget *belowGrid,
                          const QList<QPushButton *> &extraButtons)
{
    m_worker = new KinWorker(m_book.store().location(), this);
    m_model = model;
    m_model->setWorker(m_worker);
    connect(m_model, &KinPagesModel::failed, this,
            [this](const QString &text) { m_prompter.tell(text, Prompter::Icon::Critical); });

    auto *title = new QLabel(heading, this);
    title->setObjectName(QStringLiteral("heading"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);

    const QDate today = m_clock.now().date();
    const auto picker = [&](const QString &name) {
        auto *d = new QDateEdit(today, this);
        d->setObjectName(name);
        d->setCalendarPopup(true);
        d->setDisplayFormat(Format::dateFormat());
        return d;
    };
    m_from = picker(QStringLiteral("from"));
    m_to = picker(QStringLiteral("to"));

    auto *choose = new QHBoxLayout;
    choose->addWidget(labelFor(QStringLiteral("&FROM"), m_from));
    choose->addWidget(m_from);
    choose->addSpacing(12);
    choose->addWidget(labelFor(QStringLiteral("&TO"), m_to));
    choose->addWidget(m_to);
    choose->addSpacing(12);
    choose->addWidget(chooser);
    choose->addStretch();

    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("transactionGrid"));
    m_grid->setModel(m_model);
    m_grid->setAlternatingRowColors(true);
    QPalette pal = m_grid->palette();
    pal.setColor(QPalette::AlternateBase, QColor(192, 192, 192));
    m_grid->setPalette(pal);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setDefaultSectionSize(96);
    m_grid->setWordWrap(false);

    auto *buttons = new QHBoxLayout;
    auto *show = makeButton(QStringLiteral("show"), QStringLiteral("&Show"));
    auto *print = makeButton(QStringLiteral("print"), QStringLiteral("&Print"));
    auto *csv = makeButton(QStringLiteral("exportCsv"), QStringLiteral("Save as CS&V"));
    auto *exit = makeButton(QStringLiteral("exit"), QStringLiteral("&Exit"));
    connect(show, &QPushButton::clicked, this, &KinListWindow::showListing);
    connect(print, &QPushButton::clicked, this, &KinListWindow::printListing);
    connect(csv, &QPushButton::clicked, this, &KinListWindow::exportListing);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(show);
    buttons->addWidget(print);
    for (QPushButton *b : extraButtons)
        buttons->addWidget(b);
    buttons->addWidget(csv);
    buttons->addStretch();
    buttons->addWidget(exit);
    show->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(choose);
    layout->addWidget(m_grid, 1);
    if (belowGrid)
        layout->addWidget(belowGrid);
    layout->addLayout(buttons);
    resize(980, 600);
    prepareBook();
}

void KinListWindow::prepareBook()
{
    const Result<bool> ready = m_book.schemaReady();
    if (!ready) {
        m_prompter.tell(ready.error(), Prompter::Icon::Critical);
        return;
    }
    if (*ready)
        return;
    const auto fill = [](KinBook &book, const KinProgress &progress) {
        KinWorker::Outcome out;
        const Result<bool> done = book.ensureSchema(progress);
        out.error = done.error();
        out.complete = done.value_or(false);
        return out;
    };
    // Stopped, it goes on from where it was the next time the window opens.
    work(QStringLiteral("Preparing the transactions for listing (once)…"), fill,
         [this](const KinWorker::Outcome &out) {
             if (!out.error.isEmpty())
                 m_prompter.tell(out.error, Prompter::Icon::Critical);
             if (!out.error.isEmpty() || !out.complete)
                 close();
         });
}

void KinListWindow::work(const QString &label, KinWorker::Job job,
                         std::function<void(const KinWorker::Outcome &)> done)
{
    const QList<QPushButton *> buttons = findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly);
    for (QPushButton *b : buttons)
        b->setEnabled(b->objectName() == QLatin1String("exit"));
    auto *progress = new WorkProgressDialog(label, this);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    // Connected before the job starts, told its ticket before any signal of it arrives.
    const auto ticket = std::make_shared<quint64>(0);
    const auto finished = std::make_shared<QMetaObject::Connection>();
    connect(progress, &QProgressDialog::canceled, m_worker, &KinWorker::cancel);
    connect(m_worker, &KinWorker::progressed, progress, [progress, ticket](quint64 t, qint64 doneSoFar, qint64 total) {
        if (t == *ticket)
            progress->follow(doneSoFar, total);
    });
    *finished = connect(m_worker, &KinWorker::finished, this,
                        [=, done = std::move(done)](quint64 t, const KinWorker::Outcome &out) {
                            if (t != *ticket)
                                return;
                            disconnect(*finished);
                            progress->hide();
                            progress->deleteLater(); // it may be inside its own setValue()
                            for (QPushButton *b : buttons)
                                b->setEnabled(true);
                            done(out);
                        });
    *ticket = m_worker->start(std::move(job));
}

QPushButton *KinListWindow::makeButton(const QString &objectName, const QString &text)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    return b;
}

QLabel *KinListWindow::labelFor(const QString &text, QWidget *buddy)
{
    auto *l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
}

QPushButton *KinListWindow::button(const QString &objectName) const { return findChild<QPushButton *>(objectName); }

std::optional<KinSums> KinListWindow::list(const KinFilter &filter)
{
    const Result<KinSums> sums = m_model->list(filter);
    if (!sums) {
        m_prompter.tell(sums.error(), Prompter::Icon::Critical);
        return std::nullopt;
    }
    return *sums;
}

void KinListWindow::printListing()
{
    const std::optional<KinFilter> filter = currentFilter();
    if (!filter)
        return;
    KinReport report(m_book, *filter);
    m_outlet.print(report, this);
}

void KinListWindow::exportListing()
{
    // The listing on screen, though the chooser may have gone back to ALL;
    // with none, what the choices say.
    const std::optional<KinFilter> filter = m_model->listed() ? m_model->listed() : currentFilter();
    if (!filter)
        return;
    QString computer = filter->computer;
    for (QChar &c : computer)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    const QString suggested = QStringLiteral("transactions-%1%2-%3.csv")
                                  .arg(computer.isEmpty() ? QString() : computer + QLatin1Char('-'),
                                       filter->from.toString(Qt::ISODate), filter->to.toString(Qt::ISODate));
    const QString path = m_outlet.csvPath(suggested, this);
    if (path.isEmpty())
        return;
    WorkProgressDialog progress(QStringLiteral("Saving the transactions…"), this);
    const Result<qint64> rows = KinCsv::write(m_book, *filter, path, [&progress](qint64 done, qint64 total) {
        return progress.follow(done, total);
    });
    progress.reset();
    if (!rows)
        m_prompter.tell(rows.error(), Prompter::Icon::Critical);
    else
        m_prompter.tell(QStringLiteral("%1 transactions saved in %2").arg(*rows).arg(path),
                        Prompter::Icon::Information);
}
