#include "reports/ShiftSheet.h"

#include "base/Format.h"
#include "base/PrivateFile.h"
#include "reports/KinCsv.h"
#include "store/CafeStore.h"

#include <QSaveFile>

namespace {
using Line = ShiftSheet::Line;

QString when(const QDateTime &t)
{
    return t.isValid() ? Format::shortDate(t.date()) + t.time().toString(QStringLiteral(" HH:mm")) : QString();
}
} // namespace

Result<ShiftSheet> ShiftSheet::read(CafeStore &cafe, qint64 shift)
{
    // One transaction, so that the bills, sales and totals agree.
    ShiftSheet s;
    QString error;
    const Result<void> done = cafe.atomically([&] {
        const Result<ShiftRow> row = cafe.shift(shift);
        const Result<ShiftFigures> f = cafe.figures(shift);
        const Result<QList<KinRow>> bills = cafe.shiftBills(shift);
        const Result<QList<TimeSaleRow>> sales = cafe.shiftSales(shift);
        if (!row || !f || !bills || !sales) {
            error = !row ? row.error() : !f ? f.error() : !bills ? bills.error() : sales.error();
            return false;
        }
        s.heading = QStringLiteral("Shift Report");
        s.scope =
            QStringLiteral("%1    %2    Opened %3    %4")
                .arg(row->console, row->operatorName, when(row->opened),
                     row->isOpen() ? QStringLiteral("Still open") : QStringLiteral("Closed ") + when(row->closed));
        // Amount columns hold their money; the texts stay empty there.
        const auto detail = [&s](QStringList fields, QList<int> right, QList<std::optional<Money>> money) {
            Line line{Line::Kind::Detail, fields, right, {}};
            for (int i = 0; i < money.size(); ++i)
                if (money[i])
                    line.amounts.insert(right[i], *money[i]);
            s.lines << line;
        };
        s.lines << Line{Line::Kind::Section, {QStringLiteral("BILLS")}, {}}
                << Line{Line::Kind::Titles,
                        {QStringLiteral("COMPUTER"), QStringLiteral("START"), QStringLiteral("END"),
                         QStringLiteral("CHARGE"), QStringLiteral("EXTRA"), QStringLiteral("TOTAL"),
                         QStringLiteral("REASON")},
                        {3, 4, 5}};
        for (const KinRow &k : *bills)
            detail({k.computer,
                    when(k.starttime),
                    k.enddate && k.endtime ? when(QDateTime(*k.enddate, *k.endtime)) : QString(),
                    {},
                    {},
                    {},
                    k.reason},
                   {3, 4, 5}, {k.timecharged, k.extra, k.total});
        s.lines << Line{} << Line{Line::Kind::Section, {QStringLiteral("ACCOUNT TIME SOLD")}, {}}
                << Line{Line::Kind::Titles,
                        {QStringLiteral("SOLD"), QStringLiteral("CUSTOMER"), QStringLiteral("BOUGHT"),
                         QStringLiteral("PAID"), QStringLiteral("SOLD BY"), QStringLiteral("REASON")},
                        {3}};
        for (const TimeSaleRow &t : *sales)
            detail({when(t.at), t.customer, Format::minutes(t.minutes), {}, t.seller, t.reason}, {3}, {t.amount});
        const auto total = [&s](const QString &label, const std::optional<Money> &value, const QString &count = {}) {
            Line line{Line::Kind::Total, {label, count}, {1}, {}};
            if (value)
                line.amounts.insert(1, *value);
            s.lines << line;
        };
        s.lines << Line{} << Line{Line::Kind::Section, {QStringLiteral("TOTALS")}, {}};
        total(QStringLiteral("Time charges"), f->timeCharges);
        total(QStringLiteral("Extras"), f->extras());
        total(QStringLiteral("Account time sold"), f->salesTotal);
        total(QStringLiteral("Bills"), {}, QString::number(f->bills));
        total(QStringLiteral("Free bills"), {}, QString::number(f->freeBills));
        total(QStringLiteral("Opening cash"), row->openingCash);
        const std::optional<Money> expected = row->expected ? row->expected : f->expected(row->openingCash);
        total(QStringLiteral("Expected in the drawer"), expected);
        if (row->counted && expected) {
            total(QStringLiteral("Counted"), row->counted);
            total(QStringLiteral("Difference"), Money::fromUnits(row->counted->units() - expected->units()));
        }
        return true;
    });
    if (!done)
        return failure(error.isEmpty() ? done.error() : error);
    return s;
}

Result<void> ShiftSheet::writeCsv(const QString &path) const
{
    PrivateFile::prepare(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    file.write("\xEF\xBB\xBF");
    file.write((KinCsv::field(heading) + KinCsv::separator() + KinCsv::field(scope) + QStringLiteral("\r\n")).toUtf8());
    for (const Line &line : lines) {
        QStringList fields;
        for (int i = 0; i < line.fields.size(); ++i)
            fields << KinCsv::field(line.at(i, [](Money m) { return KinCsv::number(m); }), !line.right.contains(i));
        file.write((fields.join(KinCsv::separator()) + QStringLiteral("\r\n")).toUtf8());
    }
    if (!file.commit())
        return failure(QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString()));
    return {};
}
