#include "store/BookCheck.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>

namespace {
// A check killed midway leaves its private folder behind; one an hour old is nobody's.
void sweepLeftovers(const QString &folder)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QFileInfoList found =
        QDir(folder).entryInfoList({QStringLiteral(".check-*")}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &f : found)
        if (f.lastModified().secsTo(now) > 3600)
            QDir(f.filePath()).removeRecursively();
}

constexpr int kHeaderBytes = 100;
constexpr int kLogHeaderBytes = 32;

// The transaction history: nearly all of a year-old book.
const char *const kHistory[] = {"kin", "extra", "kin_days"};

quint32 be32(const QByteArray &b, int at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

QByteArray head(const QString &path, int bytes)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(bytes) : QByteArray();
}

QString damaged(const QString &path, const QString &cause)
{
    return QStringLiteral("%1 is damaged: %2. Korvane has not changed it; restore it from a backup.").arg(path, cause);
}

QString foreignLog(const QString &path, const QString &cause)
{
    return QStringLiteral("%1-wal does not belong to %1 or is damaged (%2). Korvane has used neither file. If the"
                          " -wal file was put there by mistake, move it out of the folder; otherwise restore the"
                          " book from a backup.")
        .arg(path, cause);
}

// The page size the header gives, 0 when it is not one SQLite writes.
qint64 pageSize(const QByteArray &header)
{
    const qint64 field = uchar(header[16]) << 8 | uchar(header[17]);
    const qint64 size = field == 1 ? 65536 : field;
    return size >= 512 && (size & (size - 1)) == 0 ? size : 0;
}

// The raw look, before SQLite reads anything: the magic, the page size, and
// (without a log to replay) the length the header gives. An empty file is
// left to the table check.
std::optional<QString> headerProblem(const QString &path, bool logLeft)
{
    const qint64 size = QFileInfo(path).size();
    if (size == 0)
        return std::nullopt;
    const QByteArray header = head(path, kHeaderBytes);
    if (!header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return QStringLiteral("%1 is not a Korvane database: it is not an SQLite file").arg(path);
    if (header.size() < kHeaderBytes || !pageSize(header))
        return damaged(path, QStringLiteral("its header is cut short or not valid"));
    // The length in the header counts only when its change counter is current.
    const qint64 wanted = be32(header, 24) == be32(header, 92) ? be32(header, 28) * pageSize(header) : 0;
    if (!logLeft && (size < wanted || size % pageSize(header) != 0))
        return damaged(path,
                       QStringLiteral("it is cut short (%1 of the %2 bytes its header gives)").arg(size).arg(wanted));
    return std::nullopt;
}

struct Closer
{
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, Closer>;

// Read-only connections are the private ones: they never write, not even at close.
Connection connect(const QString &path, bool readOnly, QString &error)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK) {
        error = QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        return nullptr;
    }
    if (readOnly)
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_busy_timeout(raw, 3000);
    return db;
}

// Every row of one statement's first column, or the statement's error.
Result<QStringList> column(sqlite3 *db, const char *sql, const QByteArray &arg = {})
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        return failure(QString::fromUtf8(sqlite3_errmsg(db)));
    if (!arg.isNull())
        sqlite3_bind_text(st, 1, arg.constData(), int(arg.size()), SQLITE_TRANSIENT);
    QStringList rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        return failure(QString::fromUtf8(sqlite3_errmsg(db)));
    return rows;
}

