#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <optional>

// Money as whole ten-thousandths of the currency unit, exact like a currency
// type. Rounded to cents only where an amount is shown or closed into a bill.
class Money
{
public:
    static constexpr qint64 Scale = 10000;

    constexpr Money() = default;
    static constexpr Money fromUnits(qint64 units) { return Money(units); }
    static constexpr Money fromCents(qint64 cents) { return Money(cents * 100); }

    constexpr qint64 units() const { return m_units; }
    // Half away from zero, as a cash register rounds.
    Money roundedToCents() const;
    qint64 cents() const { return roundedToCents().m_units / 100; }

    // The locale's own form only: an optional sign, digits (grouped only as
    // the locale groups them), at most one decimal separator of the locale,
    // and the locale's currency symbol at either end: "2,50", "1.234,50",
    // "2,50 €" in Greek. Anything else ("2.5" in Greek, "1O", "1e5") is
    // refused. At most four decimals are kept, the fifth rounded.
    static std::optional<Money> parse(const QString &text, const QLocale &locale = QLocale());

    constexpr Money operator+(Money o) const { return Money(m_units + o.m_units); }
    constexpr Money operator-(Money o) const { return Money(m_units - o.m_units); }
    constexpr Money operator*(qint64 n) const { return Money(m_units * n); }
    // Halving for the half-hour price: exact while the rate has at most three decimals.
    Money half() const;
    Money &operator+=(Money o)
    {
        m_units += o.m_units;
        return *this;
    }
    constexpr bool operator==(const Money &) const = default;
    constexpr auto operator<=>(const Money &) const = default;
    constexpr bool isZero() const { return m_units == 0; }

private:
    constexpr explicit Money(qint64 units)
        : m_units(units)
    {}
    qint64 m_units = 0;
};
