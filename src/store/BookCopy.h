#pragma once

#include "ui/Result.h"

#include <QDateTime>
#include <QString>

// Consistent copies of a live SQLite book, taken while the console keeps it
// open and writes to it: the copy is one snapshot, never a torn file.
namespace BookCopy {

// Copies the database at source to target through SQLite's online backup.
// The copy is written beside target and renamed into place only once it is
// complete and on disk, so target is either absent or whole. An existing
// target is replaced.
Result<void> copyLive(const QString &source, const QString &target);

// A copy of source in folder under a dated name that no earlier copy has,
// e.g. "icafe-2026-03-02-101500.dat" for icafe.dat at 10:15:00; gives the
// path written.
Result<QString> datedCopy(const QString &source, const QString &folder, const QDateTime &when);

} // namespace BookCopy
