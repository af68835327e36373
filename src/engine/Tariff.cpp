#include "engine/Tariff.h"

namespace Tariff {

qint64 blocks(qint64 minutes, qint64 tolerance)
{
    const qint64 d = minutes - tolerance;
    // Truncation toward zero, plus one for a started half-hour.
    const qint64 count = d / 30 + (d % 30 != 0 ? 1 : 0);
    return count < 0 ? 0 : count;
}

Money halfHourPrice(Money hourlyRate) { return hourlyRate.half(); }

std::optional<Money> timeCharge(qint64 minutes, Money halfHour, const RateSettings &settings)
{
    if (minutes <= settings.mintime)
        return settings.fixed;
    return halfHour.times(blocks(minutes, settings.toltime));
}

} // namespace Tariff
