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
}

TempHome::~TempHome()
{
    if (m_paths.booksOnServer())
        PgServer::shared().drop(m_paths.database());
}
