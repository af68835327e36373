#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>

class Clock;

// Slows PIN guessing down per client address: after a few unknown PINs
// within a minute, the address is paused (its PINs are refused unseen), and
// each further run of failures doubles the pause. A valid PIN starts the
// address afresh. Other addresses never wait for a guessing one.
class PinThrottle
{
public:
    static constexpr int FailuresAllowed = 5;
    static constexpr qint64 WindowSecs = 60;
    static constexpr qint64 FirstPauseSecs = 30;
    static constexpr qint64 LongestPauseSecs = 3600;

    explicit PinThrottle(const Clock &clock)
        : m_clock(clock)
    {}

    bool isPaused(quint32 address) const;
    // Counts an unknown PIN; true when this pauses the address for the
    // first time, so that the operator is told once per address.
    bool failed(quint32 address);
    void succeeded(quint32 address) { m_entries.remove(address); }

private:
    struct Entry
    {
        QDateTime windowStart;
        int failures = 0;
        int pauses = 0;
        QDateTime pausedUntil;
    };
    void forgetQuiet(const QDateTime &now);

    const Clock &m_clock;
    QHash<quint32, Entry> m_entries;
    QSet<quint32> m_told;
};
