#include "store/Paths.h"

#include <QDir>
#include <QStandardPaths>

Paths::Paths(const QString &home)
    : m_home(QDir::cleanPath(QDir(home).absolutePath()))
{}

Paths Paths::resolve(const QString &homeOption)
{
    if (!homeOption.isEmpty())
        return Paths(homeOption);
    const QString env = qEnvironmentVariable("KORVANE_HOME");
    if (!env.isEmpty())
        return Paths(env);
    // GenericDataLocation is ~/.local/share; the application name is ours.
    return Paths(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/korvane"));
}

QString Paths::system() const { return m_home + QStringLiteral("/system"); }
QString Paths::backup() const { return m_home + QStringLiteral("/backup"); }
QString Paths::help() const { return m_home + QStringLiteral("/help"); }
QString Paths::systemFile(const QString &name) const { return system() + QLatin1Char('/') + name; }
QString Paths::helpPage() const { return help() + QStringLiteral("/server.htm"); }
