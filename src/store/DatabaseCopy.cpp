#include "store/DatabaseCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions kFileMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString partOf(const QString &target) { return target + QStringLiteral(".part"); }

Result<void> renameInto(const QString &part, const QString &target)
{
    // rename(2) replaces the target in one step; QFile::rename refuses an existing one.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString cause = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(part);
        return failure(QStringLiteral("%1 cannot be written: %2").arg(target, cause));
    }
    return {};
}

QString sqliteError(sqlite3 *db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

} // namespace

namespace DatabaseCopy {

Result<void> copyLive(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile())
        return failure(QStringLiteral("%1 does not exist").arg(source));
    const QString part = partOf(target);
    if (QFileInfo::exists(part) && !QFile::remove(part))
        return failure(QStringLiteral("%1 cannot be replaced").arg(part));

    sqlite3 *from = nullptr;
    sqlite3 *to = nullptr;
    QString error;
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        error = QStringLiteral("%1 cannot be read: %2").arg(source, sqliteError(from, rc));
    if (error.isEmpty()) {
        sqlite3_busy_timeout(from, 5000);
        rc = sqlite3_open_v2(QFile::encodeName(part).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
        if (rc != SQLITE_OK)
            error = QStringLiteral("%1 cannot be written: %2").arg(part, sqliteError(to, rc));
    }
    if (error.isEmpty()) {
        sqlite3_backup *b = sqlite3_backup_init(to, "main", from, "main");
        if (!b) {
            error = QStringLiteral("%1 cannot be copied: %2").arg(source, sqliteError(to, SQLITE_ERROR));
        } else {
            // One step copies every page under one read transaction: a snapshot.
            do {
                rc = sqlite3_backup_step(b, -1);
                if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                    sqlite3_sleep(50);
            } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
            sqlite3_backup_finish(b);
            if (rc != SQLITE_DONE)
                error = QStringLiteral("%1 cannot be copied: %2").arg(source, sqliteError(to, rc));
        }
    }
    if (to && sqlite3_close(to) != SQLITE_OK && error.isEmpty())
        error = QStringLiteral("%1 cannot be written: %2").arg(part, sqliteError(to, SQLITE_ERROR));
    sqlite3_close(from);
    if (!error.isEmpty()) {
        QFile::remove(part);
        return failure(error);
    }
    QFile::setPermissions(part, kFileMode);
    // The copy has its own journal files only while it was being written.
    QFile::remove(part + QStringLiteral("-journal"));
    return renameInto(part, target);
}

Result<void> copyFile(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("%1 cannot be read: %2").arg(source, in.errorString()));
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return failure(QStringLiteral("%1 cannot be read: %2").arg(source, in.errorString()));
    return replaceFile(target, data);
}

Result<void> replaceFile(const QString &target, const QByteArray &data)
{
    const QString part = partOf(target);
    if (QFileInfo::exists(part) && !QFile::remove(part))
        return failure(QStringLiteral("%1 cannot be replaced").arg(part));
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failure(QStringLiteral("%1 cannot be written: %2").arg(part, out.errorString()));
    // On disk before the rename, so a power cut never leaves an empty copy.
    if (out.write(data) != data.size() || !out.flush() || ::fsync(out.handle()) != 0) {
        const QString cause = out.errorString();
        out.close();
        QFile::remove(part);
        return failure(QStringLiteral("%1 cannot be written: %2").arg(part, cause));
    }
    out.close();
    QFile::setPermissions(part, kFileMode);
    return renameInto(part, target);
}

Result<QString> datedCopy(const QString &source, const QString &folder, const QDateTime &when)
{
    const QFileInfo info(source);
    const QString stem =
        QStringLiteral("%1-%2").arg(info.completeBaseName(), when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
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

} // namespace DatabaseCopy
