#pragma once

#include "base/Result.h"

#include <QString>

class QDateTime;

// Copies of the data files that never leave a half-written file under the
// final name: each copy is written beside its target and renamed into place,
// so a failure keeps whatever good copy was there before. Nothing is written
// through a link: one left under the name of a copy in progress is removed.
namespace DatabaseCopy {

// A consistent snapshot of a database that another connection may be writing
// (SQLite's online backup: pages still in the write-ahead log are included,
// and a page being written is never caught half-way).
Result<void> copyLive(const QString &source, const QString &target);

// A live copy of source in folder under a dated name that no earlier copy
// has, e.g. "icafe-2026-03-02-101500.dat" for icafe.dat at 10:15:00; gives
// the path written. Books on a server give "books-2026-03-02-101500.dump",
// a dump of the database (dumpServer).
Result<QString> datedCopy(const QString &source, const QString &folder, const QDateTime &when);

// The most a plain data file may hold: settings.dat is ten short lines,
// print.dat grows by a line per card handed out.
qint64 plainLimit(const QString &fileName);

// The whole of a plain file: a regular file, not a link (a pipe or a device
// could hang or fill memory), of at most limit bytes.
Result<QByteArray> readPlain(const QString &path, qint64 limit);

// A plain file (settings, print log), read as readPlain does.
Result<void> copyFile(const QString &source, const QString &target, qint64 limit);

// Writes data as the whole new content of target, the same way.
Result<void> replaceFile(const QString &target, const QByteArray &data);

// The books on a PostgreSQL server (both schemas) dumped by pg_dump, in its
// own archive format (pg_restore reads it), into target the same way; says
// what to do when pg_dump is not installed.
Result<void> dumpServer(const QString &url, const QString &target);

// Puts a file written beside its target in the target's place, in one step.
Result<void> moveInto(const QString &from, const QString &target);

} // namespace DatabaseCopy
