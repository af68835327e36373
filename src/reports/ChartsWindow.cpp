#include "reports/ChartsWindow.h"

#include "base/Format.h"
#include "base/PrivateFile.h"
#include "base/Prompter.h"
#include "reports/ReportOutlet.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QColor TimeColor(0x2e, 0x6f, 0xb7), ExtrasColor(0xe3, 0x8b, 0x2c), AccountColor(0x4a, 0x9c, 0x5d);
} // namespace

ChartView::ChartView(Kind kind, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
{
    setMinimumSize(560, 220);
}

QString ChartView::title() const
{
    return m_kind == Kind::Takings ? QStringLiteral("Takings per day") : QStringLiteral("Computer-hours in use");
}

void ChartView::show(const MonthCharts &charts)
{
    m_charts = charts;
    update();
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    draw(p, QRectF(rect()));
}

void ChartView::draw(QPainter &p, const QRectF &area) const
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QFont bold = p.font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::black);
    p.drawText(area.adjusted(8, 4, -8, 0), Qt::AlignLeft | Qt::AlignTop,
               title() + QLatin1String(", ") + QLocale().standaloneMonthName(m_charts.first.month()) + QLatin1Char(' ')
                   + QString::number(m_charts.first.year()));
    p.setFont(QFont(p.font().family(), p.font().pointSize()));
    const QRectF plot = area.adjusted(64, 28, -12, -34);
    if (m_kind == Kind::Takings)
        drawTakings(p, plot);
    else
        drawOccupancy(p, plot);
    p.restore();
}

void ChartView::drawTakings(QPainter &p, const QRectF &plot) const
{
    const qint64 most = qMax<qint64>(1, m_charts.highestDay().units());
    const int n = qMax(1, int(m_charts.days.size()));
    const qreal w = plot.width() / n;
    p.setPen(Qt::gray);
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawText(QRectF(plot.left() - 62, plot.top() - 8, 58, 16), Qt::AlignRight | Qt::AlignVCenter,
               Format::amount(Money::fromUnits(most)));
    p.drawText(QRectF(plot.left() - 62, plot.bottom() - 8, 58, 16), Qt::AlignRight | Qt::AlignVCenter,
               Format::amount(Money()));
    for (int i = 0; i < m_charts.days.size(); ++i) {
        const ChartBook::DayTakings &d = m_charts.days[i];
        qreal bottom = plot.bottom();
        for (const auto &[amount, color] :
             {std::pair{d.time, TimeColor}, {d.extras, ExtrasColor}, {d.accountTime, AccountColor}}) {
            const qreal h = plot.height() * qMax<qint64>(0, amount.units()) / most;
            p.fillRect(QRectF(plot.left() + i * w + 1, bottom - h, w - 2, h), color);
            bottom -= h;
        }
        if (i % 5 == 0 || i + 1 == m_charts.days.size()) {
            p.setPen(Qt::black);
            p.drawText(QRectF(plot.left() + i * w - 10, plot.bottom() + 2, w + 20, 14), Qt::AlignHCenter,
                       QString::number(d.day.day()));
        }
    }
    qreal x = plot.left();
    for (const auto &[label, color] : {std::pair{QStringLiteral("Time"), TimeColor},
                                       {QStringLiteral("Extras"), ExtrasColor},
                                       {QStringLiteral("Account time"), AccountColor}}) {
        p.fillRect(QRectF(x, plot.bottom() + 20, 10, 10), color);
        p.setPen(Qt::black);
        p.drawText(QRectF(x + 14, plot.bottom() + 17, 120, 16), Qt::AlignLeft | Qt::AlignVCenter, label);
        x += 130;
    }
}

