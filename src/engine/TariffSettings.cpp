#include "engine/TariffSettings.h"

#include "store/CafeStore.h"
#include "base/Format.h"

namespace {
// A whole number of minutes, not negative.
std::optional<qint64> minutesFrom(const QString &text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    if (!ok || n < 0)
        return std::nullopt;
    return n;
}

std::optional<Money> amountFrom(const QString &text)
{
    const auto m = Money::parse(text);
    if (!m || !m->isPrice())
        return std::nullopt;
    return m;
}
} // namespace

namespace TariffSettings {

Result<QStringList> getRates(CafeStore &cafe)
{
    const auto rates = cafe.rates();
    if (!rates)
        return failure(rates.error());
    QStringList boxes;
    for (const Money &rate : *rates)
        boxes << Format::currency(rate);
    return boxes;
}

QString updateRates(CafeStore &cafe, const QStringList &boxes)
{
    QList<Money> rates;
    for (int i = 0; i < 6; ++i) {
        const QString text = boxes.value(i).trimmed();
        if (text.isEmpty())
            return QStringLiteral("Rate %1 Was Not Entered").arg(i + 1);
        const auto rate = amountFrom(text);
        if (!rate)
            return QStringLiteral("Rate %1 Is Not An Amount").arg(i + 1);
        rates << *rate;
    }
    if (const auto written = cafe.setRates(rates); !written)
        return QStringLiteral("The rates could not be stored.\n") + written.error();
    return QStringLiteral("Update complete");
}

Result<Boxes> getSettings(CafeStore &cafe)
{
    const auto settings = cafe.rateSettings();
    if (!settings)
        return failure(settings.error());
    return Boxes{Format::currency(settings->fixed), QString::number(settings->mintime), QString::number(settings->toltime)};
}

QString update(CafeStore &cafe, const Boxes &boxes)
{
    if (boxes.fixed.trimmed().isEmpty())
        return QStringLiteral("Minimum Charge Rate Was Not Entered ");
    // Both the minimum time and the tolerance are required; the message names the empty one.
    if (boxes.mintime.trimmed().isEmpty())
        return QStringLiteral("Minimum Time Was Not Entered");
    if (boxes.toltime.trimmed().isEmpty())
        return QStringLiteral("Tolerance Time Was Not Entered");
    const auto fixed = amountFrom(boxes.fixed);
    if (!fixed)
        return QStringLiteral("Minimum Charge Is Not An Amount");
    const auto mintime = minutesFrom(boxes.mintime);
    if (!mintime)
        return QStringLiteral("Minimum Time Is Not A Number Of Minutes");
    const auto toltime = minutesFrom(boxes.toltime);
    if (!toltime)
        return QStringLiteral("Tolerance Is Not A Number Of Minutes");
    if (const auto written = cafe.setRateSettings(*fixed, *mintime, *toltime); !written)
        return QStringLiteral("The settings could not be stored.\n") + written.error();
    return QStringLiteral("Update Complete");
}

} // namespace TariffSettings
