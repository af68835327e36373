#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

// The application folder and everything the console keeps under it.
class Paths
{
public:
    explicit Paths(const QString &home);

    // --home wins, then KORVANE_HOME, then the per-user data folder. The
    // books: --database wins, then KORVANE_DATABASE, then the folder's
    // database.url; without any, the two files in the folder.
    static Paths resolve(const QString &homeOption, const QString &databaseOption = {},
                         const QString &branchOption = {});
    // The same, refusing an address that is not understood and a branch
    // without a server or with a name the books cannot keep.
    static Result<Paths> choose(const QString &homeOption, const QString &databaseOption,
                                const QString &branchOption);

    // The books on a PostgreSQL server (see ServerAddress) instead of the files.
    void setDatabase(const QString &url) { m_database = url; }
    QString database() const { return m_database; }
    bool booksOnServer() const { return !m_database.isEmpty(); }
    QString databaseChoice() const { return systemFile(QStringLiteral("database.url")); }

    // A chain's branch on the server: its own computers, charges, tariff and
    // settings, sharing the customers and the catalogue with every branch.
    // Empty is the main branch, which keeps the shared catalogue. --branch
    // wins, then KORVANE_BRANCH, then the folder's branch.name.
    void setBranch(const QString &name) { m_branch = name; }
    QString branch() const { return m_branch; }
    QString branchChoice() const { return systemFile(QStringLiteral("branch.name")); }
    // A branch's name as the books keep it (letters a-z, digits, _), "main"
    // and empty for the main branch; fails on any other name.
    static Result<QString> branchName(const QString &given);
    // The branch's name as the operator reads it.
    static QString branchShown(const QString &name);
    // Keeps the branch in the folder's settings for the next start.
    Result<void> rememberBranch() const;
    // The schema of a branch's book on the server.
    static QString branchBook(const QString &branch);
    // What names these books to korvane-tools, wherever the console was told them.
    QStringList toolArguments() const;
    // The book of the main branch, which holds the shared catalogue.
    QString mainCafeDatabase() const;

    QString home() const { return m_home; }
    QString system() const;
    QString backup() const;
    QString help() const;

    QString systemFile(const QString &name) const;
    // Where each book is: a file's path, or a server address naming its schema.
    QString cafeDatabase() const;
    QString customerDatabase() const;
    QString settingsFile() const { return systemFile(QStringLiteral("settings.dat")); }
    QString printLog() const { return systemFile(QStringLiteral("print.dat")); }
    QString helpPage() const;

private:
    QString m_home;
    QString m_database;
    QString m_branch;
};
