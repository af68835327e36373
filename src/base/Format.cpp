#include "base/Format.h"

namespace Format {

QLocale chooseLocale(const QString &option)
{
    QString name = option;
    if (name.isEmpty())
        name = qEnvironmentVariable("KORVANE_LOCALE");
    QLocale locale = name.isEmpty() ? QLocale::system() : QLocale(name);
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::Greek, QLocale::Greece);
    return locale;
}

namespace {
// The digits of an amount without its sign, from the whole cents, in the
// locale's own digits.
QString unsignedAmount(const QLocale &locale, qint64 cents)
{
    const qint64 absCents = cents < 0 ? -cents : cents;
    const qint64 fraction = absCents % 100;
    return locale.toString(absCents / 100) + locale.decimalPoint() + (fraction < 10 ? locale.zeroDigit() : QString())
           + locale.toString(fraction);
}
} // namespace

QString amount(Money m)
{
    const QLocale locale;
    const qint64 cents = m.cents();
    const QString text = unsignedAmount(locale, cents);
    return cents < 0 ? locale.negativeSign() + text : text;
}

QString currency(Money m)
{
    // The locale's currency form is taken from a one and the amount's own
    // digits put in its place: a double would round amounts past 2^53 cents.
    const QLocale locale;
    const qint64 cents = m.cents();
    const QString form = locale.toCurrencyString(cents < 0 ? -1.0 : 1.0, QString(), 2);
    return QString(form).replace(locale.toString(1.0, 'f', 2), unsignedAmount(locale, cents));
}

namespace {
QString clockText(qint64 seconds, int hourWidth)
{
    const bool negative = seconds < 0;
    const qint64 s = negative ? -seconds : seconds;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(s / 3600, hourWidth, 10, QLatin1Char('0'))
                       .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                       .arg(s % 60, 2, 10, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + text : text;
}
} // namespace

QString duration(qint64 seconds) { return clockText(seconds, 1); }
QString timeLeft(qint64 seconds) { return clockText(seconds, 2); }

QString minutes(qint64 count)
{
    const bool negative = count < 0;
    const qint64 m = negative ? -count : count;
    const QString text =
        QStringLiteral("%1:%2").arg(m / 60, 2, 10, QLatin1Char('0')).arg(m % 60, 2, 10, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + text : text;
}

qint64 minuteBoundaries(const QDateTime &from, const QDateTime &to)
{
    // Work on local wall-clock values so that a DST change does not add a minute.
    const auto wall = [](const QDateTime &t) {
        return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute()), Qt::UTC);
    };
    return wall(from).secsTo(wall(to)) / 60;
}

QString longTime(const QTime &t) { return t.toString(QStringLiteral("HH:mm:ss")); }

QString dateFormat()
{
    QString f = QLocale().dateFormat(QLocale::ShortFormat);
    if (!f.contains(QStringLiteral("yyyy")))
        f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

QString shortDate(const QDate &d) { return d.toString(dateFormat()); }

} // namespace Format
