#include "TempHome.h"

#include "PlatformNoise.h"

TempHome::TempHome(bool install)
    : m_paths(m_dir.path() + QStringLiteral("/home"))
{
    quietPlatformNoise();
    m_ok = m_dir.isValid();
    if (m_ok && install)
        m_ok = !Installer::install(m_paths).error.has_value();
}
