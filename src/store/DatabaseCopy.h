#pragma once

#include "ui/Result.h"

#include <QString>

// Copies of the data files that never leave a half-written file under the
// final name: each copy is written beside its target and renamed into place,
// so a failure keeps whatever good copy was there before.
namespace DatabaseCopy {

// A consistent snapshot of a database that another connection may be writing
// (SQLite's online backup: pages still in the write-ahead log are included,
// and a page being written is never caught half-way).
Result<void> copyLive(const QString &source, const QString &target);

// A plain file (settings, print log).
Result<void> copyFile(const QString &source, const QString &target);

// Writes data as the whole new content of target, the same way.
Result<void> replaceFile(const QString &target, const QByteArray &data);

} // namespace DatabaseCopy
