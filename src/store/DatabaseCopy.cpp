#include "store/DatabaseCopy.h"

#include "store/ServerAddress.h"

#include <QDateTime>
#include <QProcess>
#include <QStandardPaths>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QFileDevice::Permissions kFileMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString partOf(const QString &target) { return target + QStringLiteral(".part"); }

// Whatever an earlier run left under the name, a link included, which is removed and never followed.
Result<void> clear(const QString &path)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
        return {};
    const QString cause = QString::fromLocal8Bit(std::strerror(errno));
    return failure(QStringLiteral("%1 cannot be replaced: %2").arg(path, cause));
}

QString sqliteError(sqlite3 *db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

} // namespace

namespace DatabaseCopy {

Result<void> moveInto(const QString &part, const QString &target)
{
    // rename(2) replaces the target in one step; QFile::rename refuses an existing one.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString cause = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(part);
        return failure(QStringLiteral("%1 cannot be written: %2").arg(target, cause));
    }
    return {};
}

Result<void> copyLive(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile())
        return failure(QStringLiteral("%1 does not exist").arg(source));
    const QString part = partOf(target);
    for (const QString &leftover : {part, part + QStringLiteral("-journal")})
        if (Result<void> r = clear(leftover); !r)
            return r;

    sqlite3 *from = nullptr;
    sqlite3 *to = nullptr;
    QString error;
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        error = QStringLiteral("%1 cannot be read: %2").arg(source, sqliteError(from, rc));
    if (error.isEmpty()) {
        sqlite3_busy_timeout(from, 5000);
        rc = sqlite3_open_v2(QFile::encodeName(part).constData(), &to,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
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
    return moveInto(part, target);
}

qint64 plainLimit(const QString &fileName)
{
    return fileName == QLatin1String("settings.dat") ? 64 * 1024 : 64 * 1024 * 1024;
}

Result<QByteArray> readPlain(const QString &path, qint64 limit)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP)
            return failure(QStringLiteral("%1 is a link; only a plain file is copied").arg(path));
        return failure(QStringLiteral("%1 cannot be read: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    QFile in;
    in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st
    {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return failure(QStringLiteral("%1 is not a plain file").arg(path));
    // Read one byte past the limit: the file may grow while it is read.
    const QByteArray data = in.read(limit + 1);
    if (in.error() != QFileDevice::NoError)
        return failure(QStringLiteral("%1 cannot be read: %2").arg(path, in.errorString()));
    if (data.size() > limit)
        return failure(QStringLiteral("%1 is larger than such a file can be (%2 bytes at most)").arg(path).arg(limit));
    return data;
}

Result<void> copyFile(const QString &source, const QString &target, qint64 limit)
{
    const Result<QByteArray> data = readPlain(source, limit);
    if (!data)
        return failure(data.error());
    return replaceFile(target, *data);
}

Result<void> replaceFile(const QString &target, const QByteArray &data)
{
    const QString part = partOf(target);
    if (Result<void> r = clear(part); !r)
        return r;
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
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
    return moveInto(part, target);
}

Result<void> dumpServer(const QString &url, const QString &target)
{
    const Result<ServerAddress> address = ServerAddress::parse(url);
    if (!address)
        return failure(address.error());
    const QString pgDump = QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
    if (pgDump.isEmpty())
        return failure(QStringLiteral("pg_dump is not installed, so the books on %1 cannot be backed up from here."
                                      " Install it (Debian: postgresql-client) or back up the database on its"
                                      " server.")
                           .arg(address->shown()));
    const QString part = partOf(target);
    if (Result<void> r = clear(part); !r)
        return r;
    QStringList args{QStringLiteral("--format=custom"), QStringLiteral("--no-password"),
                     QStringLiteral("--schema=cafe"), QStringLiteral("--schema=customers"),
                     QStringLiteral("--file=") + part};
    if (!address->host.isEmpty())
        args << QStringLiteral("--host=") + address->host;
    if (address->port > 0)
        args << QStringLiteral("--port=%1").arg(address->port);
    if (!address->user.isEmpty())
        args << QStringLiteral("--username=") + address->user;
    args << QStringLiteral("--dbname=") + address->database;
    QProcess dump;
    dump.start(pgDump, args);
    if (!dump.waitForFinished(30 * 60 * 1000) || dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(dump.readAllStandardError()).trimmed();
        dump.kill();
        QFile::remove(part);
        return failure(QStringLiteral("The books on %1 could not be backed up: %2")
                           .arg(address->shown(), said.isEmpty() ? dump.errorString() : said));
    }
    QFile::setPermissions(part, kFileMode);
    return moveInto(part, target);
}

Result<QString> datedCopy(const QString &source, const QString &folder, const QDateTime &when)
{
    const bool server = ServerAddress::isServer(source);
    const QFileInfo info(server ? QStringLiteral("books.dump") : source);
    const QString stem =
        QStringLiteral("%1-%2").arg(info.completeBaseName(), when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QDir dir(folder);
    if (!dir.exists())
        return failure(QStringLiteral("The backup folder %1 does not exist").arg(folder));
    QString target = dir.filePath(stem + suffix);
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = dir.filePath(QStringLiteral("%1-%2%3").arg(stem).arg(n).arg(suffix));
    if (auto r = server ? dumpServer(source, target) : copyLive(source, target); !r)
        return failure(r.error());
    return target;
}

} // namespace DatabaseCopy
