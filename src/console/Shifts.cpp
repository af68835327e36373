#include "console/Shifts.h"

#include "base/Clock.h"
#include "base/Format.h"
#include "store/CafeStore.h"

Shifts::Shifts(CafeStore &cafe, const Clock &clock)
    : m_cafe(cafe)
    , m_clock(clock)
{}

Result<std::optional<ShiftRow>> Shifts::current() { return m_cafe.openShift(); }

Result<Money> Shifts::cashFrom(const QString &text)
{
    const std::optional<Money> cash = Money::parseCash(text);
    if (!cash)
        return failure(QStringLiteral("\"%1\" Is Not An Amount").arg(text));
    return *cash;
}

Result<qint64> Shifts::open(const QString &role, const QString &cash)
{
    const Result<Money> counted = cashFrom(cash);
    if (!counted)
        return failure(counted.error());
    return m_cafe.beginShift(role, m_clock.now(), *counted);
}

Result<Money> Shifts::expected(const ShiftRow &shift)
{
    const Result<ShiftFigures> f = m_cafe.figures(shift.aa);
    if (!f)
        return failure(f.error());
    const auto sum = f->expected(shift.openingCash);
    if (!sum)
        return failure(QStringLiteral("The shift's takings are past the bounds of the books."));
    return *sum;
}

Result<Shifts::Closing> Shifts::close(const QString &role, const QString &counted)
{
    const Result<std::optional<ShiftRow>> open = current();
    if (!open)
        return failure(open.error());
    if (!*open)
        return failure(QStringLiteral("No shift is open at this console."));
    if (isCashier(role) && (*open)->operatorName != role)
        return failure(QStringLiteral("This shift was opened by the administrator, who closes it."));
    const Result<Money> cash = cashFrom(counted);
    if (!cash)
        return failure(cash.error());
    // Figures and close in one transaction: a bill confirmed in between
    // would belong to the shift without being counted in it.
    Closing c{**open, {}, {}, *cash};
    QString refused;
    const Result<void> done = m_cafe.atomically([&] {
        const Result<ShiftFigures> f = m_cafe.figures(c.shift.aa);
        const Result<Money> e = expected(c.shift);
        const Result<void> ended = f && e ? m_cafe.endShift(c.shift.aa, m_clock.now(), c.counted, *e) : Result<void>();
        if (!f || !e || !ended) {
            refused = !f ? f.error() : !e ? e.error() : ended.error();
            return false;
        }
        c.figures = *f;
        c.expected = *e;
        return true;
    });
    if (!done)
        return failure(refused.isEmpty() ? done.error() : refused);
    c.shift.closed = m_clock.now();
    c.shift.counted = c.counted;
    c.shift.expected = c.expected;
    return c;
}

Result<QList<ShiftRow>> Shifts::visible(const QString &role)
{
    return m_cafe.shifts(isCashier(role) ? role : QString());
}

QString Shifts::summary(const Closing &c)
{
    const qint64 diff = c.difference().units();
    return QStringLiteral("Expected in the drawer: %1\nCounted: %2\n%3: %4")
        .arg(Format::currency(c.expected), Format::currency(c.counted),
             diff == 0  ? QStringLiteral("No difference")
             : diff > 0 ? QStringLiteral("Over")
                        : QStringLiteral("Short"),
             Format::currency(Money::fromUnits(diff < 0 ? -diff : diff)));
}
