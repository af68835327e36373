#pragma once

#include <QString>

// The application folder and everything the console keeps under it.
class Paths
{
public:
    explicit Paths(const QString &home);

    // --home wins, then KORVANE_HOME, then the per-user data folder.
    static Paths resolve(const QString &homeOption);

    QString home() const { return m_home; }
    QString system() const;
    QString backup() const;
    QString help() const;

    QString systemFile(const QString &name) const;
    QString cafeDatabase() const { return systemFile(QStringLiteral("icafe.dat")); }
    QString customerDatabase() const { return systemFile(QStringLiteral("users.dat")); }
    QString settingsFile() const { return systemFile(QStringLiteral("settings.dat")); }
    QString printLog() const { return systemFile(QStringLiteral("print.dat")); }
    QString helpPage() const;

private:
    QString m_home;
};
