#pragma once

#include "store/Paths.h"
#include "base/Result.h"

#include <QList>
#include <QString>

// The maintenance tool's work on the two books of an application folder:
// checking them (SQLite's own integrity check and the program's consistency
// rules), repairing what the rules can repair, compacting, and restoring a
// backup. Everything that writes refuses while a console holds the folder.
class Maintenance
{
public:
    struct Finding
    {
        QString text;
        bool repairable = false;
    };

    explicit Maintenance(const Paths &paths)
        : m_paths(paths)
    {}

    // Every problem found; an empty list is healthy books.
    Result<QList<Finding>> check();
    // Mends what check() marks repairable; the number of mends made.
    Result<int> repair();
    // VACUUM of both books.
    Result<void> compact();
    // Replaces the books (and the settings and print log when the folder has
    // them) by the copies in dir, after checking that the copies are sound.
    Result<void> restore(const QString &dir);

    static QString consoleRunningMessage();

private:
    Result<QList<Finding>> examine(bool mend, int *mended);
    Result<void> refuseWhileRunning();

    Paths m_paths;
};
