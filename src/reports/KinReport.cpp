#include "reports/KinReport.h"

#include "base/Format.h"
#include "base/PrivateFile.h"

#include <QFile>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

namespace {
// Points, on the page's printable area.
constexpr qreal LineHeight = 13;
constexpr qreal HeadHeight = 78;
constexpr qreal FootHeight = 26;

// Where each column starts, as a fraction of the width; amounts are set flush
// right against the next column's start.
const QList<qreal> NormalStops{0.0, 0.16, 0.30, 0.44, 0.58, 0.72, 0.86, 1.0};
const QList<qreal> UserStops{0.0, 0.18, 0.34, 0.50, 0.66, 0.82, 1.0};
constexpr int FirstAmount = 4; // of the normal report's fields
} // namespace

KinReport::KinReport(KinBook &book, const KinFilter &filter)
    : m_book(book)
    , m_filter(filter)
{}

QString KinReport::heading() const
{
    return isUser() ? QStringLiteral("User Report") : QStringLiteral("Transaction Report");
}

QString KinReport::scope() const
{
    const QString range =
        QStringLiteral("From %1 to %2").arg(Format::shortDate(m_filter.from), Format::shortDate(m_filter.to));
    if (isUser())
        return range + QStringLiteral("    PIN: ") + m_filter.pin;
    const QString branch =
        m_filter.branchShown.isEmpty() ? QString() : QStringLiteral("    Branch: ") + m_filter.branchShown;
    return range + branch + QStringLiteral("    Computer: ")
           + (m_filter.computer.isEmpty() ? QStringLiteral("ALL") : m_filter.computer);
}

QStringList KinReport::titles() const
{
    if (isUser())
        return {QStringLiteral("COMPUTER"), QStringLiteral("DATE"), QStringLiteral("TIME"),
                QStringLiteral("START"),    QStringLiteral("END"),  QStringLiteral("PIN")};
    return {QStringLiteral("COMPUTER"), QStringLiteral("DATE"),  QStringLiteral("START"), QStringLiteral("END"),
            QStringLiteral("CHARGE"),   QStringLiteral("EXTRA"), QStringLiteral("TOTAL")};
}

QStringList KinReport::detail(const KinRow &r) const
{
    const QString start = r.starttime.isValid() ? clock(r.starttime.time()) : QString();
    const QString end = r.endtime ? clock(*r.endtime) : QString();
    const QString date = Format::shortDate(r.startdate);
    if (isUser())
        return {r.computer, date, r.totaltime, start, end, r.userpin};
    return {r.computer, date, start, end, amount(r.timecharged), amount(r.extra), amount(r.total)};
}

QString KinReport::amount(const std::optional<Money> &m)
{
    if (!m)
        return QString();
    static const QLocale greek(QLocale::Greek, QLocale::Greece);
    const qint64 cents = m->cents();
    const qint64 whole = (cents < 0 ? -cents : cents) / 100;
    const qint64 rest = (cents < 0 ? -cents : cents) % 100;
    QString text = greek.toString(whole);
    text.replace(greek.groupSeparator(), QStringLiteral("."));
    return QStringLiteral("%1%2,%3 €")
        .arg(cents < 0 ? QStringLiteral("-") : QString(), text)
        .arg(rest, 2, 10, QLatin1Char('0'));
}

QString KinReport::clock(const QTime &t)
{
    return t.isValid() ? QLocale::c().toString(t, QStringLiteral("h:mm:ss AP")) : QString();
}

KinReport::Sheet KinReport::sheetOf(const QPaintDevice &device) const
{
    Sheet sheet;
    sheet.scale = device.logicalDpiY() / 72.0;
    sheet.area = QRectF(0, 0, device.width() / sheet.scale, device.height() / sheet.scale);
    sheet.perPage = qMax(1, int((sheet.area.height() - HeadHeight - FootHeight) / LineHeight));
    // The sums of the normal report take two lines after the last row.
    const qint64 lines = m_sums.count + (isUser() ? 0 : 2);
    sheet.pages = int(qMax<qint64>(1, (lines + sheet.perPage - 1) / sheet.perPage));
    return sheet;
}

