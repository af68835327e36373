#include "console/OptionsCheck.h"

#include <QLocale>
#include <cmath>

namespace OptionsCheck {

std::variant<double, Refusal> seconds(const QString &text)
{
    if (text.isEmpty())
        return Refusal{QStringLiteral("Check Time Was Not Entered"), Prompter::Icon::Critical};
    // A comma and a point are both the decimal mark, whatever the locale:
    // "7,5" and "7.5" are seven and a half seconds, never 75.
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return Refusal{QStringLiteral(" Only Numbers In This Field"), Prompter::Icon::None};
    if (v < MinimumSeconds)
        return Refusal{QStringLiteral("The Time You Entered Is To Small"), Prompter::Icon::Critical};
    return std::min(v, MaximumSeconds);
}

QString intervalLine(double seconds) { return QString::number(std::llround(seconds * 1000)); }

} // namespace OptionsCheck
