#pragma once

#include "store/Maintenance.h"

#include <QWidget>

class FileChooser;
class Prompter;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The maintenance tool's window: check, repair, compact and restore the
// books of one application folder.
class MaintenanceWindow : public QWidget
{
    Q_OBJECT
public:
    MaintenanceWindow(const Paths &paths, Prompter &prompter, FileChooser &files, QWidget *parent = nullptr);

    QPlainTextEdit *report() const { return m_report; }
    QPushButton *checkButton() const { return m_check; }
    QPushButton *compactButton() const { return m_compact; }
    QPushButton *restoreButton() const { return m_restore; }

    // Check the books; when a rule can mend what it found, ask and repair.
    void check();
    void compact();
    void restore();

private:
    void say(const QString &line);

    Paths m_paths;
    Maintenance m_maintenance;
    Prompter &m_prompter;
    FileChooser &m_files;
    QPlainTextEdit *m_report = nullptr;
    QPushButton *m_check = nullptr;
    QPushButton *m_compact = nullptr;
    QPushButton *m_restore = nullptr;
};
