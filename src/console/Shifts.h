#pragma once

#include "base/Result.h"
#include "store/Records.h"

#include <QList>
#include <QString>
#include <optional>

class CafeStore;
class Clock;

// Shifts and the cash drawer at this console. An operator opens a shift with
// the cash counted into the drawer; closing asks the cash counted out and
// sets it against what the books expect: the opening cash, every bill
// confirmed and every account sale made during the shift. The cashier opens
// and closes his own shifts and sees only them; the administrator sees every
// shift and may close the one open here.
class Shifts
{
public:
    // What closing found.
    struct Closing
    {
        ShiftRow shift;
        ShiftFigures figures;
        Money expected;
        Money counted;
        Money difference() const { return Money::fromUnits(counted.units() - expected.units()); }
    };

    Shifts(CafeStore &cafe, const Clock &clock);

    // The shift open at this console, if any.
    Result<std::optional<ShiftRow>> current();
    // `role` is the operator account logged in ("admin", or "user" for the cashier).
    Result<qint64> open(const QString &role, const QString &cash);
    Result<Closing> close(const QString &role, const QString &counted);
    // What the drawer should hold now: the opening cash and what was taken since.
    Result<Money> expected(const ShiftRow &shift);
    Result<QList<ShiftRow>> visible(const QString &role);

    static QString summary(const Closing &c);
    static bool isCashier(const QString &role) { return role == QLatin1String("user"); }

private:
    Result<Money> cashFrom(const QString &text);

    CafeStore &m_cafe;
    const Clock &m_clock;
};
