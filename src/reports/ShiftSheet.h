#pragma once

#include "base/Result.h"
#include "store/Records.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <functional>

class CafeStore;

// The shift report's content: the bills of the shift, its account sales, the
// bills closed without charge with their reasons, and the totals by kind
// with the drawer's count. Read once from the books; drawn on paper by
// ShiftReport and written for a spreadsheet by writeCsv().
struct ShiftSheet
{
    struct Line
    {
        enum class Kind { Section, Titles, Detail, Total };
        Kind kind = Kind::Detail;
        QStringList fields;
        // Columns set flush right: amounts and counts.
        QList<int> right;
        // The amounts by column, formed by whoever writes them out.
        QHash<int, Money> amounts;
        QString at(int column, const std::function<QString(Money)> &form) const
        {
            return amounts.contains(column) ? form(amounts.value(column)) : fields.value(column);
        }
    };

    QString heading;
    QString scope;
    QList<Line> lines;

    static Result<ShiftSheet> read(CafeStore &cafe, qint64 shift);
    // Replaces path only when complete.
    Result<void> writeCsv(const QString &path) const;
};
