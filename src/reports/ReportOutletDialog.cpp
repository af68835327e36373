#include "reports/ReportOutletDialog.h"

#include "reports/KinReport.h"
#include "ui/PrivateFile.h"
#include "ui/Prompter.h"

#include <QDir>
#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <climits>

void DialogReportOutlet::preview(KinReport &report, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.heading());
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(report.heading());
    dialog.resize(900, 760);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) {
        PrivateFile::prepare(target->outputFileName()); // printed to a file
        QProgressDialog progress(QStringLiteral("Preparing the report…"), QStringLiteral("Cancel"), 0, 0, &dialog);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        const Result<KinReport::Outcome> r = report.render(*target, [&progress](qint64 done, qint64 total) {
            progress.setMaximum(int(qMin<qint64>(total, INT_MAX)));
            progress.setValue(int(qMin<qint64>(done, INT_MAX)));
            return !progress.wasCanceled();
        });
        progress.reset();
        if (!r)
            m_prompter.tell(r.error(), Prompter::Icon::Critical);
    });
    dialog.exec();
}

QString DialogReportOutlet::csvPath(const QString &suggestedName, QWidget *parent)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save the transactions"),
                                        QDir::home().filePath(suggestedName),
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
}
