#include "store/BookCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

QString sqliteText(sqlite3 *db, int rc)
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// The file's data and the folder's entry must be on disk before the copy is
// called done.
bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

struct Handle
{
    sqlite3 *db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

} // namespace

namespace BookCopy {

Result<void> copyLive(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile())
        return failure(QStringLiteral("%1 does not exist").arg(source));
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));

    QString error;
    {
        Handle from;
        Handle to;
        int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &from.db, SQLITE_OPEN_READONLY, nullptr);
        if (rc != SQLITE_OK)
            return failure(QStringLiteral("%1 cannot be read: %2").arg(source, sqliteText(from.db, rc)));
        sqlite3_busy_timeout(from.db, 3000);
        rc = sqlite3_open_v2(QFile::encodeName(part).constData(), &to.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
        if (rc != SQLITE_OK)
            return failure(QStringLiteral("%1 cannot be written: %2").arg(part, sqliteText(to.db, rc)));
        sqlite3_exec(to.db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        // One step over every page holds one read snapshot for the whole copy.
        sqlite3_backup *backup = sqlite3_backup_init(to.db, "main", from.db, "main");
        if (!backup) {
            error = sqliteText(to.db, SQLITE_ERROR);
        } else {
            rc = sqlite3_backup_step(backup, -1);
            if (rc != SQLITE_DONE)
                error = QString::fromUtf8(sqlite3_errstr(rc));
            rc = sqlite3_backup_finish(backup);
            if (error.isEmpty() && rc != SQLITE_OK)
                error = sqliteText(to.db, rc);
        }
    }
    if (error.isEmpty() && !syncPath(part, O_RDONLY))
        error = QStringLiteral("the copy could not be flushed to disk");
    if (!error.isEmpty()) {
        QFile::remove(part);
        return failure(QStringLiteral("%1 could not be copied to %2: %3").arg(source, target, error));
    }
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(part);
        return failure(QStringLiteral("%1 could not be renamed to %2").arg(part, target));
    }
    syncPath(QFileInfo(target).absolutePath(), O_RDONLY | O_DIRECTORY);
    return {};
}

Result<QString> datedCopy(const QString &source, const QString &folder, const QDateTime &when)
{
    const QFileInfo info(source);
    const QString stem = QStringLiteral("%1-%2").arg(info.completeBaseName(),
                                                      when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QDir dir(folder);
    if (!dir.exists())
        return failure(QStringLiteral("The backup folder %1 does not exist").arg(folder));
    QString target = dir.filePath(stem + suffix);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = dir.filePath(QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix));
    if (auto r = copyLive(source, target); !r)
        return failure(r.error());
    return target;
}

} // namespace BookCopy
