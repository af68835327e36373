#include "store/Paths.h"

#include "store/ServerAddress.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
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

Paths Paths::resolve(const QString &homeOption, const QString &databaseOption, const QString &branchOption)
{
    Paths p = folder(homeOption);
    // The option, else the environment, else the first line of the folder's file.
    const auto chosen = [](const QString &option, const char *variable, const QString &file) {
        QString value = option.isEmpty() ? qEnvironmentVariable(variable) : option;
        if (QFile choice(file); value.isEmpty() && choice.open(QIODevice::ReadOnly))
            value = QString::fromUtf8(choice.readLine(4096)).trimmed();
        return value;
    };
    p.setDatabase(chosen(databaseOption, "KORVANE_DATABASE", p.databaseChoice()));
    p.setBranch(chosen(branchOption, "KORVANE_BRANCH", p.branchChoice()));
    return p;
}

Result<Paths> Paths::choose(const QString &homeOption, const QString &databaseOption, const QString &branchOption)
{
    Paths p = resolve(homeOption, databaseOption, branchOption);
    if (p.booksOnServer())
        if (const auto address = ServerAddress::parse(p.database()); !address)
            return failure(address.error());
    const Result<QString> branch = branchName(p.branch());
    if (!branch)
        return failure(branch.error());
    if (!branch->isEmpty() && !p.booksOnServer())
        return failure(QStringLiteral("The branch \"%1\" needs books on a PostgreSQL server (--database):"
                                      " a café's own files have no branches.")
                           .arg(*branch));
    p.setBranch(*branch);
    return p;
}

Result<QString> Paths::branchName(const QString &given)
{
    static const QRegularExpression allowed(QStringLiteral("^[a-z0-9_]{1,30}$"));
    const QString name = given.trimmed().toLower();
    if (name.isEmpty() || name == QLatin1String("main"))
        return QString();
    // The name becomes part of a schema's name: nothing else may reach SQL.
    if (!allowed.match(name).hasMatch())
        return failure(QStringLiteral("The branch name \"%1\" may hold only the letters a to z, digits and _, at"
                                      " most 30 of them.")
                           .arg(given));
    return name;
}

QString Paths::branchShown(const QString &name) { return name.isEmpty() ? QStringLiteral("main") : name; }

Result<void> Paths::rememberBranch() const
{
    QSaveFile f(branchChoice());
    if (!f.open(QIODevice::WriteOnly) || f.write(m_branch.toUtf8() + '\n') < 0 || !f.commit())
        return failure(QStringLiteral("%1 cannot be written: %2").arg(branchChoice(), f.errorString()));
    return {};
}

QStringList Paths::toolArguments() const
{
    QStringList args{QStringLiteral("--home"), m_home};
    if (booksOnServer())
        args << QStringLiteral("--database") << m_database << QStringLiteral("--branch") << branchShown(m_branch);
    return args;
}

QString Paths::branchBook(const QString &branch)
{
    return branch.isEmpty() ? QStringLiteral("cafe") : QStringLiteral("cafe_") + branch;
}

QString Paths::mainCafeDatabase() const { return ServerAddress::forBook(m_database, branchBook({})); }

QString Paths::cafeDatabase() const
{
    if (m_database.isEmpty())
        return systemFile(QStringLiteral("icafe.dat"));
    // A branch reads the catalogue from the main branch's book.
    return m_branch.isEmpty() ? mainCafeDatabase()
                              : ServerAddress::forBook(m_database, branchBook(m_branch), branchBook({}));
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
