#pragma once

#include "reports/ReportOutlet.h"

class Prompter;

// The real outlet: Qt's print preview, from which the report goes to the
// system's printer or to a PDF file (PDF when no printer is installed), drawn
// under a progress dialog that can cancel it; and the save-file dialog.
class DialogReportOutlet : public ReportOutlet
{
public:
    explicit DialogReportOutlet(Prompter &prompter)
        : m_prompter(prompter)
    {}
    void preview(KinReport &report, QWidget *parent) override;
    QString csvPath(const QString &suggestedName, QWidget *parent) override;

private:
    Prompter &m_prompter;
};
