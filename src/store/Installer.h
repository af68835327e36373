#pragma once

#include "store/Migrations.h"
#include "store/Paths.h"

#include <QStringList>
#include <optional>

// Creates whatever of the application folder is missing, before any window
// opens; never overwrites what exists, and changes an existing book only by
// the migrations that bring it up to this version.
class Installer
{
public:
    struct Result
    {
        QStringList created;          // paths made by this run
        std::optional<QString> error; // the first problem, naming the file and cause
    };

    // Existing books are checked and brought up to the last version of the steps.
    static Result install(const Paths &paths, const Migrations &steps = Migrations::current());
    // An existing database file must be a sound SQLite book (see BookCheck) no
    // newer than newest, with every table the console uses. Writes nothing.
    static std::optional<QString> checkDatabase(const QString &path, const QStringList &tables, int newest);
};
