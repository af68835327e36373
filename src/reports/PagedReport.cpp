#include "reports/PagedReport.h"

#include "base/PrivateFile.h"

#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPdfWriter>

Result<PagedReport::Outcome> PagedReport::renderPdf(const QString &path, const Progress &progress)
{
    PrivateFile::prepare(path);
    QPdfWriter pdf(path);
    pdf.setTitle(heading());
    pdf.setCreator(QStringLiteral("Korvane"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                  QPageLayout::Millimeter));
    Result<Outcome> r = render(pdf, progress);
    if (!r)
        QFile::remove(path);
    return r;
}

QFont PagedReport::reportFont(qreal points, qreal scale, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(points / scale);
    f.setBold(bold);
    return f;
}
