#pragma once

#include "base/Result.h"
#include "store/Paths.h"

#include <QStringList>

// A café's two book files copied into a PostgreSQL database, one
// transaction per book: every table's rows with their keys, the daily sums
// made again on the server, then the row counts and every money column's
// sum compared with the file's before the copy is committed. A book the
// server already holds a copy of is not copied again.
namespace BookMove {

struct Report
{
    QStringList copied;  // one line per table: its name and rows
    QStringList skipped; // books already copied by an earlier run
};

// From the files of `from` (its books must be files) to the server address
// `to`, as the chain's branch `branch` (empty: the main branch). A branch
// keeps no catalogue of its own, and the customers' book is copied only
// into a server that holds none yet.
Result<Report> toServer(const Paths &from, const QString &to, const QString &branch = {});

} // namespace BookMove
