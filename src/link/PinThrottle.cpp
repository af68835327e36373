#include "link/PinThrottle.h"

#include "ui/Clock.h"

#include <algorithm>

namespace {
// Addresses seen failing; a café's network holds far fewer.
constexpr qsizetype TrackedLimit = 4096;
} // namespace

bool PinThrottle::isPaused(quint32 address) const
{
    const auto it = m_entries.constFind(address);
    return it != m_entries.constEnd() && it->pausedUntil.isValid() && m_clock.now() < it->pausedUntil;
}

bool PinThrottle::failed(quint32 address)
{
    const QDateTime now = m_clock.now();
    if (!m_entries.contains(address) && m_entries.size() >= TrackedLimit)
        forgetQuiet(now);
    Entry &e = m_entries[address];
    if (!e.windowStart.isValid() || e.windowStart.secsTo(now) >= WindowSecs) {
        e.windowStart = now;
        e.failures = 0;
    }
    if (++e.failures < FailuresAllowed)
        return false;
    const qint64 pause = std::min(FirstPauseSecs << std::min(e.pauses, 12), LongestPauseSecs);
    e.pausedUntil = now.addSecs(pause);
    ++e.pauses;
    e.failures = 0;
    e.windowStart = QDateTime();
    if (m_told.contains(address))
        return false;
    m_told.insert(address);
    return true;
}

void PinThrottle::forgetQuiet(const QDateTime &now)
{
    // An address quiet for the longest pause has stopped guessing.
    m_entries.removeIf([&now](QHash<quint32, Entry>::iterator it) {
        const Entry &e = it.value();
        const QDateTime last = e.pausedUntil.isValid() ? e.pausedUntil : e.windowStart;
        return !last.isValid() || last.secsTo(now) >= LongestPauseSecs;
    });
}
