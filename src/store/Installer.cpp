#include "store/Installer.h"

#include "store/BookCheck.h"
#include "store/Schema.h"
#include "store/ServerAddress.h"
#include "store/SettingsFile.h"
#include "store/SqlStore.h"
#include "store/StatusPictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// The help page ships as a resource of the static core library, which the
// linker keeps only when something names its initialiser.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace {
constexpr QFile::Permissions kFileMode = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions kDirMode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

std::optional<QString> makeDir(const QString &path, QStringList &created)
{
    if (QFileInfo(path).isDir())
        return std::nullopt;
    if (QFileInfo::exists(path))
        return QStringLiteral("%1 exists but is not a folder").arg(path);
    if (!QDir().mkpath(path))
        return QStringLiteral("The folder %1 cannot be created (check the permissions of its parent)").arg(path);
    QFile::setPermissions(path, kDirMode);
    created << path;
    return std::nullopt;
}

std::optional<QString> writeFile(const QString &path, const QByteArray &data, QStringList &created)
{
    if (QFileInfo::exists(path))
        return std::nullopt;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QStringLiteral("%1 cannot be written: %2").arg(path, f.errorString());
    f.write(data);
    if (!f.commit())
        return QStringLiteral("%1 cannot be written: %2").arg(path, f.errorString());
    QFile::setPermissions(path, kFileMode);
    created << path;
    return std::nullopt;
}

// A book on a server is made in one transaction: a failure leaves no half.
std::optional<QString> fillOnServer(SqlStore &store, const QStringList &statements, int version, QStringList &created)
{
    const auto ok = store.atomically([&] {
        for (const QString &s : statements)
            if (!store.exec(s))
                return false;
        return store.setVersion(version);
    });
    if (!ok)
        return QStringLiteral("%1 cannot be created: %2").arg(store.path(), store.lastError());
    created << store.path();
    return std::nullopt;
}

std::optional<QString> shapeOnServer(SqlStore &book, const QStringList &tables, int newest)
{
    const QStringList present = book.tables();
    for (const QString &t : tables)
        if (!present.contains(t))
            return QStringLiteral("%1 is not a Korvane database: it has no table %2").arg(book.path(), t);
    const Result<int> found = book.version();
    if (!found)
        return QStringLiteral("%1 cannot be read: %2").arg(book.path(), found.error());
    if (*found > newest)
        return QStringLiteral("%1 was written by a newer Korvane (books version %2); this Korvane reads books"
                              " up to version %3.")
            .arg(book.path())
            .arg(*found)
            .arg(newest);
    return std::nullopt;
}

// A server's book, made when its schema holds no tables, else looked at and
// brought up to date: all on one connection, each a login to the server.
std::optional<QString> installOnServer(const Installer::Book &b, QStringList &created, bool &refused)
{
    SqlStore store;
    if (auto e = store.create(b.path))
        return e;
    const int newest = Migrations::latest(b.steps);
    if (store.tables().isEmpty())
        return fillOnServer(store, b.statements, newest, created);
    refused = true;
    if (auto e = shapeOnServer(store, b.tables, newest))
        return e;
    if (const auto m = Migrations::apply(store, b.steps); !m)
        return m.error();
    refused = false;
    return std::nullopt;
}

std::optional<QString> createDatabase(const QString &path, const QStringList &statements, int version,
                                      QStringList &created)
{
    // Build beside the target and rename, so a failed install leaves no half-made book.
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    {
        SqlStore store;
        if (auto err = store.create(temp))
            return err;
        QFile::setPermissions(temp, kFileMode);
        store.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        const auto ok = store.atomically([&] {
            for (const QString &s : statements)
                if (!store.exec(s))
                    return false;
            return store.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
        });
        if (!ok) {
            const QString err = store.lastError();
            store.close();
            QFile::remove(temp);
            return QStringLiteral("%1 cannot be created: %2").arg(path, err);
        }
    }
    QFile::remove(temp + QStringLiteral("-wal"));
    QFile::remove(temp + QStringLiteral("-shm"));
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        return QStringLiteral("%1 cannot be created").arg(path);
    }
    created << path;
    return std::nullopt;
}
} // namespace

std::optional<QString> Installer::checkDatabase(const QString &path, const QStringList &tables, int newest)
{
    if (ServerAddress::isServer(path)) {
        SqlStore book;
        if (auto e = book.open(path))
            return e;
        return shapeOnServer(book, tables, newest);
    }
    const QFileInfo info(path);
    if (!info.isFile())
        return QStringLiteral("%1 is not a file").arg(path);
    if (!info.isReadable() || !info.isWritable())
        return QStringLiteral("%1 cannot be read and written by this user (check its owner and mode)").arg(path);
    if (const auto r = BookCheck::inspect(path, tables, newest); !r)
        return r.error();
    return std::nullopt;
}

