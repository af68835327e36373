#pragma once

#include "reports/ReportOutlet.h"

class Prompter;
class QPrinter;

// The real outlet. A report of up to PreviewPages pages opens in Qt's print
// preview, from which it goes to the system's printer or to a PDF file; a
// longer one goes straight there (the preview would hold every page in
// memory at once), after the print dialog, or the choice of a PDF file when
// no printer is installed. Either way it is drawn under a progress dialog
// that can cancel it. CSV files are chosen in the save-file dialog.
class DialogReportOutlet : public ReportOutlet
{
public:
    static constexpr int PreviewPages = 300;

    explicit DialogReportOutlet(Prompter &prompter)
        : m_prompter(prompter)
    {}
    void print(PagedReport &report, QWidget *parent) override;
    QString csvPath(const QString &suggestedName, QWidget *parent) override;
    QString savePath(const QString &suggestedName, const QString &filter, QWidget *parent) override;

private:
    void render(PagedReport &report, QPrinter &printer, QWidget *parent);
    bool choosePrinter(PagedReport &report, QPrinter &printer, QWidget *parent);

    Prompter &m_prompter;
};
