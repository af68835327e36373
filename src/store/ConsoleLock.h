#pragma once

#include "store/Paths.h"

#include <QLockFile>
#include <memory>

// The lock file the running console holds in the application folder: a
// second console on the folder is refused, and the maintenance tool knows
// not to replace or rewrite the books under it.
class ConsoleLock
{
public:
    static QString path(const Paths &paths) { return paths.home() + QStringLiteral("/korvane.lock"); }

    // Takes the lock; false when another live process holds it, or when the
    // lock file cannot be made (heldElsewhere() tells which).
    bool take(const Paths &paths);
    bool heldElsewhere() const { return m_heldElsewhere; }
    bool held() const { return m_lock && m_lock->isLocked(); }
    // Whether the lock was left by a program that died: the last console
    // ended without closing (killed, crashed, or the power went).
    bool tookOverFromTheDead() const { return m_stale; }
    void release() { m_lock.reset(); }

    // Whether a console (or another tool) holds the folder now.
    static bool isHeld(const Paths &paths);

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_stale = false;
    bool m_heldElsewhere = false;
};