Result<int> KinReport::pageCount(const QPaintDevice &device)
{
    const Result<KinSums> sums = m_book.sums(m_filter);
    if (!sums)
        return failure(sums.error());
    m_sums = *sums;
    return sheetOf(device).pages;
}

Result<KinReport::Outcome> KinReport::render(QPagedPaintDevice &device, const Progress &progress)
{
    if (const Result<int> pages = pageCount(device); !pages)
        return failure(pages.error());
    QPainter p;
    if (!p.begin(&device))
        return failure(QStringLiteral("The report cannot be drawn on this printer."));
    const Sheet sheet = sheetOf(device);
    p.scale(sheet.scale, sheet.scale);
    m_scale = sheet.scale;
    const QRectF &area = sheet.area;
    const int perPage = sheet.perPage;
    const int pages = sheet.pages;

    Outcome out;
    KinCursor cursor;
    QList<KinRow> pending;
    for (int page = 1; page <= pages; ++page) {
        if (progress && !progress(out.rows, m_sums.count)) {
            out.cancelled = true;
            break;
        }
        QList<QStringList> rows;
        while (rows.size() < perPage && out.rows < m_sums.count) {
            if (pending.isEmpty()) {
                const Result<KinPage> next = m_book.page(m_filter, 512, cursor);
                if (!next) {
                    p.end();
                    return failure(next.error());
                }
                if (next->rows.isEmpty())
                    break; // rows deleted meanwhile: the report ends with what is left
                pending = next->rows;
                cursor = next->next;
            }
            rows << detail(pending.takeFirst());
            ++out.rows;
        }
        if (page > 1)
            device.newPage();
        drawPage(p, area, page, pages, rows, page == pages);
        out.pages = page;
    }
    if (progress && !out.cancelled)
        progress(out.rows, m_sums.count);
    p.end();
    return out;
}

void KinReport::drawPage(QPainter &p, const QRectF &area, int page, int pages, const QList<QStringList> &lines,
                         bool last) const
{
    const QList<qreal> &stops = isUser() ? UserStops : NormalStops;
    const int firstRight = isUser() ? 99 : FirstAmount;
    const qreal w = area.width();
    const auto drawLine = [&](qreal y, const QStringList &fields) {
        for (int i = 0; i < fields.size() && i + 1 < stops.size(); ++i) {
            const QRectF cell(stops[i] * w, y, (stops[i + 1] - stops[i]) * w - 4, LineHeight);
            p.drawText(cell, (i >= firstRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, fields[i]);
        }
    };

    p.setFont(reportFont(15, m_scale, true));
    p.drawText(QRectF(0, 0, w, 24), Qt::AlignLeft | Qt::AlignVCenter, heading());
    p.setFont(reportFont(9, m_scale));
    p.drawText(QRectF(0, 26, w, 16), Qt::AlignLeft | Qt::AlignVCenter, scope());
    p.setFont(reportFont(8.5, m_scale, true));
    drawLine(HeadHeight - LineHeight - 6, titles());
    p.drawLine(QPointF(0, HeadHeight - 4), QPointF(w, HeadHeight - 4));

    p.setFont(reportFont(8.5, m_scale));
    qreal y = HeadHeight;
    for (const QStringList &fields : lines) {
        drawLine(y, fields);
        y += LineHeight;
    }
    if (last && !isUser()) {
        p.drawLine(QPointF(stops[FirstAmount] * w, y + 2), QPointF(w, y + 2));
        p.setFont(reportFont(8.5, m_scale, true));
        drawLine(y + 6, {QStringLiteral("Total"), QString::number(m_sums.count), QString(), QString(),
                         amount(m_sums.timecharged), amount(m_sums.extra), amount(m_sums.total)});
    }
    p.setFont(reportFont(8, m_scale));
    p.drawText(QRectF(0, area.height() - FootHeight + 8, w, FootHeight - 8), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Page %1 of %2").arg(page).arg(pages));
}
