#pragma once

#include "reports/PagedReport.h"
#include "reports/ShiftSheet.h"

class QPainter;
class QRectF;

// "Shift Report" on paper: the sheet's sections line by line, the heading
// on every page and the page numbers below.
class ShiftReport : public PagedReport
{
public:
    explicit ShiftReport(ShiftSheet sheet)
        : m_sheet(std::move(sheet))
    {}

    QString heading() const override { return m_sheet.heading; }
    Result<int> pageCount(const QPaintDevice &device) override;
    Result<Outcome> render(QPagedPaintDevice &device, const Progress &progress = {}) override;

private:
    int perPage(const QPaintDevice &device) const;
    void drawPage(QPainter &p, const QRectF &area, qreal scale, int page, int pages, int from, int to) const;

    ShiftSheet m_sheet;
};
