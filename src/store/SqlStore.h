#pragma once

#include "base/Result.h"

#include <QList>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

// One connection to one of the two books: a database file, or a schema of a
// PostgreSQL database (see ServerAddress). Every statement is prepared with
// bound values; callers never build SQL from data.
class SqlStore
{
public:
    enum class Dialect { SQLite, PostgreSQL };

    SqlStore();
    virtual ~SqlStore();
    SqlStore(const SqlStore &) = delete;
    SqlStore &operator=(const SqlStore &) = delete;

    // Opens an existing book (never creates one). Returns an error text.
    std::optional<QString> open(const QString &path);
    // Creates a new book; used by the installation only.
    std::optional<QString> create(const QString &path);
    Dialect dialect() const { return m_dialect; }
    bool onServer() const { return m_dialect == Dialect::PostgreSQL; }
    void close();
    bool isOpen() const { return m_db.isOpen(); }
    QString path() const { return m_path; }
    // What it was opened with: the file's path, or the server address.
    QString location() const { return m_location; }

    // The console this connection writes for (its shift takes what is
    // written); the machine's name unless set.
    void setConsole(const QString &name) { m_console = name; }
    QString console() const { return m_console; }

    // The text of the last failed statement's error, empty after a success.
    QString lastError() const { return m_lastError; }

    // Runs fn inside one database transaction, which holds the write lock
    // from its start (waiting for another connection's write to end); rolls
    // back when fn returns false.
    Result<void> atomically(const std::function<bool()> &fn);

    // Runs one statement; the query is positioned before its first row.
    std::optional<QSqlQuery> run(const QString &sql, const QVariantList &values = {});
    bool exec(const QString &sql, const QVariantList &values = {});
    // One statement that changes the books, with the error as its failure.
    Result<void> write(const QString &sql, const QVariantList &values = {});
    QStringList tables();
    // Which of these tables and indexes the book has.
    Result<QStringList> present(const QStringList &names);
    // The book's version stamp (1 for a book that has none).
    Result<int> version();
    bool setVersion(int version);

    // The rows of a statement, each made by `convert`, or the store's error
    // when it failed.
    template <typename Row, typename Convert>
    static Result<QList<Row>> collect(const SqlStore &store, std::optional<QSqlQuery> q, Convert convert)
    {
        if (!q)
            return failure(store.lastError());
        QList<Row> rows;
        while (q->next())
            rows.append(convert(*q));
        return rows;
    }

    // Calls changed with the table's name whenever another connection
    // commits a change to a table the consoles follow (the other counter on
    // a server), and with an empty name once after a lost connection is made
    // again, when any change may have been missed. False where nobody else
    // writes: a file is one console's.
    bool watch(QObject *context, const std::function<void(const QString &table)> &changed);

    // SQLite's own check of every page and index: the problems found, none
    // when the file is sound. A server keeps its own pages.
    Result<QStringList> integrityCheck();
    // Rewrites the file without its unused space (VACUUM).
    Result<void> compact();

    // Case folding for every alphabet (Greek included), as an SQL function
    // fold(text); bind values folded with this on the C++ side.
    static QString fold(const QString &s) { return s.toCaseFolded(); }

    // For crash tests: called just before and just after every commit of
    // every connection opened while it is set, with the file's path.
    enum class CommitMoment { Before, After };
    using CommitWatcher = std::function<void(CommitMoment, const QString &)>;
    static void setCommitWatcher(CommitWatcher watcher);

protected:
    friend class BookArea;
    QSqlDatabase &db() { return m_db; }
    // A write the store itself refused (no row in the state it expects),
    // kept like a database error so that atomically() rolls back and keeps it.
    void setLastError(const QString &text) { m_lastError = text; }

private:
    std::optional<QString> openFile(const QString &path, bool mayCreate);
    std::optional<QString> openServer(const QString &location, bool mayCreate);
    std::optional<QString> startSession(bool mayCreate);
    bool reconnect();
    // Runs a commit between the crash tests' watcher's two calls.
    bool watchedCommit(const std::function<bool()> &commit);
    std::optional<QSqlQuery> runOnce(const QString &sql, const QVariantList &values);
    Result<void> onServerAtomically(const std::function<bool()> &fn);
    QSqlDatabase m_db;
    QString m_name;
    QString m_path;
    QString m_lastError;
    QString m_console;
    Dialect m_dialect = Dialect::SQLite;
    QString m_schema;
    QString m_shared;
    QString m_location;
    bool m_inTransaction = false;
    std::function<void(const QString &)> m_changed;
};
