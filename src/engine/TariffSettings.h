#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

class CafeStore;

// What the two tariff windows read and write. Each update returns the
// message the window shows: the first complaint about the boxes, a database
// failure, or the confirmation. Nothing is stored unless every box is sound.
namespace TariffSettings {

// The six hourly rates in the locale's currency form ("Rate 1" to "Rate 6").
Result<QStringList> getRates(CafeStore &cafe);
QString updateRates(CafeStore &cafe, const QStringList &boxes);

struct Boxes
{
    QString fixed;   // "Minimum Charge"
    QString mintime; // "Minimum Time in minutes"
    QString toltime; // "Tolerance in minutes"
};
Result<Boxes> getSettings(CafeStore &cafe);
// Stored in the books now; the engine takes it up at the next start.
QString update(CafeStore &cafe, const Boxes &boxes);

} // namespace TariffSettings
