#include "base/PrivateFile.h"

#include <QFile>

namespace PrivateFile {

bool prepare(const QString &path)
{
    if (path.isEmpty())
        return false;
    QFile f(path);
    // The mode given to open() applies only to a new file.
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate, kMode) && f.setPermissions(kMode);
}

} // namespace PrivateFile
