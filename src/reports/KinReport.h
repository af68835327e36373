#pragma once

#include "reports/PagedReport.h"
#include "store/KinBook.h"

#include <QRectF>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

// The printed listing: "Transaction Report" (normal and prepaid charges, one
// computer or all) or "User Report" (one customer's account charges), laid
// out page by page with the range in the heading and the page numbers below.
// Rows are read from the book a page at a time, so a long report never holds
// the whole listing.
class KinReport : public PagedReport
{
public:
    KinReport(KinBook &book, const KinFilter &filter);

    QString heading() const override;
    // The range and the computer (or the PIN) the report covers.
    QString scope() const;
    QStringList titles() const;
    // The fields of one detail line, formatted for paper.
    QStringList detail(const KinRow &row) const;

    Result<int> pageCount(const QPaintDevice &device) override;
    Result<Outcome> render(QPagedPaintDevice &device, const Progress &progress = {}) override;

    // The paper's fixed forms: "1.234,50 €" and "3:05:09 PM".
    static QString amount(const std::optional<Money> &m);
    static QString clock(const QTime &t);

private:
    // The page in points, and how many rows and pages fill it.
    struct Sheet
    {
        qreal scale = 1;
        QRectF area;
        int perPage = 1;
        int pages = 1;
    };
    Sheet sheetOf(const QPaintDevice &device) const;
    bool isUser() const { return m_filter.kind == KinFilter::Kind::User; }
    void drawPage(QPainter &p, const QRectF &area, int page, int pages, const QList<QStringList> &lines,
                  bool last) const;

    KinBook &m_book;
    KinFilter m_filter;
    KinSums m_sums;
    qreal m_scale = 1;
};
