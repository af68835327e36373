#include "reports/WorkProgressDialog.h"

WorkProgressDialog::WorkProgressDialog(const QString &label, QWidget *parent)
    : QProgressDialog(label, QStringLiteral("Cancel"), 0, 0, parent)
{
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(400);
}

bool WorkProgressDialog::follow(qint64 done, qint64 total)
{
    // Per mille: the counts may pass what an int holds.
    setMaximum(1000);
    setValue(total > 0 ? int(qMin(done, total) * 1000 / total) : 0);
    return !wasCanceled();
}
