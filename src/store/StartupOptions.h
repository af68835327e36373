#pragma once

#include <QString>
#include <QStringList>

// What the command line of a Korvane program says.
struct StartupOptions
{
    QString home;
    QString database;
    QString branch;
    QString locale;
    QString portOffset;
    bool help = false;
    bool version = false;
    QString error; // an unknown option or a missing value

    static StartupOptions parse(const QStringList &args);
    // The --help text, from the same source as the manual page.
    static QString usage(const QString &program);
};
