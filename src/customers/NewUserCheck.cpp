#include "customers/NewUserCheck.h"

#include <QRegularExpression>
#include <cmath>

namespace NewUserCheck {

namespace {
Outcome refuse(const char *message, Field field)
{
    Outcome o;
    o.kind = Outcome::Kind::Refuse;
    o.message = QString::fromLatin1(message);
    o.field = field;
    return o;
}

Outcome fill(Field field)
{
    Outcome o;
    o.kind = Outcome::Kind::Fill;
    o.field = field;
    return o;
}
} // namespace

std::optional<double> number(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*([0-9]*)(?:[.,]([0-9]*))?\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(2).isEmpty()))
        return std::nullopt;
    const double value = QStringLiteral("0%1.%2").arg(m.captured(1), m.captured(2) + QLatin1Char('0')).toDouble();
    // A billion hours is no credit anyone buys; beyond it the minutes would overflow.
    if (!std::isfinite(value) || value > 1e9)
        return std::nullopt;
    return value;
}

Outcome check(const QString &name, const QString &lastname, const QString &telephone, const QString &hours,
              const QString &minutes)
{
    const char *const numbersOnly = "Only Numbers Are Accepted In This Field";
    if (name.trimmed().isEmpty())
        return refuse("No Name Was Entered", Field::Name);
    if (lastname.trimmed().isEmpty())
        return refuse("No Last Name Was Entered", Field::LastName);
    if (telephone.trimmed().isEmpty())
        return refuse("No Telephone Number Was Entered", Field::Telephone);
    if (hours.isEmpty())
        return fill(Field::Hours);
    if (minutes.isEmpty())
        return fill(Field::Minutes);
    const std::optional<double> h = number(hours);
    if (!h)
        return refuse(numbersOnly, Field::Hours);
    const std::optional<double> m = number(minutes);
    if (!m)
        return refuse(numbersOnly, Field::Minutes);
    if (*m > 59)
        return refuse("Please Use Less Than 59 Minutes", Field::None);
    if (hours == QLatin1String("00") && minutes == QLatin1String("00"))
        return refuse("No Time Was Entered", Field::None);
    Outcome o;
    o.minutes = std::llround(*h * 60) + std::llround(*m);
    return o;
}

} // namespace NewUserCheck
