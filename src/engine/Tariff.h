#pragma once

#include "store/Records.h"
#include "base/Money.h"

#include <QtGlobal>

// The charge for time used: started half-hours after the tolerance is taken
// off, or the minimum charge for a use no longer than the minimum time.
namespace Tariff {

// Started half-hours in (minutes - tolerance). Integer arithmetic, so the
// decimal separator of the locale plays no part; never below zero, so a
// tolerance far larger than the use cannot make a charge negative.
qint64 blocks(qint64 minutes, qint64 tolerance);

// The price of one half-hour of an hourly rate, exact (no rounding to cents).
Money halfHourPrice(Money hourlyRate);

// The charge for `minutes` of use at `halfHour` per started half-hour,
// unrounded; round to cents where it is shown or stored. nullopt when it
// would pass the amount limit.
std::optional<Money> timeCharge(qint64 minutes, Money halfHour, const RateSettings &settings);

} // namespace Tariff
