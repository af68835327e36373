#pragma once

#include "store/Records.h"
#include "ui/Result.h"

#include <QList>

class CafeStore;

// Which transactions a listing, report or export covers.
struct KinFilter
{
    enum class Kind { Normal, User };
    Kind kind = Kind::Normal;
    QDate from;
    QDate to;
    QString computer; // normal only; empty lists every computer
    QString pin;      // user only

    static KinFilter normal(const QDate &from, const QDate &to, const QString &computer = QString());
    static KinFilter user(const QDate &from, const QDate &to, const QString &pin);
    // A PIN is digits only; anything else is never put into a statement.
    static bool validPin(const QString &pin);
    // Reversed ranges and unusable PINs list nothing without asking the book.
    bool listsNothing() const;
};

// The sums of a listing, from one aggregate query over the daily sums.
struct KinSums
{
    qint64 count = 0;
    Money timecharged;
    Money extra;
    Money total;
};

// Where the previous page ended: rows come ordered by start date (as the
// book holds it), then key.
struct KinCursor
{
    QString startdate = QStringLiteral(""); // empty, not NULL: before every date
    qint64 aa = 0;
};

struct KinPage
{
    QList<KinRow> rows;
    KinCursor next; // after the last row
};

// The extras of one transaction, one line each ("2 X Coffee"), and their sum.
struct ExtraLines
{
    QStringList lines;
    Money sum;
};

// The transactions books as the reports read them: pages of a listing, its
// sums, the extras of one transaction, and the bulk delete.
class KinBook
{
public:
    explicit KinBook(CafeStore &store)
        : m_store(store)
    {}

    // The indexes and daily sums the listings need; a book made before them
    // gets them here, once (quick on a book that has them).
    Result<void> ensureSchema();

    Result<KinSums> sums(const KinFilter &filter);
    // At most limit rows after the cursor (from the start when omitted).
    Result<KinPage> page(const KinFilter &filter, int limit, const KinCursor &after = {});

    Result<ExtraLines> extrasOf(qint64 key);

    // Every finished transaction of every type and the extras that belong to
    // none still running; one database transaction. Gives the rows deleted.
    Result<qint64> deleteFinished();
    // The Delete command: a dated copy of the live book into backupFolder
    // first (nothing is deleted without it), then deleteFinished(). Gives the
    // copy's path.
    Result<QString> delall(const QString &backupFolder, const QDateTime &now);

    CafeStore &store() { return m_store; }

private:
    CafeStore &m_store;
};
