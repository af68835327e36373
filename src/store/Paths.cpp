#include "store/Paths.h"

#include "store/ServerAddress.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

Paths::Paths(const QString &home)
    : m_home(QDir::cleanPath(QDir(home).absolutePath()))
{}

namespace {
Paths folder(const QString &homeOption)
{
    if (!homeOption.isEmpty())
        return Paths(homeOption);
    const QString env = qEnvironmentVariable("KORVANE_HOME");
    if (!env.isEmpty())
        return Paths(env);
    // GenericDataLocation is ~/.local/share; the application name is ours.
    return Paths(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/korvane"));
}
} // namespace

Paths Paths::resolve(const QString &homeOption, const QString &databaseOption)
{
    Paths p = folder(homeOption);
    QString url = databaseOption.isEmpty() ? qEnvironmentVariable("KORVANE_DATABASE") : databaseOption;
    if (url.isEmpty()) {
        QFile choice(p.databaseChoice());
        if (choice.open(QIODevice::ReadOnly))
            url = QString::fromUtf8(choice.readLine(4096)).trimmed();
    }
    p.setDatabase(url);
    return p;
}

QString Paths::cafeDatabase() const
{
    return m_database.isEmpty() ? systemFile(QStringLiteral("icafe.dat"))
                                : ServerAddress::forBook(m_database, QStringLiteral("cafe"));
}

QString Paths::customerDatabase() const
{
    return m_database.isEmpty() ? systemFile(QStringLiteral("users.dat"))
                                : ServerAddress::forBook(m_database, QStringLiteral("customers"));
}

QString Paths::system() const { return m_home + QStringLiteral("/system"); }
QString Paths::backup() const { return m_home + QStringLiteral("/backup"); }
QString Paths::help() const { return m_home + QStringLiteral("/help"); }
QString Paths::systemFile(const QString &name) const { return system() + QLatin1Char('/') + name; }
QString Paths::helpPage() const { return help() + QStringLiteral("/server.htm"); }
