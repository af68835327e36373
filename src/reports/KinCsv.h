#pragma once

#include "store/KinBook.h"

// A listing saved for a spreadsheet: UTF-8 with a byte-order mark, one header
// row, the grid's columns. Amounts carry the locale's decimal separator and
// no grouping; where that separator is a comma the fields are separated by
// semicolons, as spreadsheets of such locales expect. Dates are ISO.
namespace KinCsv {

QChar separator();
// One field as written: quoted when it holds the separator, a quote or a line
// break; text that a spreadsheet would run as a formula is kept as text.
QString field(const QString &text, bool isText = true);
// An amount with the locale's decimal separator and no grouping; empty for none.
QString number(const std::optional<Money> &m);

// Writes the whole listing to path (replaced only when complete); gives the
// rows written. Cancelled through progress, nothing is written.
Result<qint64> write(KinBook &book, const KinFilter &filter, const QString &path,
                     const KinProgress &progress = {});

} // namespace KinCsv
