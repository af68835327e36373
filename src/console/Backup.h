#pragma once

#include "store/Paths.h"
#include "base/Result.h"

#include <QStringList>

// The Tools menu's housekeeping on the data files.
namespace Backup {

// The four data files, in the order they are copied.
QStringList files();

// `backitup`: copies the data files into the backup folder under their own
// names, replacing older copies; stops at the first file that fails, whose
// cause is the error. The folder is made when it is missing. Books on a
// server are dumped by pg_dump into books.dump there instead.
Result<void> backitup(const Paths &paths);

// Empties print.dat; the file is never left missing.
Result<void> deleteprint(const Paths &paths);

} // namespace Backup
