#pragma once

#include "base/Result.h"

#include <QString>
#include <functional>

class QFont;
class QPagedPaintDevice;
class QPaintDevice;

// A report drawn page by page on a printer or a PDF file, through the
// report outlet: the transaction listings and the shift report.
class PagedReport
{
public:
    // Told how many rows are done of how many; false cancels the report.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    struct Outcome
    {
        int pages = 0;
        qint64 rows = 0;
        bool cancelled = false;
    };

    virtual ~PagedReport() = default;
    virtual QString heading() const = 0;
    // How many pages the report takes on device.
    virtual Result<int> pageCount(const QPaintDevice &device) = 0;
    virtual Result<Outcome> render(QPagedPaintDevice &device, const Progress &progress = {}) = 0;
    // On A4 with 15 mm margins; a report that fails leaves no file.
    Result<Outcome> renderPdf(const QString &path, const Progress &progress = {});

protected:
    // The reports' font at `points` on a painter scaled to points: a font's
    // point size is already taken at the device's resolution, so it is
    // divided by the painter's scale.
    static QFont reportFont(qreal points, qreal scale, bool bold = false);
};
