#pragma once

#include "base/Result.h"

#include <QString>

// Where books on a database server live: a PostgreSQL address
//   postgresql://user@host:port/dbname[?host=/socket/folder&sslmode=...&schema=...]
// The password never travels in the address: libpq reads it from the user's
// ~/.pgpass or service file. A location that is not such an address is a
// book file's path.
struct ServerAddress
{
    QString user;
    QString host; // a name, an address or the folder of a Unix socket
    int port = -1;
    QString database;
    QString schema;  // the book inside the database
    QString shared;  // a book whose tables it reads where it has none (a branch's catalogue)
    QString options; // libpq's own, e.g. "sslmode=require"

    static bool isServer(const QString &location);
    static Result<ServerAddress> parse(const QString &location);
    // The same address naming one book (a schema) of the database.
    static QString forBook(const QString &url, const QString &schema, const QString &shared = {});
    // The address as the operator gave it, without the book.
    QString shown() const;
};