QList<Installer::Book> Installer::books(const Paths &paths, const Migrations &steps)
{
    if (ServerAddress::isServer(paths.cafeDatabase())) {
        QList<Book> books{
            {paths.mainCafeDatabase(), Schema::serverCafeStatements(), Schema::cafeTables(), steps.cafe},
            {paths.customerDatabase(), Schema::serverCustomerStatements(), Schema::customerTables(), steps.customers},
        };
        // The main branch's book first: it holds the catalogue a branch reads.
        if (!paths.branch().isEmpty()) {
            QStringList own = Schema::cafeTables();
            own.removeIf([](const QString &t) { return Schema::catalogueTables().contains(t); });
            books.insert(1, {paths.cafeDatabase(), Schema::serverCafeStatements(true), own, steps.cafe});
        }
        return books;
    }
    return {
        {paths.cafeDatabase(), Schema::cafeStatements() + Schema::cafeDefaults(), Schema::cafeTables(), steps.cafe},
        {paths.customerDatabase(), Schema::customerStatements(), Schema::customerTables(), steps.customers},
    };
}

std::optional<QString> Installer::admit(const QString &path, const Book &kind)
{
    if (auto e = checkDatabase(path, kind.tables, Migrations::latest(kind.steps)))
        return e;
    SqlStore book;
    if (auto e = book.open(path))
        return e;
    if (const auto m = Migrations::apply(book, kind.steps); !m)
        return m.error();
    // A server keeps each book in a schema of its own: no other kind of
    // book can stand in its place.
    if (book.onServer())
        return std::nullopt;
    // The columns of a new book of this kind; a table of the same name in
    // another kind of book (the café's operators in users) lacks them.
    SqlStore blank;
    blank.create(QStringLiteral(":memory:"));
    for (const QString &s : kind.statements)
        blank.exec(s);
    for (const QString &table : kind.tables) {
        auto has = book.run(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
        QStringList present;
        while (has && has->next())
            present << has->value(0).toString();
        auto wanted = blank.run(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
        while (wanted && wanted->next())
            if (!present.contains(wanted->value(0).toString()))
                return QStringLiteral("%1 is not a Korvane database: the table %2 has no column %3")
                    .arg(path, table, wanted->value(0).toString());
    }
    return std::nullopt;
}

Installer::Report Installer::install(const Paths &paths, const Migrations &steps)
{
    Report r;
    auto step = [&r](std::optional<QString> err) {
        if (err && !r.error)
            r.error = err;
        return !r.error;
    };
    if (!step(makeDir(paths.home(), r.created)) || !step(makeDir(paths.system(), r.created))
        || !step(makeDir(paths.backup(), r.created)) || !step(makeDir(paths.help(), r.created)))
        return r;

    for (const Book &b : books(paths, steps)) {
        if (ServerAddress::isServer(b.path)) {
            bool refused = false;
            if (!step(installOnServer(b, r.created, refused))) {
                r.bookRefused = refused;
                return r;
            }
            continue;
        }
        if (!QFileInfo::exists(b.path)) {
            if (!step(createDatabase(b.path, b.statements, Migrations::latest(b.steps), r.created)))
                return r;
            continue;
        }
        if (!step(admit(b.path, b))) {
            r.bookRefused = true;
            return r;
        }
    }

    if (!QFileInfo::exists(paths.settingsFile())) {
        if (auto err = SettingsFile().write(paths.settingsFile()))
            return step(QStringLiteral("%1 cannot be written: %2").arg(paths.settingsFile(), *err)), r;
        r.created << paths.settingsFile();
    }

    for (Picture p : StatusPictures::all()) {
        const QString path = paths.systemFile(StatusPictures::fileName(p));
        if (QFileInfo::exists(path))
            continue;
        QFile shipped(StatusPictures::shipped(p));
        shipped.open(QIODevice::ReadOnly);
        if (!step(writeFile(path, shipped.readAll(), r.created)))
            return r;
    }

    if (!step(writeFile(paths.printLog(), QByteArray(), r.created)))
        return r;

    initResources();
    QFile page(QStringLiteral(":/help/server.htm"));
    page.open(QIODevice::ReadOnly);
    step(writeFile(paths.helpPage(), page.readAll(), r.created));
    return r;
}
