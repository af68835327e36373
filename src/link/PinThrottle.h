#pragma once

#include <QHash>
#include <QList>
#include <QSet>

class Clock;

// Slows PIN guessing down. Unknown PINs are counted per client address over
// ten minutes and over a day, and over a day for the whole café; an address
// past one of its limits is paused (its PINs are refused unseen) until its
// oldest counted failure leaves the window. Past the café's limit, only
// addresses without an unknown PIN that day are looked up, so that customers
// at other computers still log on. A valid PIN erases nothing: the windows
// slide on their own. The limits and what they cost a guesser are in
// docs/reliability.md.
class PinThrottle
{
public:
    static constexpr int BurstFailures = 5;
    static constexpr qint64 BurstSecs = 10 * 60;
    static constexpr int DayFailures = 30;
    static constexpr qint64 DaySecs = 24 * 3600;
    static constexpr int CafeFailures = 600; // within DaySecs, all addresses together

    // What a failure gives the operator to hear: an address paused for the
    // first time since its last quiet day, or the café reaching its limit.
    struct Notice
    {
        bool address = false;
        bool cafe = false;
    };

    explicit PinThrottle(const Clock &clock)
        : m_clock(clock)
    {}

    bool isPaused(quint32 address) const;
    // Seconds until an address's own limits no longer pause it (0 when they
    // do not); the café's limit is left out, as one address cannot see it.
    qint64 pausedForSecs(quint32 address) const;
    // Counts an unknown PIN from an address that was not paused.
    Notice failed(quint32 address);

private:
    qint64 now() const;
    bool overOwnLimits(const QList<qint64> &failures, qint64 now) const;
    void forgetQuiet(qint64 now);

    const Clock &m_clock;
    // Times of the latest failures, oldest first, as many as a limit needs.
    QHash<quint32, QList<qint64>> m_failures;
    QList<qint64> m_cafe;
    QSet<quint32> m_told;
    bool m_cafeTold = false;
};
