#pragma once

#include "store/Paths.h"

#include <QStringList>
#include <optional>

// Creates whatever of the application folder is missing, before any window
// opens; never overwrites or alters what exists.
class Installer
{
public:
    struct Result
    {
        QStringList created;          // paths made by this run
        std::optional<QString> error; // the first problem, naming the file and cause
    };

    static Result install(const Paths &paths);
    // An existing database file must be SQLite with every table the console uses.
    static std::optional<QString> checkDatabase(const QString &path, const QStringList &tables);
};
