#pragma once

#include "base/Result.h"

#include <QStringList>

// The look at an existing book before anything opens it for use. Nothing is
// ever written to the book or to its write-ahead log here: a book that is
// refused stays exactly as it was found, for a backup or a closer look.
namespace BookCheck {

// Books up to this size get SQLite's quick check of every page at each start;
// a bigger book's clean start checks every table except the transaction
// history (what the check costs is in docs/performance.md).
constexpr qint64 kFullCheckBytes = 64 * 1024 * 1024;

// Refuses, naming the file and the cause: a file that is not SQLite, one cut
// short, one with damaged pages, a write-ahead log that does not belong to it
// (or is damaged), a book from a newer Korvane (above newest) and one without
// every table in tables. A log left by a crash is tried first on a private
// copy and is replayed only when the result is sound. Gives the book's version.
Result<int> inspect(const QString &path, const QStringList &tables, int newest);

} // namespace BookCheck
