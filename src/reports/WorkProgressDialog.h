#pragma once

#include <QProgressDialog>

// The progress of long work on the transactions: modal to its window (the
// rest of the console goes on), shown after 400 ms, with Cancel.
class WorkProgressDialog : public QProgressDialog
{
public:
    WorkProgressDialog(const QString &label, QWidget *parent);
    // Shows done of total; false once the operator has cancelled.
    bool follow(qint64 done, qint64 total);
};
