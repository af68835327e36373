#pragma once

#include "base/Money.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVariant>
#include <optional>

// How values travel between C++ and the database columns.
namespace StoreValues {

inline QVariant date(const QDate &d) { return d.isValid() ? QVariant(d.toString(Qt::ISODate)) : QVariant(); }
inline QVariant dateTime(const QDateTime &t)
{
    return t.isValid() ? QVariant(t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))) : QVariant();
}
inline QVariant time(const QTime &t)
{
    return t.isValid() ? QVariant(t.toString(QStringLiteral("HH:mm:ss"))) : QVariant();
}
inline QVariant money(const std::optional<Money> &m) { return m ? QVariant(m->units()) : QVariant(); }
inline QVariant optionalInt(const std::optional<qint64> &n) { return n ? QVariant(*n) : QVariant(); }
template <typename T>
QVariant optional(const std::optional<T> &v)
{
    return v ? QVariant::fromValue(*v) : QVariant();
}

inline QDate toDate(const QVariant &v) { return QDate::fromString(v.toString(), Qt::ISODate); }
inline QDateTime toDateTime(const QVariant &v)
{
    return QDateTime::fromString(v.toString(), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}
inline QTime toTime(const QVariant &v) { return QTime::fromString(v.toString(), QStringLiteral("HH:mm:ss")); }
inline std::optional<Money> toMoney(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return Money::fromUnits(v.toLongLong());
}
inline std::optional<qint64> toOptionalInt(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toLongLong();
}

} // namespace StoreValues
