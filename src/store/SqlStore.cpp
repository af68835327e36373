#include "store/SqlStore.h"

#include <QSysInfo>

#include "store/PasswordDigest.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <sqlite3.h>

namespace {
QAtomicInt s_counter;
SqlStore::CommitWatcher s_commitWatcher;

int beforeCommit(void *store)
{
    s_commitWatcher(SqlStore::CommitMoment::Before, static_cast<SqlStore *>(store)->path());
    return 0;
}

// Taking SQLite's WAL hook replaces its automatic checkpoint, so it is kept here.
int afterCommit(void *store, sqlite3 *db, const char *name, int frames)
{
    s_commitWatcher(SqlStore::CommitMoment::After, static_cast<SqlStore *>(store)->path());
    if (frames >= 1000)
        sqlite3_wal_checkpoint(db, name);
    return SQLITE_OK;
}

// Another connection writing: look again every millisecond for three
// seconds. SQLite's own timeout sleeps longer and longer (up to 100 ms at a
// time) and keeps missing the short gaps between the bulk work's writes.
int waitForWriter(void *, int tries)
{
    if (tries >= 3000)
        return 0;
    sqlite3_sleep(1);
    return 1;
}

void foldFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QByteArray folded = QString::fromUtf8(text).toCaseFolded().toUtf8();
    sqlite3_result_text(ctx, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

void digestFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QByteArray digest = PasswordDigest::make(QString::fromUtf8(text)).toUtf8();
    sqlite3_result_text(ctx, digest.constData(), int(digest.size()), SQLITE_TRANSIENT);
}
} // namespace

SqlStore::SqlStore()
    : m_name(QStringLiteral("korvane-%1").arg(s_counter.fetchAndAddRelaxed(1)))
    , m_console(QSysInfo::machineHostName())
{}

SqlStore::~SqlStore() { close(); }

void SqlStore::setCommitWatcher(CommitWatcher watcher) { s_commitWatcher = std::move(watcher); }

void SqlStore::close()
{
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
}

std::optional<QString> SqlStore::open(const QString &path) { return openFile(path, false); }
std::optional<QString> SqlStore::create(const QString &path) { return openFile(path, true); }

std::optional<QString> SqlStore::openFile(const QString &path, bool mayCreate)
{
    close();
    m_path = path;
    const QFileInfo info(path);
    if (!mayCreate && !info.exists())
        return QStringLiteral("%1 does not exist").arg(path);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    // Open read-write; a file SQLite cannot read is refused before anything is written.
    if (!m_db.open()) {
        const QString err = m_db.lastError().text();
        close();
        return QStringLiteral("%1 cannot be opened: %2").arg(path, err);
    }
    // Reading the schema is the first thing that touches the file: a file that
    // is not a database fails here, untouched.
    {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const QString err = q.lastError().text();
            q.finish();
            close();
            return QStringLiteral("%1 is not a Korvane database: %2").arg(path, err);
        }
    }
    QSqlQuery pragma(m_db);
    pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));

    const QVariant handle = m_db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3 *h = *static_cast<sqlite3 *const *>(handle.data());
        if (h) {
            sqlite3_busy_handler(h, waitForWriter, nullptr);
            sqlite3_create_function_v2(h, "fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, foldFunction, nullptr,
                                       nullptr, nullptr);
            sqlite3_create_function_v2(h, "password_digest", 1, SQLITE_UTF8, nullptr, digestFunction, nullptr, nullptr,
                                       nullptr);
        }
        if (h && s_commitWatcher) {
            sqlite3_commit_hook(h, beforeCommit, this);
            sqlite3_wal_hook(h, afterCommit, this);
        }
    }
    return std::nullopt;
}

std::optional<QSqlQuery> SqlStore::run(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        m_lastError = q.lastError().text();
        return std::nullopt;
    }
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        m_lastError = q.lastError().text();
        return std::nullopt;
    }
    m_lastError.clear();
    return q;
}

bool SqlStore::exec(const QString &sql, const QVariantList &values) { return run(sql, values).has_value(); }

Result<void> SqlStore::write(const QString &sql, const QVariantList &values)
{
    if (!exec(sql, values))
        return failure(m_lastError);
    return {};
}

Result<void> SqlStore::atomically(const std::function<bool()> &fn)
{
    // Writing from the start: a transaction that read first and then found
    // another connection writing (the transactions window's bulk work runs on
    // a thread of its own) would fail at once instead of waiting its turn.
    if (QSqlQuery begin(m_db); !begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        m_lastError = begin.lastError().text();
        return failure(m_lastError);
    }
    if (!fn()) {
        const QString err = m_lastError;
        m_db.rollback();
        m_lastError = err;
        return failure(m_lastError);
    }
    if (!m_db.commit()) {
        m_lastError = m_db.lastError().text();
        m_db.rollback();
        return failure(m_lastError);
    }
    return {};
}

QStringList SqlStore::tables() const { return m_db.tables(); }

Result<QStringList> SqlStore::integrityCheck()
{
    auto q = run(QStringLiteral("PRAGMA integrity_check"));
    if (!q)
        return failure(m_lastError);
    QStringList problems;
    while (q->next())
        if (q->value(0).toString() != QLatin1String("ok"))
            problems << q->value(0).toString();
    return problems;
}

Result<void> SqlStore::compact()
{
    if (!exec(QStringLiteral("VACUUM")))
        return failure(m_lastError);
    return {};
}
