#pragma once

#include "base/Result.h"

#include <QList>
#include <QStringList>

class SqlStore;

// One step of a book's layout: the statements that bring a book of
// version - 1 to version. They run in one transaction together with the new
// version's stamp, so a failed step leaves the book at the last good version.
struct Migration
{
    int version;
    QStringList statements;
};

// The ordered steps of both books. New books are made at the last version
// from the statements in Schema.cpp, so every step is there as well.
struct Migrations
{
    QList<Migration> cafe;      // icafe.dat, oldest first
    QList<Migration> customers; // users.dat

    // What this build of Korvane knows.
    static Migrations current();
    // The version a book gets from these steps: 1 without any.
    static int latest(const QList<Migration> &steps);
    // Brings the open book from its version up to latest(steps), step by step.
    static Result<void> apply(SqlStore &book, const QList<Migration> &steps);
};
