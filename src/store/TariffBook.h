#pragma once

#include "store/BookArea.h"
#include "store/Records.h"
#include "base/Money.h"

#include <QList>
#include <QVariant>

// The tariff: the rates, the rate settings and the map's background.
class TariffBook : protected BookArea
{
public:
    Result<QList<Money>> rates();
    Result<void> setRates(const QList<Money> &rates);
    // The values of the last settings row, as start-up keeps them.
    Result<RateSettings> rateSettings();
    Result<void> setRateSettings(Money fixed, qint64 mintime, qint64 toltime);
    Result<void> setBackground(const QString &path);

protected:
    explicit TariffBook(SqlStore &sql)
        : BookArea(sql)
    {}
};
