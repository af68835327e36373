#include "base/Money.h"

namespace {
qint64 divRound(qint64 value, qint64 by)
{
    const qint64 q = value / by;
    const qint64 r = value % by;
    if (2 * (r < 0 ? -r : r) >= by)
        return q + (value < 0 ? -1 : 1);
    return q;
}
} // namespace

Money Money::roundedToCents() const { return Money(divRound(m_units, 100) * 100); }

Money Money::half() const { return Money(divRound(m_units, 2)); }

namespace {
std::optional<Money> bounded(bool overflowed, qint64 units)
{
    const Money m = Money::fromUnits(units);
    if (overflowed || !m.inBounds())
        return std::nullopt;
    return m;
}
} // namespace

std::optional<Money> Money::plus(Money o) const
{
    qint64 sum = 0;
    const bool overflowed = __builtin_add_overflow(m_units, o.m_units, &sum);
    return bounded(overflowed, sum);
}

std::optional<Money> Money::times(qint64 n) const
{
    qint64 product = 0;
    const bool overflowed = __builtin_mul_overflow(m_units, n, &product);
    return bounded(overflowed, product);
}

namespace {
bool allDigits(QStringView text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool isBlank(QChar c) { return c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F); }

// The whole part: plain digits, or groups of three after the first, split
// by the locale's own group separator (any blank where that is a blank).
std::optional<QString> wholeDigits(QStringView text, const QLocale &locale)
{
    if (allDigits(text))
        return text.toString();
    const QString group = locale.groupSeparator();
    const bool blankGroups = group.size() == 1 && isBlank(group.at(0));
    QString digits;
    int run = 0;
    bool first = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits += c;
            ++run;
            continue;
        }
        const bool separator = blankGroups ? isBlank(c) : (!group.isEmpty() && text.mid(i).startsWith(group));
        if (!separator || run < 1 || (first ? run > 3 : run != 3))
            return std::nullopt;
        if (!blankGroups)
            i += group.size() - 1;
        first = false;
        run = 0;
    }
    if (run != 3)
        return std::nullopt;
    return digits;
}
} // namespace

std::optional<Money> Money::parse(const QString &input, const QLocale &locale)
{
    QString text = input.trimmed();
    bool negative = false;
    const QString minus = locale.negativeSign();
    const QString plus = locale.positiveSign();
    if (text.startsWith(QLatin1Char('-')) || (!minus.isEmpty() && text.startsWith(minus))) {
        negative = true;
        text.remove(0, text.startsWith(QLatin1Char('-')) ? 1 : minus.size());
    } else if (text.startsWith(QLatin1Char('+')) || (!plus.isEmpty() && text.startsWith(plus))) {
        text.remove(0, text.startsWith(QLatin1Char('+')) ? 1 : plus.size());
    }
    // The locale's currency symbol, at either end, as its currency form shows it.
    const QString symbol = locale.currencySymbol();
    if (!symbol.isEmpty() && text.startsWith(symbol))
        text = text.mid(symbol.size()).trimmed();
    else if (!symbol.isEmpty() && text.endsWith(symbol))
        text = text.chopped(symbol.size()).trimmed();

    const QString decimal = locale.decimalPoint().isEmpty() ? QStringLiteral(".") : locale.decimalPoint();
    const qsizetype at = text.indexOf(decimal);
    if (at >= 0 && text.indexOf(decimal, at + 1) >= 0)
        return std::nullopt;
    const QStringView whole = at >= 0 ? QStringView(text).left(at) : QStringView(text);
    const QStringView fraction = at >= 0 ? QStringView(text).mid(at + decimal.size()) : QStringView();
    if ((whole.isEmpty() && fraction.isEmpty()) || (at >= 0 && fraction.isEmpty()) || !allDigits(fraction))
        return std::nullopt;
    const auto digits = whole.isEmpty() ? std::optional<QString>(QString()) : wholeDigits(whole, locale);
    if (!digits || digits->size() > 14)
        return std::nullopt;
    const qint64 w = digits->isEmpty() ? 0 : digits->toLongLong();
    // Keep four decimals, rounding a fifth.
    const qint64 f = (fraction.toString() + QStringLiteral("00000")).left(5).toLongLong();
    const qint64 units = w * Scale + divRound(f, 10);
    return Money::fromUnits(negative ? -units : units);
}

std::optional<Money> Money::parseCash(const QString &text, const QLocale &locale)
{
    const std::optional<Money> m = parse(text, locale);
    if (!m || m->units() < 0 || m->units() > Limit)
        return std::nullopt;
    return m->roundedToCents();
}
