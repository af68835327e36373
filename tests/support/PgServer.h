#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A throwaway PostgreSQL cluster: initdb and pg_ctl as an unprivileged user
// (postgres when the tests run as root), listening only on a Unix socket in
// a temporary folder. Started on first use, stopped and removed at exit.
class PgServer
{
public:
    // The suites run against the server when KORVANE_TEST_BOOKS=postgresql.
    static bool wanted();
    static PgServer &shared();

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // A new empty database: its address, empty (with error()) on a failure.
    QString freshDatabase();
    void drop(const QString &url);
    // The server stopped and started again, its data kept.
    bool stop();
    bool start();
    // One statement through psql as the cluster's owner; its output.
    QString psql(const QString &database, const QString &sql);

    ~PgServer();

private:
    PgServer();
    bool run(const QString &program, const QStringList &args, QString *out = nullptr);
    QTemporaryDir m_dir;
    QString m_bin;
    QString m_error;
    int m_databases = 0;
};
