#pragma once

#include <QString>

// The application folder and everything the console keeps under it.
class Paths
{
public:
    explicit Paths(const QString &home);

    // --home wins, then KORVANE_HOME, then the per-user data folder. The
    // books: --database wins, then KORVANE_DATABASE, then the folder's
    // database.url; without any, the two files in the folder.
    static Paths resolve(const QString &homeOption, const QString &databaseOption = {});

    // The books on a PostgreSQL server (see ServerAddress) instead of the files.
    void setDatabase(const QString &url) { m_database = url; }
    QString database() const { return m_database; }
    bool booksOnServer() const { return !m_database.isEmpty(); }
    QString databaseChoice() const { return systemFile(QStringLiteral("database.url")); }

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
};
