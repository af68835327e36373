#include "TempHome.h"

#include "PgServer.h"
#include "PlatformNoise.h"

TempHome::TempHome(bool install)
    : m_paths(m_dir.path() + QStringLiteral("/home"))
{
    quietPlatformNoise();
    m_ok = m_dir.isValid();
    if (m_ok && PgServer::wanted()) {
        m_paths.setDatabase(PgServer::shared().freshDatabase());
        m_ok = m_paths.booksOnServer();
        if (!m_ok)
            qWarning("%s", qPrintable(PgServer::shared().error()));
    }
    if (m_ok && install)
        m_ok = !Installer::install(m_paths).error.has_value();
    // The programs a test starts on the folder find the same books.
    if (m_ok && install && m_paths.booksOnServer()) {
        QFile choice(m_paths.databaseChoice());
        m_ok = choice.open(QIODevice::WriteOnly) && choice.write(m_paths.database().toUtf8() + '\n') > 0;
    }
}

TempHome::~TempHome()
{
    if (m_paths.booksOnServer())
        PgServer::shared().drop(m_paths.database());
}
