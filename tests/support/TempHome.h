#pragma once

#include "store/Installer.h"
#include "store/Paths.h"

#include <QFileInfo>
#include <QTemporaryDir>

// Whether nobody but its owner may read or write the file at path.
inline bool ownerOnly(const QString &path)
{
    return QFileInfo::exists(path) && !(QFileInfo(path).permissions() & 0x77);
}

// A fresh application folder, installed, removed when the test ends.
class TempHome
{
public:
    explicit TempHome(bool install = true);
    bool ok() const { return m_ok; }
    const Paths &paths() const { return m_paths; }
    QString path() const { return m_dir.path() + QStringLiteral("/home"); }

private:
    QTemporaryDir m_dir;
    Paths m_paths;
    bool m_ok = false;
};
