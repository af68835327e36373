#pragma once

#include "store/SqlStore.h"

// The books refuse the writes `on` ("UPDATE OF pretime ON computers") names,
// where `when` holds (NEW.pcname = 'PC2'), as a full disk would; in the
// dialect of the engine below them.
inline bool refuseWrites(SqlStore &books, const QString &on, const QString &when = QStringLiteral("true"))
{
    if (books.onServer())
        return books.exec(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS"
                                         " $$ BEGIN RAISE EXCEPTION 'disk refused the write'; END $$"))
               && books.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 FOR EACH ROW WHEN (%2)"
                                            " EXECUTE FUNCTION refuse()")
                                 .arg(on, when));
    return books.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 WHEN %2"
                                     " BEGIN SELECT RAISE(ABORT, 'disk refused the write'); END")
                          .arg(on, when));
}
