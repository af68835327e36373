#include "ui/Money.h"

#include <QRegularExpression>

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

std::optional<Money> Money::parse(const QString &input, const QLocale &locale)
{
    QString text;
    for (const QChar c : input) {
        if (c.isDigit() || c == QLatin1Char(',') || c == QLatin1Char('.') || c == QLatin1Char('-'))
            text.append(c);
        else if (c.isSpace() || c == QChar(0x00A0) || c == QChar(0x202F) || c.isLetter()
                 || c.category() == QChar::Symbol_Currency)
            continue;
        else
            return std::nullopt;
    }
    bool negative = false;
    if (text.startsWith(QLatin1Char('-'))) {
        negative = true;
        text.remove(0, 1);
    }
    if (text.isEmpty() || text.contains(QLatin1Char('-')))
        return std::nullopt;

    const QChar decimal = locale.decimalPoint().isEmpty() ? QLatin1Char('.') : locale.decimalPoint().at(0);
    const int lastComma = text.lastIndexOf(QLatin1Char(','));
    const int lastDot = text.lastIndexOf(QLatin1Char('.'));
    int decimalAt = -1;
    if (lastComma >= 0 && lastDot >= 0) {
        decimalAt = qMax(lastComma, lastDot);
    } else if (lastComma >= 0 || lastDot >= 0) {
        const QChar sep = lastComma >= 0 ? QLatin1Char(',') : QLatin1Char('.');
        const int at = qMax(lastComma, lastDot);
        const bool several = text.count(sep) > 1;
        const bool looksGrouped = text.size() - at - 1 == 3 && sep != decimal;
        decimalAt = (several || looksGrouped) ? -1 : at;
    }
    QString whole = decimalAt >= 0 ? text.left(decimalAt) : text;
    QString fraction = decimalAt >= 0 ? text.mid(decimalAt + 1) : QString();
    // Group separators only between groups of three digits.
    const QStringList groups = whole.split(QRegularExpression(QStringLiteral("[.,]")));
    for (int i = 0; i < groups.size(); ++i) {
        const int n = int(groups.at(i).size());
        if (groups.size() > 1 && (i == 0 ? (n < 1 || n > 3) : n != 3))
            return std::nullopt;
    }
    whole.remove(QLatin1Char(','));
    whole.remove(QLatin1Char('.'));
    if (fraction.contains(QLatin1Char(',')) || fraction.contains(QLatin1Char('.')))
        return std::nullopt;
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (whole.size() > 14)
        return std::nullopt;
    bool ok = true;
    const qint64 w = whole.isEmpty() ? 0 : whole.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    // Keep four decimals, rounding a fifth.
    qint64 f = 0;
    const QString digits = (fraction + QStringLiteral("00000")).left(5);
    f = digits.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    qint64 units = w * Scale + divRound(f, 10);
    return Money::fromUnits(negative ? -units : units);
}
