#include "customers/AddTimePicker.h"

void AddTimePicker::tick()
{
    if (m_direction == Direction::Up) {
        if (++m_minutes == 59) {
            ++m_hours;
            m_minutes = 0;
        }
    } else if (m_direction == Direction::Down) {
        if (m_minutes > 0) {
            --m_minutes;
        } else if (m_hours > 0) {
            --m_hours;
            m_minutes = 58;
        }
    }
}
