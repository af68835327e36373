#include "PgServer.h"

#include <QDir>
#include <QProcess>
#include <QUrl>
#include <unistd.h>

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
    if ((getuid() != 0 || run(QStringLiteral("chown"), {QStringLiteral("postgres"), m_dir.path()}))
        && run(m_bin + QStringLiteral("initdb"),
               {QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data"), QStringLiteral("-U"),
                QStringLiteral("korvane"), QStringLiteral("--auth=trust"), QStringLiteral("--encoding=UTF8"),
                QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-N")}))
        start();
}

PgServer::~PgServer()
{
    if (m_error.isEmpty())
        pgCtl({QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
}

bool PgServer::run(const QString &program, const QStringList &args)
{
    QProcess p;
    if (getuid() == 0 && program.startsWith(m_bin))
        p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                       QStringLiteral("--"), program} + args);
    else
        p.start(program, args);
    if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    m_error = QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAllStandardError()));
    return false;
}

bool PgServer::pgCtl(const QStringList &args)
{
    return run(m_bin + QStringLiteral("pg_ctl"), QStringList{QStringLiteral("-D"), m_dir.path() + QStringLiteral("/data")} + args);
}

bool PgServer::start()
{
    // No TCP at all; no fsync, as the cluster lives for one test run.
    return pgCtl({QStringLiteral("-w"), QStringLiteral("-l"), m_dir.path() + QStringLiteral("/log"), QStringLiteral("-o"),
                  QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off -c synchronous_commit=off"
                                 " -c full_page_writes=off -c max_connections=200")
                      .arg(m_dir.path()),
                  QStringLiteral("start")});
}

bool PgServer::sql(const QString &statement)
{
    return run(QStringLiteral("psql"), {QStringLiteral("-h"), m_dir.path(), QStringLiteral("-U"), QStringLiteral("korvane"),
                                        QStringLiteral("-d"), QStringLiteral("postgres"), QStringLiteral("-Xqc"), statement});
}

QString PgServer::freshDatabase()
{
    const QString name = QStringLiteral("cafe%1").arg(++m_databases);
    if (!m_error.isEmpty() || !sql(QStringLiteral("CREATE DATABASE %1").arg(name)))
        return {};
    return QStringLiteral("postgresql://korvane@localhost/%1?host=%2").arg(name, m_dir.path());
}

void PgServer::drop(const QString &url)
{
    sql(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(QUrl(url).path().mid(1)));
}
