#include "console/Backup.h"

#include "store/DatabaseCopy.h"

#include <QDir>
#include <QFileInfo>

namespace Backup {

QStringList files()
{
    return {QStringLiteral("icafe.dat"), QStringLiteral("users.dat"), QStringLiteral("settings.dat"),
            QStringLiteral("print.dat")};
}

Result<void> backitup(const Paths &paths)
{
    if (!QDir().mkpath(paths.backup()))
        return failure(QStringLiteral("%1 cannot be created").arg(paths.backup()));
    const QStringList databases{QStringLiteral("icafe.dat"), QStringLiteral("users.dat")};
    // Books on a server go into one dump of the database instead.
    if (paths.booksOnServer())
        if (Result<void> dumped = DatabaseCopy::dumpServer(paths.database(), paths.backup() + QStringLiteral("/books.dump"));
            !dumped)
            return dumped;
    for (const QString &name : files()) {
        if (paths.booksOnServer() && databases.contains(name))
            continue;
        const QString source = paths.systemFile(name);
        const QString target = paths.backup() + QLatin1Char('/') + name;
        Result<void> copied;
        if (databases.contains(name))
            copied = DatabaseCopy::copyLive(source, target);
        else if (name == QLatin1String("print.dat") && !QFileInfo::exists(source))
            copied = DatabaseCopy::replaceFile(target, {}); // no card printed yet
        else
            copied = DatabaseCopy::copyFile(source, target, DatabaseCopy::plainLimit(name));
        if (!copied)
            return copied;
    }
    return {};
}

Result<void> deleteprint(const Paths &paths) { return DatabaseCopy::replaceFile(paths.printLog(), {}); }

} // namespace Backup
