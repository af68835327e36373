#pragma once

#include "base/Clock.h"

// A clock that only moves when told to; used by tests and benchmarks.
class SettableClock : public Clock
{
public:
    explicit SettableClock(const QDateTime &start = QDateTime(QDate(2026, 3, 2), QTime(10, 0)))
        : m_now(start)
    {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }
    void advance(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};
