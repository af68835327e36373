#pragma once

#include "store/Records.h"
#include "base/Result.h"

#include <QPoint>
#include <QStringList>

class CafeStore;

// The roster of client computers: adding, changing and deleting a computer
// with the checks the roster windows make. The map reads the roster at start-up
// only, so every change shows there after a restart.
class Roster
{
public:
    // What one click told the operator, in order, and whether it stored.
    struct Outcome
    {
        QStringList messages;
        bool done = false;
        QString error; // the books could not be read or written
    };

    // Map places of new computers: a grid of cells this size, this many a row.
    static constexpr int CellWidth = 1200, CellHeight = 1300, CellsPerRow = 8;

    explicit Roster(CafeStore &store)
        : m_store(store)
    {}

    // A dotted IPv4 address ("10.0.0.05" is 10.0.0.5); empty when the text is not one.
    static QString normalAddress(const QString &text);
    static QString invalidAddressMessage();

    // Add (roster window): the checks, then the new row at the first free
    // place of the map, and the two notices. Names are stored trimmed.
    Outcome add(const QString &name, const QString &address);
    // Save (edit window), with the same checks against every other computer.
    Outcome update(qint64 aa, const QString &name, const QString &address);
    // "Delete NAME?"; asked only when the computer may be deleted.
    static QString deleteQuestion(const QString &name);
    // Why the computer cannot be deleted now (a running time charge), or nothing.
    Result<void> mayDelete(qint64 aa);
    Result<void> remove(qint64 aa);

private:
    // What is wrong with the fields as typed, or nothing; ip gets the address as stored.
    static std::optional<QString> typed(const QString &name, const QString &address, bool adding, QString &ip);
    // Whether a computer other than aa has that name or address.
    static bool taken(const QList<ComputerRow> &rows, qint64 aa, const QString &name, const QString &ip);
    std::optional<QString> runningCharge(const ComputerRow &row);
    Result<ComputerRow> row(qint64 aa);
    static QPoint freePlace(const QList<ComputerRow> &rows);

    CafeStore &m_store;
};
