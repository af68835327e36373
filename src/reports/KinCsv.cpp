#include "reports/KinCsv.h"

#include "base/PrivateFile.h"

#include <QLocale>
#include <QSaveFile>

namespace KinCsv {

namespace {

QString clock(const QTime &t) { return t.isValid() ? t.toString(QStringLiteral("HH:mm:ss")) : QString(); }

QStringList header(const KinFilter &f)
{
    if (f.kind == KinFilter::Kind::User)
        return {QStringLiteral("COMPUTER"), QStringLiteral("DATE"), QStringLiteral("START TIME"),
                QStringLiteral("END TIME"), QStringLiteral("TIME"), QStringLiteral("PIN")};
    return {QStringLiteral("COMPUTER"), QStringLiteral("DATE"),  QStringLiteral("START DATE"),
            QStringLiteral("END TIME"), QStringLiteral("TIME"),  QStringLiteral("CHARGE"),
            QStringLiteral("EXTRA"),    QStringLiteral("TOTAL"), QStringLiteral("REASON")};
}

QString line(const KinFilter &f, const KinRow &r)
{
    QStringList fields{field(r.computer), r.startdate.toString(Qt::ISODate),
                       clock(r.starttime.isValid() ? r.starttime.time() : QTime()), clock(r.endtime.value_or(QTime())),
                       field(r.totaltime)};
    if (f.kind == KinFilter::Kind::User) {
        fields << field(r.userpin);
    } else {
        fields << field(number(r.timecharged), false) << field(number(r.extra), false) << field(number(r.total), false)
               << field(r.reason);
    }
    return fields.join(separator());
}

} // namespace

QString number(const std::optional<Money> &m)
{
    if (!m)
        return QString();
    const qint64 cents = m->cents();
    const qint64 abs = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2%3%4")
        .arg(cents < 0 ? QStringLiteral("-") : QString())
        .arg(abs / 100)
        .arg(QLocale().decimalPoint())
        .arg(abs % 100, 2, 10, QLatin1Char('0'));
}

QChar separator() { return QLocale().decimalPoint() == QLatin1String(",") ? QLatin1Char(';') : QLatin1Char(','); }

QString field(const QString &text, bool isText)
{
    QString t = text;
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (isText && !t.isEmpty() && formulaStarts.contains(t.at(0)))
        t.prepend(QLatin1Char('\''));
    if (t.contains(separator()) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\n'))
        || t.contains(QLatin1Char('\r')) || t.startsWith(QLatin1Char(' ')) || t.endsWith(QLatin1Char(' ')))
        t = QLatin1Char('"') + t.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return t;
}

Result<qint64> write(KinBook &book, const KinFilter &filter, const QString &path, const KinProgress &progress)
{
    const Result<KinSums> sums = book.sums(filter);
    if (!sums)
        return failure(sums.error());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(PrivateFile::kMode))
        return failure(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    file.write("\xEF\xBB\xBF");
    file.write((header(filter).join(separator()) + QStringLiteral("\r\n")).toUtf8());
    qint64 rows = 0;
    KinCursor cursor;
    while (rows < sums->count) {
        if (progress && !progress(rows, sums->count)) {
            file.cancelWriting();
            return failure(QStringLiteral("The export was cancelled; nothing was saved."));
        }
        const Result<KinPage> page = book.page(filter, 2048, cursor);
        if (!page) {
            file.cancelWriting();
            return failure(page.error());
        }
        if (page->rows.isEmpty())
            break;
        QString chunk;
        for (const KinRow &r : page->rows) {
            if (rows == sums->count)
                break;
            ++rows;
            chunk += line(filter, r) + QStringLiteral("\r\n");
        }
        file.write(chunk.toUtf8());
        cursor = page->next;
    }
    if (!file.commit())
        return failure(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    return rows;
}

} // namespace KinCsv
