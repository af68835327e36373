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
    struct Report
    {
        QStringList created;          // paths made by this run
        std::optional<QString> error; // the first problem, naming the file and cause
        bool bookRefused = false;     // the error is about an existing book, left as it was
    };

    // What makes one of the two books, and where it lives.
    struct Book
    {
        QString path;
        QStringList statements; // a new book's schema and default rows
        QStringList tables;     // the tables the console uses
        QList<Migration> steps;
    };
    static QList<Book> books(const Paths &paths, const Migrations &steps = Migrations::current());

    // Existing books are checked and brought up to the last version of the steps.
    static Report install(const Paths &paths, const Migrations &steps = Migrations::current());
    // An existing database file must be a sound SQLite book (see BookCheck) no
    // newer than newest, with every table the console uses. Writes nothing.
    static std::optional<QString> checkDatabase(const QString &path, const QStringList &tables, int newest);
    // The existing file at path as a book of that kind: checked as above,
    // brought up to the last of its steps, then holding every column the
    // console reads. The first problem, naming the file.
    static std::optional<QString> admit(const QString &path, const Book &kind);
};
