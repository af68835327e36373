#include "reports/ReportOutletDialog.h"

#include "reports/PagedReport.h"
#include "reports/WorkProgressDialog.h"
#include "base/PrivateFile.h"
#include "base/Prompter.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#ifdef __GLIBC__
#include <malloc.h>
#endif

void DialogReportOutlet::print(PagedReport &report, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.heading());
    printer.setPageSize(QPageSize(QPageSize::A4));
    const Result<int> pages = report.pageCount(printer);
    if (!pages) {
        m_prompter.tell(pages.error(), Prompter::Icon::Critical);
        return;
    }
    if (*pages > PreviewPages) {
        if (choosePrinter(report, printer, parent))
            render(report, printer, parent);
        return;
    }
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(report.heading());
    dialog.resize(900, 760);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter *target) { render(report, *target, &dialog); });
    dialog.exec();
#ifdef __GLIBC__
    // The preview's pages were freed; the memory goes back to the system.
    malloc_trim(0);
#endif
}

void DialogReportOutlet::render(PagedReport &report, QPrinter &printer, QWidget *parent)
{
    PrivateFile::prepare(printer.outputFileName()); // printed to a file
    WorkProgressDialog progress(QStringLiteral("Preparing the report…"), parent);
    const Result<PagedReport::Outcome> r =
        report.render(printer, [&progress](qint64 done, qint64 total) { return progress.follow(done, total); });
    progress.reset();
    if (!r)
        m_prompter.tell(r.error(), Prompter::Icon::Critical);
}

bool DialogReportOutlet::choosePrinter(PagedReport &report, QPrinter &printer, QWidget *parent)
{
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(report.heading());
        return dialog.exec() == QDialog::Accepted;
    }
    const QString path = QFileDialog::getSaveFileName(parent, report.heading(),
                                                      QDir::home().filePath(QStringLiteral("report.pdf")),
                                                      QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    return true;
}

QString DialogReportOutlet::csvPath(const QString &suggestedName, QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save the transactions"),
                                        QDir::home().filePath(suggestedName),
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
}

QString DialogReportOutlet::savePath(const QString &suggestedName, const QString &filter, QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save"), QDir::home().filePath(suggestedName), filter);
}
