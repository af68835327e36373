#pragma once

#include <QString>

// The hours and minutes of the add-time picker, stepped one minute per tick
// of the held button. The minutes run 00, 1, 2, ... 58 and then the hour
// goes up; down runs the same road back and stops at 00:00.
class AddTimePicker
{
public:
    enum class Direction { None, Up, Down };

    void setDirection(Direction d) { m_direction = d; }
    // One step in the current direction.
    void tick();

    qint64 hours() const { return m_hours; }
    qint64 minutes() const { return m_minutes; }
    qint64 total() const { return m_hours * 60 + m_minutes; }
    QString hoursText() const { return text(m_hours); }
    QString minutesText() const { return text(m_minutes); }

private:
    static QString text(qint64 n) { return n == 0 ? QStringLiteral("00") : QString::number(n); }

    Direction m_direction = Direction::None;
    qint64 m_hours = 0;
    qint64 m_minutes = 0;
};
