#include "admin/Roster.h"

#include "link/Protocol.h"
#include "store/CafeStore.h"
#include "store/ChargeKinds.h"

#include <QPoint>
#include <QRect>

namespace {
QString alreadyExists() { return QStringLiteral(" IP Address Or Computer Name Already Exists"); }
} // namespace

QString Roster::normalAddress(const QString &text)
{
    // The one reading of an address the console's commands and logons use.
    const auto address = Protocol::ipv4(text);
    return address ? address->toString() : QString();
}

QString Roster::invalidAddressMessage()
{
    return QStringLiteral("The IP Address Is Not Valid: type four numbers from 0 to 255 separated by dots,"
                          " such as 192.168.0.12");
}

std::optional<QString> Roster::typed(const QString &name, const QString &address, bool adding, QString &ip)
{
    if (name.trimmed().isEmpty())
        return adding ? QStringLiteral(" Computer Name Was Not Entered")
                      : QStringLiteral(" No Computer Name Was Entered");
    if (address.trimmed().isEmpty())
        return adding ? QStringLiteral("IP Address Was Not Entered") : QStringLiteral("No IP Address Was Entered");
    ip = normalAddress(address);
    if (ip.isEmpty())
        return invalidAddressMessage();
    return std::nullopt;
}

bool Roster::taken(const QList<ComputerRow> &rows, qint64 aa, const QString &name, const QString &ip)
{
    // Names alike in any letter case and blanks around them aside, addresses alike as addresses.
    for (const ComputerRow &c : rows)
        if (c.aa != aa && (CafeStore::nameKey(c.pcname) == CafeStore::nameKey(name) || normalAddress(c.ip) == ip))
            return true;
    return false;
}

Roster::Outcome Roster::add(const QString &name, const QString &address)
{
    Outcome o;
    QString ip;
    if (const auto refused = typed(name, address, true, ip)) {
        o.messages << *refused;
        return o;
    }
    const auto rows = m_store.computers();
    if (!rows) {
        o.error = rows.error();
        return o;
    }
    if (taken(*rows, 0, name, ip)) {
        o.messages << alreadyExists();
        return o;
    }
    const QPoint place = freePlace(*rows);
    ComputerRow r;
    r.pcname = name;
    r.ip = ip;
    r.left = place.x();
    r.top = place.y();
    if (const auto added = m_store.addComputer(r); !added) {
        o.error = added.error();
        return o;
    }
    o.done = true;
    o.messages << QStringLiteral("Update Complete")
               << QStringLiteral("Setting Will Take Affect Only After Restarting The Application");
    return o;
}

QPoint Roster::freePlace(const QList<ComputerRow> &rows)
{
    // A big icon with its name fits in a cell; the first cell no icon touches.
    for (int cell = 0;; ++cell) {
        const QRect r((cell % CellsPerRow) * CellWidth + 120, (cell / CellsPerRow) * CellHeight + 120, CellWidth,
                      CellHeight);
        bool taken = false;
        for (const ComputerRow &c : rows)
            taken = taken || r.intersects(QRect(c.left, c.top, CellWidth, CellHeight));
        if (!taken)
            return r.topLeft();
    }
}

Roster::Outcome Roster::update(qint64 aa, const QString &name, const QString &address)
{
    Outcome o;
    QString ip;
    if (const auto refused = typed(name, address, false, ip)) {
        o.messages << *refused;
        return o;
    }
    const auto rows = m_store.computers();
    if (!rows) {
        o.error = rows.error();
        return o;
    }
    if (taken(*rows, aa, name, ip)) {
        o.messages << alreadyExists();
        return o;
    }
    const Result<ComputerRow> old = row(aa);
    if (!old) {
        o.error = old.error();
        return o;
    }
    // The open transaction is found by the computer's name at the next start.
    if (old->pcname != name.trimmed()) {
        if (const auto charge = runningCharge(*old)) {
            o.messages << QStringLiteral("%1 Cannot Be Renamed While %2 Runs On It").arg(old->pcname, *charge);
            return o;
        }
    }
    if (const Result<void> r = m_store.renameComputer(aa, name, ip); !r) {
        o.error = r.error();
        return o;
    }
    o.done = true;
    return o;
}

QString Roster::deleteQuestion(const QString &name) { return QStringLiteral("Delete ") + name + QLatin1Char('?'); }

Result<void> Roster::mayDelete(qint64 aa)
{
    const Result<ComputerRow> r = row(aa);
    if (!r)
        return failure(r.error());
    if (const auto charge = runningCharge(*r))
        return failure(
            QStringLiteral("%1 Cannot Be Deleted While %2 Runs On It: End It First").arg(r->pcname, *charge));
    return {};
}

Result<void> Roster::remove(qint64 aa)
{
    if (Result<void> may = mayDelete(aa); !may)
        return may;
    return m_store.deleteComputer(aa);
}

Result<ComputerRow> Roster::row(qint64 aa)
{
    const auto rows = m_store.computers();
    if (!rows)
        return failure(rows.error());
    for (const ComputerRow &r : *rows)
        if (r.aa == aa)
            return r;
    return failure(QStringLiteral("The computer is no longer on the roster."));
}

std::optional<QString> Roster::runningCharge(const ComputerRow &row)
{
    for (const ChargeKind &k : chargeKinds) {
        const auto open = m_store.openCharges(k.flag, row.pcname);
        if (open && !open->isEmpty())
            return QStringLiteral("%1 (Transaction %2)").arg(QLatin1String(k.rosterWords)).arg(open->first().aa);
        if (row.*k.flagged)
            return QString::fromLatin1(k.rosterWords);
    }
    return std::nullopt;
}
