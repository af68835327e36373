#pragma once

#include <QString>

class KinReport;
class QWidget;

// Where reports and exports leave the program: the print preview (printer or
// PDF) and the file chooser. Tests put a PDF file and a path in their place.
class ReportOutlet
{
public:
    virtual ~ReportOutlet() = default;
    virtual void preview(KinReport &report, QWidget *parent) = 0;
    // The file a CSV export goes to; empty when the operator cancels.
    virtual QString csvPath(const QString &suggestedName, QWidget *parent) = 0;
};
