#pragma once

#include "ui/Result.h"

#include <QString>

class QDateTime;

// Copies of the data files that never leave a half-written file under the
// final name: each copy is written beside its target and renamed into place,
// so a failure keeps whatever good copy was there before.
namespace DatabaseCopy {

// A consistent snapshot of a database that another connection may be writing
// (SQLite's online backup: pages still in the write-ahead log are included,
// and a page being written is never caught half-way).
Result<void> copyLive(const QString &source, const QString &target);

// A live copy of source in folder under a dated name that no earlier copy
// has, e.g. "icafe-2026-03-02-101500.dat" for icafe.dat at 10:15:00; gives
// the path written.
Result<QString> datedCopy(const QString &source, const QString &folder, const QDateTime &when);

// A plain file (settings, print log).
Result<void> copyFile(const QString &source, const QString &target);

// Writes data as the whole new content of target, the same way.
Result<void> replaceFile(const QString &target, const QByteArray &data);

} // namespace DatabaseCopy
