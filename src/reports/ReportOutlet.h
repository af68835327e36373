#pragma once

#include <QString>

class PagedReport;
class QWidget;

// Where reports and exports leave the program: the printer or a PDF file
// (through the print preview while the report is short), and the file
// chooser. Tests put a PDF file and a path in their place.
class ReportOutlet
{
public:
    virtual ~ReportOutlet() = default;
    virtual void print(PagedReport &report, QWidget *parent) = 0;
    // The file a CSV export goes to; empty when the operator cancels.
    virtual QString csvPath(const QString &suggestedName, QWidget *parent) = 0;
    // The file anything else is saved to (filter as Qt writes it); empty when cancelled.
    virtual QString savePath(const QString &suggestedName, const QString &filter, QWidget *parent) = 0;
};