void ChartView::drawOccupancy(QPainter &p, const QRectF &plot) const
{
    const qint64 most = qMax<qint64>(1, m_charts.busiestHour());
    const qreal w = plot.width() / 24, h = (plot.height() - 14) / 7;
    for (int day = 0; day < 7; ++day) {
        p.setPen(Qt::black);
        p.drawText(QRectF(plot.left() - 62, plot.top() + day * h, 58, h), Qt::AlignRight | Qt::AlignVCenter,
                   QLocale().dayName(day + 1, QLocale::ShortFormat));
        for (int hour = 0; hour < 24; ++hour) {
            const qreal share = qreal(m_charts.inUse[day][hour]) / most;
            p.fillRect(QRectF(plot.left() + hour * w + 1, plot.top() + day * h + 1, w - 2, h - 2),
                       QColor::fromRgbF(1 - 0.8 * share, 1 - 0.45 * share, 1 - 0.1 * share));
        }
    }
    for (int hour = 0; hour < 24; hour += 3)
        p.drawText(QRectF(plot.left() + hour * w, plot.bottom() - 12, w * 2, 14), Qt::AlignLeft,
                   QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0')));
    p.drawText(QRectF(plot.left(), plot.bottom() + 6, plot.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Darkest: %1 computer-hours").arg(QLocale().toString(most / 3600.0, 'f', 1)));
}

ChartsWindow::ChartsWindow(CafeStore &cafe, Prompter &prompter, ReportOutlet &outlet, const QDate &today,
                           QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_cafe(cafe)
    , m_prompter(prompter)
    , m_outlet(outlet)
{
    setObjectName(QStringLiteral("frmcharts"));
    setWindowTitle(QStringLiteral("Charts"));
    m_month = new QDateEdit(today, this);
    m_month->setObjectName(QStringLiteral("month"));
    m_month->setDisplayFormat(QStringLiteral("MM/yyyy"));
    auto *monthLabel = new QLabel(QStringLiteral("&Month"), this);
    monthLabel->setBuddy(m_month);
    m_average = new QLabel(this);
    m_average->setObjectName(QStringLiteral("averageCharge"));
    auto *top = new QHBoxLayout;
    top->addWidget(monthLabel);
    top->addWidget(m_month);
    top->addSpacing(20);
    top->addWidget(m_average, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    const auto chart = [this, layout](ChartView::Kind kind, const char *name, const QString &pngCaption) {
        auto *view = new ChartView(kind, this);
        view->setObjectName(QString::fromLatin1(name));
        auto *saveButton = new QPushButton(pngCaption, this);
        saveButton->setObjectName(QString::fromLatin1(name) + QStringLiteral("Save"));
        connect(saveButton, &QPushButton::clicked, this, [this, view] { save(view); });
        auto *row = new QHBoxLayout;
        row->addWidget(view, 1);
        row->addWidget(saveButton, 0, Qt::AlignTop);
        layout->addLayout(row, 1);
        return view;
    };
    m_takings = chart(ChartView::Kind::Takings, "takingsChart", QStringLiteral("Save &takings…"));
    m_occupancy = chart(ChartView::Kind::Occupancy, "occupancyChart", QStringLiteral("Save &occupancy…"));
    auto *exit = new QPushButton(QStringLiteral("&Exit"), this);
    exit->setObjectName(QStringLiteral("cmdClose"));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(exit, 0, Qt::AlignRight);
    connect(m_month, &QDateEdit::dateChanged, this, &ChartsWindow::showMonth);
    resize(800, 620);
    showMonth(today);
}

void ChartsWindow::showMonth(const QDate &month)
{
    const Result<MonthCharts> c = MonthCharts::read(m_cafe, month);
    if (!c) {
        m_prompter.tell(c.error(), Prompter::Icon::Critical);
        return;
    }
    m_charts = *c;
    m_takings->show(m_charts);
    m_occupancy->show(m_charts);
    m_average->setText(QStringLiteral("Average charge: %1 over %2 charges")
                           .arg(Format::duration(m_charts.averageSeconds()))
                           .arg(m_charts.charges));
}

void ChartsWindow::save(ChartView *chart)
{
    const QString suggested =
        QStringLiteral("%1-%2.png").arg(chart->objectName(), m_charts.first.toString(QStringLiteral("yyyy-MM")));
    const QString path = m_outlet.savePath(suggested, QStringLiteral("PNG (*.png);;PDF (*.pdf)"), this);
    if (path.isEmpty())
        return;
    PrivateFile::prepare(path);
    bool ok = false;
    if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        QPdfWriter pdf(path);
        pdf.setTitle(chart->title());
        pdf.setCreator(QStringLiteral("Korvane"));
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(15, 15, 15, 15),
                                      QPageLayout::Millimeter));
        QPainter p;
        if ((ok = p.begin(&pdf))) {
            const qreal scale = pdf.logicalDpiX() / 96.0;
            p.scale(scale, scale);
            chart->draw(p, QRectF(0, 0, pdf.width() / scale, pdf.height() / scale * 0.6));
            p.end();
        }
    } else {
        QImage image(chart->size() * 2, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        image.fill(Qt::white);
        QPainter p(&image);
        chart->draw(p, QRectF(chart->rect()));
        p.end();
        ok = image.save(path, "PNG");
    }
    if (!ok)
        m_prompter.tell(QStringLiteral("%1 cannot be written.").arg(path), Prompter::Icon::Critical);
}
