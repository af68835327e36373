#include "reports/ShiftReport.h"

#include "reports/KinReport.h"

#include <QPagedPaintDevice>
#include <QPainter>

namespace {
// Points, on the page's printable area.
constexpr qreal LineHeight = 14;
constexpr qreal HeadHeight = 56;
constexpr qreal FootHeight = 26;
} // namespace

int ShiftReport::perPage(const QPaintDevice &device) const
{
    const qreal scale = device.logicalDpiY() / 72.0;
    return qMax(1, int((device.height() / scale - HeadHeight - FootHeight) / LineHeight));
}

Result<int> ShiftReport::pageCount(const QPaintDevice &device)
{
    const int n = perPage(device);
    return int(qMax<qsizetype>(1, (m_sheet.lines.size() + n - 1) / n));
}

Result<PagedReport::Outcome> ShiftReport::render(QPagedPaintDevice &device, const Progress &progress)
{
    QPainter p;
    if (!p.begin(&device))
        return failure(QStringLiteral("The report cannot be drawn on this printer."));
    const qreal scale = device.logicalDpiY() / 72.0;
    p.scale(scale, scale);
    const QRectF area(0, 0, device.width() / scale, device.height() / scale);
    const int n = perPage(device);
    const int pages = *pageCount(device);
    Outcome out;
    for (int page = 1; page <= pages; ++page) {
        if (progress && !progress(out.rows, m_sheet.lines.size())) {
            out.cancelled = true;
            break;
        }
        if (page > 1)
            device.newPage();
        const int from = (page - 1) * n;
        const int to = int(qMin<qsizetype>(m_sheet.lines.size(), from + n));
        drawPage(p, area, scale, page, pages, from, to);
        out.rows = to;
        out.pages = page;
    }
    p.end();
    return out;
}

void ShiftReport::drawPage(QPainter &p, const QRectF &area, qreal scale, int page, int pages, int from, int to) const
{
    const qreal w = area.width();
    p.setFont(reportFont(15, scale, true));
    p.drawText(QRectF(0, 0, w, 24), Qt::AlignLeft | Qt::AlignVCenter, m_sheet.heading);
    p.setFont(reportFont(9, scale));
    p.drawText(QRectF(0, 26, w, 16), Qt::AlignLeft | Qt::AlignVCenter, m_sheet.scope);
    qreal y = HeadHeight;
    using Kind = ShiftSheet::Line::Kind;
    const QFont section = reportFont(10, scale, true), titles = reportFont(8.5, scale, true),
                plain = reportFont(8.5, scale);
    for (int i = from; i < to; ++i) {
        const ShiftSheet::Line &line = m_sheet.lines[i];
        p.setFont(line.kind == Kind::Section ? section : line.kind == Kind::Titles ? titles : plain);
        // Totals in two columns, label and figure; details across the width.
        const int columns = line.kind == Kind::Total ? 3 : qMax(1, int(line.fields.size()));
        for (int c = 0; c < line.fields.size(); ++c) {
            const QRectF cell(c * w / columns, y, w / columns - 4, LineHeight);
            p.drawText(cell, (line.right.contains(c) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                       line.at(c, [](Money m) { return KinReport::amount(m); }));
        }
        if (line.kind == Kind::Titles)
            p.drawLine(QPointF(0, y + LineHeight), QPointF(w, y + LineHeight));
        y += LineHeight;
    }
    p.setFont(reportFont(8, scale));
    p.drawText(QRectF(0, area.height() - FootHeight + 8, w, 16), Qt::AlignCenter,
               QStringLiteral("Page %1 of %2").arg(page).arg(pages));
}
