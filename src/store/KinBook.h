#pragma once

#include "store/Records.h"
#include "base/Result.h"

#include <QList>
#include <functional>

class CafeStore;

// Told how far a long piece of work has come; false stops it at the next
// point where stopping leaves the books sound.
using KinProgress = std::function<bool(qint64 done, qint64 total)>;

// Which transactions a listing, report or export covers.
struct KinFilter
{
    enum class Kind { Normal, User };
    Kind kind = Kind::Normal;
    QDate from;
    QDate to;
    QString computer; // normal only; empty lists every computer
    QString pin;      // user only
    // A chain on a server: the branches listed together ("" is the main
    // branch); none lists this book's own. Shown as `branchShown`.
    QStringList branches;
    QString branchShown;

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
    QString branch; // keys repeat from branch to branch
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

// What a bulk delete did: the rows that went, whether it went to the end,
// and the copy of the book taken before it.
struct KinDeletion
{
    qint64 rows = 0;
    bool complete = true;
    QString copy;
};

// The transactions books as the reports read them: pages of a listing, its
// sums, the extras of one transaction, and the bulk delete.
//
// The bulk work (filling the daily sums, the delete) writes in short
// transactions, resting a little between them, so that another connection's
// writes (the console's charges and bills) wait some milliseconds at most; a
// progress function may stop it between two.
class KinBook
{
public:
    explicit KinBook(CafeStore &store)
        : m_store(store)
    {}

    // Whether the indexes and daily sums the listings need are all there.
    Result<bool> schemaReady();
    // Makes them: a book made before them gets its indexes (one write each)
    // and its daily sums, filled a slice of days at a time. Stopped, it goes
    // on from there next time, the days filled kept equal to the rows
    // meanwhile. Gives whether it is done.
    Result<bool> ensureSchema(const KinProgress &progress = {});

    // The branches of a chain whose books share this server, the main one
    // first as ""; none for a café's own files.
    Result<QStringList> branches();

    Result<KinSums> sums(const KinFilter &filter);
    // At most limit rows after the cursor (from the start when omitted).
    Result<KinPage> page(const KinFilter &filter, int limit, const KinCursor &after = {});

    Result<ExtraLines> extrasOf(qint64 key);

    // Every finished transaction of every type begun before the delete, and
    // the extras that belong to none still running, a few thousand keys per
    // transaction: a transaction and its extras always go together.
    Result<KinDeletion> deleteFinished(const KinProgress &progress = {});
    // The Delete command: a dated copy of the live book into backupFolder
    // first (nothing is deleted without it), then deleteFinished().
    Result<KinDeletion> deleteAll(const QString &backupFolder, const QDateTime &now, const KinProgress &progress = {});

    CafeStore &store() { return m_store; }

private:
    CafeStore &m_store;
};
