#pragma once

#include "store/BookArea.h"
#include "store/Records.h"
#include "base/Money.h"

#include <QList>
#include <QVariant>

// The roster: the café's computers, their names, addresses, places and flags.
class RosterBook : protected BookArea
{
public:
    // Text or boolean into a yes/no column: "true"/"false" (any case), 1/0, bool.
    static bool yesNo(const QVariant &v);

    Result<QList<ComputerRow>> computers();
    Result<QList<ComputerRow>> computersFlagged(ComputerFlag flag);
    Result<QList<ComputerRow>> freeComputers();
    Result<QList<ComputerRow>> computersWithIp(const QString &ip);
    Result<QList<ComputerRow>> computersNamed(const QString &name);
    // Sets the flag on every row of that name, as the roster's name filter does.
    Result<void> setFlag(const QString &pcname, ComputerFlag flag, const QVariant &value);
    // Writes the place of the first row of that name.
    Result<void> savePosition(const QString &pcname, int left, int top);
    // The name is stored trimmed; one that another computer has is refused.
    Result<qint64> addComputer(const ComputerRow &row);
    // A computer's name as the roster tells names apart: letter case and the
    // blanks around it aside. Transactions and marks find their computer by
    // name, so two computers never share one.
    static QString nameKey(const QString &pcname) { return fold(pcname.trimmed()); }

    // A page of the roster in key order, the rows after key `after`.
    Result<QList<ComputerRow>> computersAfter(qint64 after, int limit);
    // Refused, like addComputer, for a name another computer has.
    Result<void> renameComputer(qint64 aa, const QString &pcname, const QString &ip);
    Result<void> deleteComputer(qint64 aa);
    static QString flagColumn(ComputerFlag flag);

protected:
    explicit RosterBook(SqlStore &sql)
        : BookArea(sql)
    {}
};