// SQLite's quick check of every page, or of every table but the history;
// the problems found, none when sound.
QStringList problems(sqlite3 *db, bool everyPage)
{
    QStringList found;
    auto take = [&found](const Result<QStringList> &rows) {
        for (QString r : rows ? *rows : QStringList{rows.error()})
            if (r != QLatin1String("ok"))
                found << r.remove(QRegularExpression(QStringLiteral("^\\*\\*\\* in database \\w+ \\*\\*\\*\\n")));
    };
    if (everyPage) {
        take(column(db, "PRAGMA quick_check"));
        return found;
    }
    const auto listed = column(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    take(listed ? QStringList() : QStringList{listed.error()});
    // A list of its own: one built inside the loop's head would be gone before the loop runs.
    QStringList tables = listed.value_or(QStringList());
    tables << QStringLiteral("sqlite_master");
    for (const QString &t : std::as_const(tables))
        if (std::find(std::begin(kHistory), std::end(kHistory), t.toStdString()) == std::end(kHistory))
            take(column(db, "SELECT * FROM pragma_quick_check(?)", t.toUtf8()));
    return found;
}

QString missingTable(sqlite3 *db, const QStringList &tables)
{
    const auto present = column(db, "SELECT name FROM sqlite_master WHERE type = 'table'");
    for (const QString &t : tables)
        if (!present || !present->contains(t))
            return t;
    return {};
}

Result<int> versionOf(sqlite3 *db, const QString &path, int newest)
{
    const auto version = column(db, "PRAGMA user_version");
    if (!version || version->isEmpty())
        return failure(damaged(path, version.error()));
    // Books made before versions were stamped carry 0: they are version 1.
    const int found = qMax(1, version->first().toInt());
    if (found > newest)
        return failure(QStringLiteral("%1 was written by a newer Korvane (books version %2); this Korvane reads books"
                                      " up to version %3. Start the newer Korvane again, or restore a backup made"
                                      " by this one. Korvane has not changed the file.")
                           .arg(path)
                           .arg(found)
                           .arg(newest));
    return found;
}

QString notKorvane(const QString &path, const QString &table)
{
    return QStringLiteral("%1 is not a Korvane database: the table %2 is missing").arg(path, table);
}

// Sound pages first, then the version (a newer book may have other tables),
// then every table the console uses.
Result<int> look(sqlite3 *db, const QString &path, const QStringList &tables, int newest, bool everyPage)
{
    if (const QStringList bad = problems(db, everyPage); !bad.isEmpty())
        return failure(damaged(path, bad.mid(0, 3).join(QStringLiteral("; "))));
    const Result<int> version = versionOf(db, path, newest);
    if (!version)
        return version;
    if (const QString missing = missingTable(db, tables); !missing.isEmpty())
        return failure(notKorvane(path, missing));
    return version;
}

bool linkOrCopy(const QString &from, const QString &to)
{
    // A hard link shares the book without copying it; the private connection
    // only reads it.
    return ::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 || QFile::copy(from, to);
}

// The book with its log, through a private copy of the log: SQLite cannot
// tell a log of another database and would carry it into the book. The real
// files are opened only when this comes out sound.
Result<int> lookWithLog(const QString &path, const QStringList &tables, int newest)
{
    const QString log = path + QStringLiteral("-wal");
    const QByteArray header = head(path, kHeaderBytes);
    const QByteArray logHeader = head(log, kLogHeaderBytes);
    const quint32 magic = logHeader.size() == kLogHeaderBytes ? be32(logHeader, 0) : 0;
    if (header.size() < kHeaderBytes)
        return failure(foreignLog(path, QStringLiteral("the book is empty")));
    if (magic != 0x377f0682 && magic != 0x377f0683)
        return failure(foreignLog(path, QStringLiteral("it is not an SQLite log")));
    if (be32(logHeader, 8) != pageSize(header))
        return failure(foreignLog(path, QStringLiteral("its pages are not the size of the book's")));

    // Beside the book, so that the link works; elsewhere when the folder is full or read-only.
    sweepLeftovers(QFileInfo(path).absolutePath());
    auto dir = std::make_unique<QTemporaryDir>(QFileInfo(path).absolutePath() + QStringLiteral("/.check-XXXXXX"));
    if (!dir->isValid())
        dir = std::make_unique<QTemporaryDir>();
    const QString copy = dir->filePath(QFileInfo(path).fileName());
    if (!dir->isValid() || !linkOrCopy(path, copy) || !QFile::copy(log, copy + QStringLiteral("-wal")))
        return failure(
            QStringLiteral("%1 cannot be checked: there is no room for a private copy of its log").arg(path));
    QString error;
    Connection db = connect(copy, true, error);
    if (!db)
        return failure(damaged(path, error));
    const QStringList bad = problems(db.get(), true);
    QString missing;
    if (bad.isEmpty()) {
        const Result<int> version = versionOf(db.get(), path, newest);
        missing = version ? missingTable(db.get(), tables) : QString();
        if (!version || missing.isEmpty())
            return version;
    }
    db.reset();
    // Which is at fault: the log, when the book alone is sound.
    QFile::remove(copy + QStringLiteral("-wal"));
    QFile::remove(copy + QStringLiteral("-shm"));
    Connection alone = connect(copy, true, error);
    if (alone && problems(alone.get(), true).isEmpty())
        return failure(foreignLog(
            path, bad.isEmpty()
                      ? QStringLiteral("with it the table %1 is missing").arg(missing)
                      : QStringLiteral("with it SQLite finds: %1").arg(bad.mid(0, 3).join(QStringLiteral("; ")))));
    return failure(bad.isEmpty() ? notKorvane(path, missing) : damaged(path, bad.mid(0, 3).join(QStringLiteral("; "))));
}

} // namespace

namespace BookCheck {

Result<int> inspect(const QString &path, const QStringList &tables, int newest)
{
    const bool logLeft = QFileInfo(path + QStringLiteral("-wal")).size() > 0;
    if (auto problem = headerProblem(path, logLeft))
        return failure(*problem);
    if (logLeft) {
        // A console running on the folder writes on while this looks: a log
        // that changed meanwhile is looked at again.
        for (int attempt = 0;; ++attempt) {
            const QByteArray before = head(path + QStringLiteral("-wal"), kLogHeaderBytes);
            const qint64 size = QFileInfo(path + QStringLiteral("-wal")).size();
            Result<int> r = lookWithLog(path, tables, newest);
            if (r || attempt == 2
                || (head(path + QStringLiteral("-wal"), kLogHeaderBytes) == before
                    && QFileInfo(path + QStringLiteral("-wal")).size() == size))
                return r;
        }
    }
    QString error;
    Connection db = connect(path, false, error);
    if (!db)
        return failure(QStringLiteral("%1 cannot be opened: %2").arg(path, error));
    return look(db.get(), path, tables, newest, QFileInfo(path).size() <= kFullCheckBytes);
}

} // namespace BookCheck
