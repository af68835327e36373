#include "console/MaintenanceWindow.h"

#include "store/ConsoleLock.h"
#include "base/FileChooser.h"
#include "base/Prompter.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

MaintenanceWindow::MaintenanceWindow(const Paths &paths, Prompter &prompter, FileChooser &files, QWidget *parent)
    : QWidget(parent)
    , m_paths(paths)
    , m_maintenance(paths)
    , m_prompter(prompter)
    , m_files(files)
{
    setObjectName(QStringLiteral("tools"));
    setWindowTitle(QStringLiteral("Korvane Database Maintenance"));

    auto *folder = new QLabel(QStringLiteral("Application folder: <b>%1</b>").arg(paths.home().toHtmlEscaped()), this);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_check = new QPushButton(QStringLiteral("&Check the Books"), this);
    m_check->setToolTip(QStringLiteral("SQLite's integrity check of icafe.dat and users.dat, then the console's own"
                                       " rules: running flags and open transactions agree, no account in use"
                                       " without a running charge"));
    m_compact = new QPushButton(QStringLiteral("Co&mpact"), this);
    m_compact->setToolTip(QStringLiteral("Rewrite both books without their unused space"));
    m_restore = new QPushButton(QStringLiteral("R&estore a Backup..."), this);
    m_restore->setToolTip(QStringLiteral("Replace the books by the copies in a backup folder"));
    auto *reportLabel = new QLabel(QStringLiteral("Re&port:"), this);
    m_report = new QPlainTextEdit(this);
    m_report->setReadOnly(true);
    reportLabel->setBuddy(m_report);
    auto *close = new QPushButton(QStringLiteral("C&lose"), this);

    connect(m_check, &QPushButton::clicked, this, &MaintenanceWindow::check);
    connect(m_compact, &QPushButton::clicked, this, &MaintenanceWindow::compact);
    connect(m_restore, &QPushButton::clicked, this, &MaintenanceWindow::restore);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto *grid = new QGridLayout(this);
    grid->addWidget(folder, 0, 0, 1, 4);
    grid->addWidget(m_check, 1, 0);
    grid->addWidget(m_compact, 1, 1);
    grid->addWidget(m_restore, 1, 2);
    grid->addWidget(reportLabel, 2, 0, 1, 4);
    grid->addWidget(m_report, 3, 0, 1, 4);
    grid->addWidget(close, 4, 3);
    resize(640, 400);
}

void MaintenanceWindow::say(const QString &line) { m_report->appendPlainText(line); }

void MaintenanceWindow::check()
{
    const Result<QList<Maintenance::Finding>> found = m_maintenance.check();
    if (!found) {
        say(found.error());
        m_prompter.tell(found.error(), Prompter::Icon::Critical);
        return;
    }
    if (found->isEmpty()) {
        say(QStringLiteral("Both books are sound."));
        return;
    }
    int repairable = 0;
    for (const Maintenance::Finding &f : *found) {
        say(f.text + (f.repairable ? QString() : QStringLiteral(" (cannot be mended here)")));
        repairable += f.repairable ? 1 : 0;
    }
    if (!repairable)
        return;
    if (!m_prompter.ask(QStringLiteral("Mend the %1 findings that can be mended ?").arg(repairable)))
        return;
    const Result<int> mended = m_maintenance.repair();
    if (!mended) {
        say(mended.error());
        m_prompter.tell(mended.error(), Prompter::Icon::Critical);
        return;
    }
    say(QStringLiteral("%1 mended.").arg(*mended));
}

void MaintenanceWindow::compact()
{
    const Result<void> r = m_maintenance.compact();
    say(r ? QStringLiteral("Both books compacted.") : r.error());
    if (!r)
        m_prompter.tell(r.error(), Prompter::Icon::Critical);
}

void MaintenanceWindow::restore()
{
    if (ConsoleLock::isHeld(m_paths)) {
        say(Maintenance::consoleRunningMessage());
        m_prompter.tell(Maintenance::consoleRunningMessage(), Prompter::Icon::Warning);
        return;
    }
    const QString dir = m_files.folder(this, QStringLiteral("Backup Folder"), m_paths.backup());
    if (dir.isEmpty())
        return;
    if (!m_prompter.ask(QStringLiteral("Replace the books by the backup in %1 ?\rEverything recorded since that"
                                       " backup will be lost.")
                            .arg(dir),
                        Prompter::Icon::Warning))
        return;
    const Result<void> r = m_maintenance.restore(dir);
    say(r ? QStringLiteral("Restored from %1.").arg(dir) : r.error());
    if (r)
        m_prompter.tell(QStringLiteral("Restore Complete"), Prompter::Icon::Information);
    else
        m_prompter.tell(r.error(), Prompter::Icon::Critical);
}
