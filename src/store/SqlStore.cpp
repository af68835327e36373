#include "store/SqlStore.h"

#include <QSysInfo>

#include "store/PasswordDigest.h"
#include "store/ServerAddress.h"

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
    m_location = path;
    m_dialect = ServerAddress::isServer(path) ? Dialect::PostgreSQL : Dialect::SQLite;
    if (onServer())
        return openServer(path, mayCreate);
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

std::optional<QString> SqlStore::openServer(const QString &location, bool mayCreate)
{
    const auto address = ServerAddress::parse(location);
    if (!address)
        return address.error();
    m_path = address->shown();
    if (!address->schema.isEmpty())
        m_path += QStringLiteral(" (%1)").arg(address->schema);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    if (!m_db.isValid()) {
        close();
        return QStringLiteral("%1 cannot be opened: the PostgreSQL driver of Qt is not installed"
                              " (Debian: libqt6sql6-psql)")
            .arg(m_path);
    }
    m_db.setDatabaseName(address->database);
    m_db.setHostName(address->host);
    m_db.setUserName(address->user);
    if (address->port > 0)
        m_db.setPort(address->port);
    m_db.setConnectOptions(address->options);
    if (!m_db.open()) {
        const QString err = m_db.lastError().text();
        close();
        return QStringLiteral("%1 cannot be opened: %2").arg(m_path, err);
    }
    m_schema = address->schema.isEmpty() ? QStringLiteral("public") : address->schema;
    m_shared = address->shared;
    if (auto e = startSession(mayCreate)) {
        close();
        return e;
    }
    return std::nullopt;
}

std::optional<QString> SqlStore::startSession(bool mayCreate)
{
    QSqlQuery q(m_db);
    q.exec(QStringLiteral("SET client_min_messages = warning"));
    if (mayCreate)
        q.exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS %1").arg(m_schema));
    const bool present =
        q.exec(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = '%1'").arg(m_schema)) && q.next();
    const QString path = m_shared.isEmpty() ? m_schema : m_schema + QStringLiteral(", ") + m_shared;
    if (!present || !q.exec(QStringLiteral("SET search_path TO %1").arg(path))) {
        const QString err = q.lastError().text();
        return present ? QStringLiteral("%1 cannot be opened: %2").arg(m_path, err)
                       : QStringLiteral("%1 does not exist").arg(m_path);
    }
    return std::nullopt;
}

bool SqlStore::reconnect()
{
    // A statement that failed because the server went away (restarted,
    // the network cut) is tried once more on a new connection; what the
    // operator is told otherwise says the server is away, not that the
    // books are broken.
    if (QSqlQuery probe(m_db); m_db.isOpen() && probe.exec(QStringLiteral("SELECT 1")))
        return false;
    m_db.close();
    if (!m_db.open() || startSession(false)) {
        m_lastError = QStringLiteral("The server of the books cannot be reached (%1); nothing was written: %2")
                          .arg(m_path, m_db.lastError().text().trimmed());
        m_db.close();
        return false;
    }
    if (m_changed && m_db.driver()->subscribeToNotification(QStringLiteral("korvane_") + m_schema))
        QMetaObject::invokeMethod(m_db.driver(), [this] { m_changed(QString()); }, Qt::QueuedConnection);
    return true;
}

bool SqlStore::watch(QObject *context, const std::function<void(const QString &)> &changed)
{
    if (!onServer())
        return false;
    const bool first = !m_changed;
    m_changed = changed;
    if (first && !m_db.driver()->subscribeToNotification(QStringLiteral("korvane_") + m_schema))
        return false;
    if (first)
        QObject::connect(m_db.driver(), &QSqlDriver::notification, context,
                         [this](const QString &, QSqlDriver::NotificationSource source, const QVariant &payload) {
                             if (source == QSqlDriver::OtherSource)
                                 m_changed(payload.toString());
                         });
    return true;
}

std::optional<QSqlQuery> SqlStore::run(const QString &sql, const QVariantList &values)
{
    auto q = runOnce(sql, values);
    if (!q && onServer() && !m_inTransaction && reconnect())
        q = runOnce(sql, values);
    return q;
}

std::optional<QSqlQuery> SqlStore::runOnce(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(m_db);
    // The server's driver streams a forward-only result and loses it when
    // another statement runs before it is read to the end: there the whole
    // result is fetched at once.
    q.setForwardOnly(!onServer());
    // Outside a transaction a change on the server commits by itself.
    const bool commits = onServer() && !m_inTransaction && !sql.startsWith(QLatin1String("SELECT"));
    // The server prepares only queries and row changes, not the making of
    // tables and functions; a statement without values needs no preparing.
    if (onServer() && values.isEmpty()) {
        if (!(commits ? watchedCommit([&] { return q.exec(sql); }) : q.exec(sql))) {
            m_lastError = q.lastError().text();
            return std::nullopt;
        }
        m_lastError.clear();
        return q;
    }
    if (!q.prepare(sql)) {
        m_lastError = q.lastError().text();
        return std::nullopt;
    }
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!(commits ? watchedCommit([&q] { return q.exec(); }) : q.exec())) {
        m_lastError = q.lastError().text();
        return std::nullopt;
    }
    m_lastError.clear();
    return q;
}

