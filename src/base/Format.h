#pragma once

#include "base/Money.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

// The one place that turns money, times and durations into text. It formats
// with the default QLocale, chosen once at start-up by chooseLocale().
namespace Format {

// --locale or KORVANE_LOCALE, else the system's; a C/POSIX locale falls back
// to Greek (comma decimals, euro), the café's home convention.
QLocale chooseLocale(const QString &option);

// Amount in the locale's number form with two decimals: "0,00", "1.234,50".
QString amount(Money m);
// Amount in the locale's currency form: "1.234,50 €".
QString currency(Money m);

// Time used, "H:mm:ss"; the hours are not wrapped at 24.
QString duration(qint64 seconds);
// Time left, "hh:mm:ss"; a time past is shown with a leading minus.
QString timeLeft(qint64 seconds);
// A count of minutes, "HH:MM".
QString minutes(qint64 minutes);

// Minute boundaries crossed between two instants: both are truncated to the
// minute, then subtracted (10:00:59 to 10:01:00 is one).
qint64 minuteBoundaries(const QDateTime &from, const QDateTime &to);

// Times of day always "HH:mm:ss"; dates in the locale's short form with a
// four-digit year.
QString longTime(const QTime &t);
QString shortDate(const QDate &d);
QString dateFormat();

} // namespace Format
