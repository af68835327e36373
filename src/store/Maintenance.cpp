#include "store/Maintenance.h"

#include "store/CafeStore.h"
#include "store/ChargeKinds.h"
#include "store/ConsoleLock.h"
#include "store/CustomerStore.h"
#include "store/DatabaseCopy.h"
#include "store/Installer.h"
#include "store/Schema.h"
#include "store/ServerAddress.h"
#include "store/SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QScopeGuard>

namespace {

QStringList integrity(SqlStore &store, const QString &file)
{
    const Result<QStringList> found = store.integrityCheck();
    QStringList problems;
    for (const QString &p : found ? *found : QStringList{found.error()})
        problems << QStringLiteral("%1: %2").arg(file, p);
    return problems;
}

// Transactions and marks find their computer by name, so where computers of
// an older book share one (letter case and blanks aside) nobody can tell whose
// charge is whose: each such name is reported, and nothing is mended by it.
QStringList sharedNames(const QList<ComputerRow> &computers, QList<Maintenance::Finding> &found)
{
    QMap<QString, QStringList> byName;
    for (const ComputerRow &c : computers)
        byName[CafeStore::nameKey(c.pcname)] << QStringLiteral("%1 (%2)").arg(c.aa).arg(c.pcname);
    QStringList shared;
    for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
        if (it->size() < 2)
            continue;
        shared << it.key();
        found.append({QStringLiteral("Computers %1 and %2 have the same name: give each its own in Settings >"
                                     " Computers; until then their charges are neither checked nor mended")
                          .arg(it->mid(0, it->size() - 1).join(QStringLiteral(", ")), it->last()),
                      false});
    }
    return shared;
}

} // namespace

QString Maintenance::consoleRunningMessage()
{
    return QStringLiteral("Korvane is running on this folder. Close the console first.");
}

Result<void> Maintenance::refuseWhileRunning()
{
    if (ConsoleLock::isHeld(m_paths))
        return failure(consoleRunningMessage());
    return {};
}

Result<QList<Maintenance::Finding>> Maintenance::check() { return examine(false, nullptr); }

Result<int> Maintenance::repair()
{
    ConsoleLock lock;
    if (!lock.take(m_paths))
        return failure(consoleRunningMessage());
    int mended = 0;
    const auto r = examine(true, &mended);
    if (!r)
        return failure(r.error());
    return mended;
}

Result<QList<Maintenance::Finding>> Maintenance::examine(bool mend, int *mended)
{
    CafeStore cafe;
    CustomerStore customers;
    if (auto e = cafe.open(m_paths.cafeDatabase()))
        return failure(*e);
    if (auto e = customers.open(m_paths.customerDatabase()))
        return failure(*e);

    QList<Finding> found;
    for (const QString &p :
         integrity(cafe, QStringLiteral("icafe.dat")) + integrity(customers, QStringLiteral("users.dat")))
        found.append({p, false});
    for (const Installer::Book &book : Installer::books(m_paths))
        if (const auto shape = Installer::checkDatabase(book.path, book.tables, Migrations::latest(book.steps)))
            found.append({*shape, false});
    // A damaged book is restored, not mended by rules that read it.
    if (!found.isEmpty())
        return found;

    const auto computers = cafe.computers();
    if (!computers)
        return failure(computers.error());
    QStringList names;
    const QStringList shared = sharedNames(*computers, found);
    Result<void> ok = cafe.atomically([&] {
        for (const ComputerRow &c : *computers) {
            names << c.pcname;
            if (shared.contains(CafeStore::nameKey(c.pcname)))
                continue;
            for (const ChargeKind &k : chargeKinds) {
                const auto open = cafe.openCharges(k.flag, c.pcname);
                if (!open)
                    return false;
                const bool flagged = c.*k.flagged;
                if (flagged == !open->isEmpty())
                    continue;
                // The flag is what a restart trusts: set it for an open
                // transaction so the charge comes back and can be billed,
                // clear it where nothing is open.
                const QString text =
                    flagged
                        ? QStringLiteral("%1 is marked as running %2 but has no open transaction of that kind")
                              .arg(c.pcname, QLatin1String(k.findingWords))
                        : QStringLiteral("%1 has an open transaction of %2 (number %3) but is not marked as running it")
                              .arg(c.pcname, QLatin1String(k.findingWords))
                              .arg(open->first().aa);
                found.append({text, true});
                if (mend) {
                    if (!cafe.setFlag(c.pcname, k.flag, !flagged))
                        return false;
                    ++*mended;
                }
            }
        }
        return true;
    });
    if (!ok)
        return failure(cafe.lastError());

    // Open transactions of computers no longer on the roster cannot come back.
    const Result<QList<KinRow>> open = cafe.openTransactions();
    if (!open)
        return failure(open.error());
    for (const KinRow &k : *open)
        if (!names.contains(k.computer))
            found.append(
                {QStringLiteral("Transaction %1 is open on %2, which is not on the roster").arg(k.aa).arg(k.computer),
                 false});

    const auto accounts = customers.accounts();
    if (!accounts)
        return failure(accounts.error());
    QString cause;
    ok = customers.atomically([&] {
        for (CustomerRow a : *accounts) {
            if (!a.timer)
                continue;
            const Result<qint64> running = cafe.openAccountCharges(a.password);
            if (!running) {
                cause = running.error();
                return false;
            }
            if (*running > 0)
                continue;
            found.append({QStringLiteral("The account of %1 %2 (number %3) is marked in use without a running"
                                         " account charge")
                              .arg(a.name, a.lastname)
                              .arg(a.aa),
                          true});
            if (mend) {
                a.timer = false;
                a.pcused.clear();
                if (!customers.updateAccount(a)) {
                    cause = customers.lastError();
                    return false;
                }
                ++*mended;
            }
        }
        return true;
    });
    if (!ok)
        return failure(cause.isEmpty() ? customers.lastError() : cause);
    return found;
}