bool SqlStore::watchedCommit(const std::function<bool()> &commit)
{
    // Only the server's: the file's commits are watched by SQLite's own hooks.
    if (!s_commitWatcher)
        return commit();
    s_commitWatcher(CommitMoment::Before, m_path);
    const bool ok = commit();
    if (ok)
        s_commitWatcher(CommitMoment::After, m_path);
    return ok;
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
    if (onServer())
        return onServerAtomically(fn);
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

Result<void> SqlStore::onServerAtomically(const std::function<bool()> &fn)
{
    // One writer per book at a time, as with SQLite's write lock: the
    // store's read-then-write steps (a duplicate name, the minutes left)
    // then hold on the server as they do in the file. The lock is the
    // server's own and goes with the transaction, even when the console dies.
    // A deadlock against the other book's writer is rolled back by the
    // server and tried again.
    for (int attempt = 0;; ++attempt) {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("BEGIN"))) {
            m_lastError = q.lastError().text();
            if (attempt == 0 && reconnect())
                continue;
            return failure(m_lastError);
        }
        if (!q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(current_schema()))"))) {
            m_lastError = q.lastError().text();
            q.exec(QStringLiteral("ROLLBACK"));
            return failure(m_lastError);
        }
        m_inTransaction = true;
        bool done = fn();
        m_inTransaction = false;
        QString code;
        if (done && !watchedCommit([&] { return q.exec(QStringLiteral("COMMIT")); })) {
            done = false;
            m_lastError = q.lastError().text();
            code = q.lastError().nativeErrorCode();
        }
        if (done)
            return {};
        const QString err = m_lastError;
        q.exec(QStringLiteral("ROLLBACK"));
        m_lastError = err;
        const bool again = code == QLatin1String("40001") || code == QLatin1String("40P01")
                           || err.contains(QLatin1String("could not serialize")) || err.contains(QLatin1String("deadlock"));
        if (!again || attempt >= 4)
            return failure(m_lastError);
    }
}

QStringList SqlStore::tables()
{
    if (!onServer())
        return m_db.tables();
    QStringList names;
    auto q = run(QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = current_schema()"));
    while (q && q->next())
        names << q->value(0).toString();
    return names;
}

Result<QStringList> SqlStore::present(const QStringList &names)
{
    QStringList marks;
    QVariantList values;
    for (const QString &n : names) {
        marks << QStringLiteral("?");
        values << n;
    }
    const QString sql = onServer() ? QStringLiteral("SELECT relname FROM pg_class WHERE relnamespace ="
                                                    " current_schema()::regnamespace AND relname IN (%1)")
                                   : QStringLiteral("SELECT name FROM sqlite_master WHERE name IN (%1)");
    auto q = run(sql.arg(marks.join(QStringLiteral(", "))), values);
    if (!q)
        return failure(m_lastError);
    QStringList found;
    while (q->next())
        found << q->value(0).toString();
    return found;
}

Result<int> SqlStore::version()
{
    if (onServer()) {
        if (!tables().contains(QLatin1String("book_version")))
            return 1;
        auto q = run(QStringLiteral("SELECT max(version) FROM book_version"));
        if (!q || !q->next())
            return failure(m_lastError);
        return qMax(1, q->value(0).toInt());
    }
    auto q = run(QStringLiteral("PRAGMA user_version"));
    if (!q || !q->next())
        return failure(m_lastError);
    return qMax(1, q->value(0).toInt());
}

bool SqlStore::setVersion(int version)
{
    // The number is this program's own (a pragma takes no bound value).
    if (onServer())
        return exec(QStringLiteral("CREATE TABLE IF NOT EXISTS book_version (version INTEGER NOT NULL)"))
               && exec(QStringLiteral("DELETE FROM book_version"))
               && exec(QStringLiteral("INSERT INTO book_version (version) VALUES (%1)").arg(version));
    return exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
}

Result<QStringList> SqlStore::integrityCheck()
{
    if (onServer())
        return QStringList();
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
