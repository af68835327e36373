#include "PgServer.h"

#include <QDir>
#include <QUrl>
#include <unistd.h>

bool PgServer::wanted() { return qEnvironmentVariable("KORVANE_TEST_BOOKS") == QLatin1String("postgresql"); }

PgServer &PgServer::shared()
{
    static PgServer server;
    return server;
}

PgServer::PgServer()
    : m_dir(QDir::tempPath() + QStringLiteral("/korvane-pg-XXXXXX"))
{
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (versions.isEmpty()) {
        m_error = QStringLiteral("PostgreSQL is not installed (/usr/lib/postgresql)");
        return;
    }
    m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(versions.last());
    // The server refuses to run as root.
    if (getuid() == 0)
        run(QStringLiteral("chown"), {QStringLiteral("postgres"), m_dir.path()});
    if (run(m_bin + QStringLiteral("initdb"), {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"),
                                               QStringLiteral("-U"), QStringLiteral("korvane"),
                                               QStringLiteral("--auth=trust"), QStringLiteral("--encoding=UTF8"),
                                               QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-N")}))
        start();
}

PgServer::~PgServer()
{
    if (ok())
        run(m_bin + QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"),
                                               QStringLiteral("-m"), QStringLiteral("immediate"),
                                               QStringLiteral("stop")});
}

bool PgServer::run(const QString &program, const QStringList &args, QString *out)
{
    QProcess p;
    if (getuid() == 0 && program.startsWith(m_bin))
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                       QStringLiteral("--"), program} + args);
    else
        p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
        return false;
    }
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput());
    return true;
}

bool PgServer::start()
{
    // No TCP at all; no fsync, as the cluster lives for one test run.
    return run(m_bin + QStringLiteral("pg_ctl"),
               {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"), QStringLiteral("-w"), QStringLiteral("-l"),
                m_dir.path() + QStringLiteral("/log"), QStringLiteral("-o"),
                QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off -c synchronous_commit=off"
                               " -c full_page_writes=off -c max_connections=200")
                    .arg(m_dir.path()),
                QStringLiteral("start")});
}

bool PgServer::stop()
{
    return run(m_bin + QStringLiteral("pg_ctl"), {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"),
                                                  QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
}

QString PgServer::psql(const QString &database, const QString &sql)
{
    QString out;
    run(QStringLiteral("psql"), {QStringLiteral("-h"), m_dir.path(), QStringLiteral("-U"), QStringLiteral("korvane"),
                                 QStringLiteral("-d"), database, QStringLiteral("-XAtqc"), sql},
        &out);
    return out.trimmed();
}

QString PgServer::freshDatabase()
{
    if (!ok())
        return {};
    const QString name = QStringLiteral("cafe%1").arg(++m_databases);
    if (!run(QStringLiteral("psql"), {QStringLiteral("-h"), m_dir.path(), QStringLiteral("-U"),
                                      QStringLiteral("korvane"), QStringLiteral("-d"), QStringLiteral("postgres"),
                                      QStringLiteral("-Xqc"), QStringLiteral("CREATE DATABASE %1").arg(name)}))
        return {};
    return QStringLiteral("postgresql://korvane@localhost/%1?host=%2").arg(name, m_dir.path());
}

void PgServer::drop(const QString &url)
{
    const QString name = QUrl(url).path().mid(1);
    psql(QStringLiteral("postgres"), QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}
