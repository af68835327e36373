#include "store/ConsoleLock.h"

#include <QDir>
#include <QFileInfo>

bool ConsoleLock::take(const Paths &paths)
{
    QDir().mkpath(paths.home());
    const bool left = QFileInfo::exists(path(paths));
    m_lock = std::make_unique<QLockFile>(path(paths));
    // The lock of a program that died is taken over at once.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_heldElsewhere = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        return false;
    }
    m_stale = left;
    return true;
}

bool ConsoleLock::isHeld(const Paths &paths)
{
    ConsoleLock probe;
    if (!probe.take(paths))
        return true;
    probe.release();
    return false;
}
