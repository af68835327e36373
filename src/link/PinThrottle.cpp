#include "link/PinThrottle.h"

#include "base/Clock.h"

#include <algorithm>
#include <utility>

namespace {
// Addresses seen failing; a café's network holds far fewer.
constexpr qsizetype TrackedLimit = 4096;

// Whether the latest `count` failures all fall within `window` seconds.
bool reached(const QList<qint64> &failures, int count, qint64 window, qint64 now)
{
    return failures.size() >= count && now - failures.at(failures.size() - count) < window;
}

void keepLatest(QList<qint64> &failures, int count)
{
    while (failures.size() > count)
        failures.removeFirst();
}
} // namespace

qint64 PinThrottle::now() const { return m_clock.now().toSecsSinceEpoch(); }

bool PinThrottle::overOwnLimits(const QList<qint64> &failures, qint64 now) const
{
    return reached(failures, BurstFailures, BurstSecs, now) || reached(failures, DayFailures, DaySecs, now);
}

bool PinThrottle::isPaused(quint32 address) const
{
    const auto it = m_failures.constFind(address);
    if (it == m_failures.constEnd() || it->isEmpty())
        return false;
    const qint64 t = now();
    if (overOwnLimits(*it, t))
        return true;
    return t - it->last() < DaySecs && reached(m_cafe, CafeFailures, DaySecs, t);
}

qint64 PinThrottle::pausedForSecs(quint32 address) const
{
    const QList<qint64> failures = m_failures.value(address);
    const qint64 t = now();
    qint64 secs = 0;
    // Paused, an address adds no failures: the pause ends when the oldest
    // failure of the limit it reached leaves that limit's window.
    for (const auto &[count, window] : {std::pair{BurstFailures, BurstSecs}, std::pair{DayFailures, DaySecs}})
        if (reached(failures, count, window, t))
            secs = std::max(secs, failures.at(failures.size() - count) + window - t);
    return secs;
}

PinThrottle::Notice PinThrottle::failed(quint32 address)
{
    const qint64 t = now();
    if (!m_failures.contains(address) && m_failures.size() >= TrackedLimit)
        forgetQuiet(t);
    QList<qint64> &failures = m_failures[address];
    // A day without a wrong PIN, and the address is told of again.
    if (!failures.isEmpty() && t - failures.last() >= DaySecs)
        m_told.remove(address);
    failures.append(t);
    keepLatest(failures, DayFailures);
    m_cafe.append(t);
    keepLatest(m_cafe, CafeFailures);

    Notice notice;
    if (overOwnLimits(failures, t) && !m_told.contains(address)) {
        m_told.insert(address);
        notice.address = true;
    }
    const bool cafeOver = reached(m_cafe, CafeFailures, DaySecs, t);
    notice.cafe = cafeOver && !m_cafeTold;
    m_cafeTold = cafeOver;
    return notice;
}

void PinThrottle::forgetQuiet(qint64 now)
{
    m_failures.removeIf([this, now](QHash<quint32, QList<qint64>>::iterator it) {
        const bool quiet = it->isEmpty() || now - it->last() >= DaySecs;
        if (quiet)
            m_told.remove(it.key());
        return quiet;
    });
}
