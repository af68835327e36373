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
    // Cash typed at the counter: parsed as above, not negative, within the
    // amount limit, to the cent.
    static std::optional<Money> parseCash(const QString &text, const QLocale &locale = QLocale());

    // Bounds far above any café's use and far below where 64 bits overflow,
    // so that the sums of many bills still add up exactly. A price at most
    // times a quantity at most stays within the amount limit.
    static constexpr qint64 MaxPrice = 10'000'000 * Scale;   // a product, an hourly rate, a minimum charge
    static constexpr qint64 MaxQuantity = 10'000;            // of one product on one charge
    static constexpr qint64 Limit = 100'000'000'000 * Scale; // any amount, either sign: a line, a bill, a total
    bool isPrice() const { return m_units >= 0 && m_units <= MaxPrice; }
    bool inBounds() const { return m_units >= -Limit && m_units <= Limit; }

    // Checked arithmetic: nullopt when the result would leave the bounds.
    std::optional<Money> plus(Money o) const;
    std::optional<Money> times(qint64 n) const;
    // Halving for the half-hour price: exact while the rate has at most three decimals.
    Money half() const;
    constexpr bool operator==(const Money &) const = default;
    constexpr auto operator<=>(const Money &) const = default;
    constexpr bool isZero() const { return m_units == 0; }

private:
    constexpr explicit Money(qint64 units)
        : m_units(units)
    {}
    qint64 m_units = 0;
};