Result<void> Maintenance::compact()
{
    ConsoleLock lock;
    if (!lock.take(m_paths))
        return failure(consoleRunningMessage());
    for (const QString &path : {m_paths.cafeDatabase(), m_paths.customerDatabase()}) {
        SqlStore store;
        if (auto e = store.open(path))
            return failure(*e);
        if (const Result<void> r = store.compact(); !r)
            return failure(QStringLiteral("%1 cannot be compacted: %2").arg(path, r.error()));
    }
    return {};
}

Result<void> Maintenance::restore(const QString &dir)
{
    // Replacing a server's books under the consoles of every counter is the
    // server's own work.
    if (m_paths.booksOnServer())
        return failure(QStringLiteral("The books are on %1: restore them there from %2/books.dump with pg_restore"
                                      " --clean, while no console runs on them.")
                           .arg(ServerAddress::parse(m_paths.database()).value_or(ServerAddress()).shown(), dir));
    ConsoleLock lock;
    if (!lock.take(m_paths))
        return failure(consoleRunningMessage());
    // Every file is read, checked and staged beside its target before any is
    // replaced, so that a restore is whole or nothing; what was staged goes
    // when it is refused.
    QList<std::pair<QString, QString>> staged; // the staged copy and its target
    const auto dropStaged = qScopeGuard([&staged] {
        for (const auto &s : staged)
            QFile::remove(s.first);
    });
    auto stage = [&staged](const QString &target) {
        staged.append({target + QStringLiteral(".restore"), target});
        return staged.last().first;
    };
    for (const Installer::Book &book : Installer::books(m_paths)) {
        const QString source = dir + QLatin1Char('/') + QFileInfo(book.path).fileName();
        // A link is not followed, and the log beside a book is read with it.
        for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
            const QFileInfo f(source + QLatin1String(suffix));
            if (f.isSymLink() || (f.exists() && !f.isFile()))
                return failure(QStringLiteral("%1 is not a plain file").arg(f.filePath()));
        }
        if (!QFileInfo::exists(source))
            return failure(QStringLiteral("%1 is missing").arg(source));
        // The copy is looked at first without writing to it or to its log.
        if (auto e = Installer::checkDatabase(source, book.tables, Migrations::latest(book.steps)))
            return failure(*e);
        const QString copy = stage(book.path);
        if (Result<void> r = DatabaseCopy::copyLive(source, copy); !r)
            return r;
        // A backup of older books is brought up to this version here; then every column is checked.
        if (auto e = Installer::admit(copy, book))
            return failure(e->replace(copy, source));
        SqlStore check;
        if (auto e = check.open(copy))
            return failure(e->replace(copy, source));
        if (const QStringList bad = integrity(check, QFileInfo(source).fileName()); !bad.isEmpty())
            return failure(bad.join(QLatin1Char('\n')));
    }
    for (const QString &target : {m_paths.settingsFile(), m_paths.printLog()}) {
        const QString name = QFileInfo(target).fileName(), source = dir + QLatin1Char('/') + name;
        if (!QFileInfo(source).isSymLink() && !QFileInfo::exists(source))
            continue;
        const Result<QByteArray> data = DatabaseCopy::readPlain(source, DatabaseCopy::plainLimit(name));
        if (!data)
            return failure(data.error());
        if (target == m_paths.settingsFile())
            if (const Result<SettingsFile> settings = SettingsFile::parse(*data); !settings)
                return failure(QStringLiteral("%1 is not a settings file: %2").arg(source, settings.error()));
        if (Result<void> r = DatabaseCopy::replaceFile(stage(target), *data); !r)
            return r;
    }
    for (const auto &[copy, target] : std::as_const(staged)) {
        // A write-ahead log left by the old book must not be replayed into the restored one.
        for (const char *suffix : {"-wal", "-shm"})
            QFile::remove(target + QLatin1String(suffix));
        if (Result<void> r = DatabaseCopy::moveInto(copy, target); !r)
            return r;
    }
    return {};
}
