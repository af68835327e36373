#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A throwaway PostgreSQL cluster: initdb and pg_ctl as an unprivileged user
// (postgres when the tests run as root), listening only on a Unix socket in
// a temporary folder. Started on first use, stopped and removed at exit.
class PgServer
{
public:
    // The suites run against the server when KORVANE_TEST_BOOKS=postgresql.
    static bool wanted() { return qEnvironmentVariable("KORVANE_TEST_BOOKS") == QLatin1String("postgresql"); }
    static PgServer &shared();

    QString error() const { return m_error; }
    // A new empty database: its address, empty (with error()) on a failure.
    QString freshDatabase();
    void drop(const QString &url);
    // The server stopped and started again, its data kept.
    bool stop() { return pgCtl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")}); }
    bool start();

    ~PgServer();

private:
    PgServer();
    bool run(const QString &program, const QStringList &args);
    bool pgCtl(const QStringList &args);
    bool sql(const QString &statement);
    QTemporaryDir m_dir;
    QString m_bin;
    QString m_error;
    int m_databases = 0;
};
