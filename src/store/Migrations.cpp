#include "store/Migrations.h"

#include "store/Schema.h"
#include "store/SqlStore.h"

Migrations Migrations::current()
{
    // Append a step here, e.g. {3, {"ALTER TABLE computers ADD COLUMN ..."}},
    // and make the same change in Schema.cpp for new books.
    Migrations steps;
    // 2: amounts bounded by the books themselves; operator passwords kept as digests.
    steps.cafe = {
        {2, Schema::boundTriggers() << QStringLiteral("UPDATE users SET password = password_digest(password)")},
        // 3: the money taken for time sold onto customer accounts; shifts;
        // the charts' occupancy.
        {3, Schema::ownerStatements() + Schema::occupancyStatements() + Schema::occupancyFill()},
        // 4: one running charge per computer and per account, kept by the books.
        {4, Schema::openRowRules()}};
    steps.customers = {{2, Schema::creditStatements()}};
    return steps;
}

int Migrations::latest(const QList<Migration> &steps) { return steps.isEmpty() ? 1 : steps.last().version; }

Result<void> Migrations::apply(SqlStore &book, const QList<Migration> &steps)
{
    const Result<int> version = book.version();
    if (!version)
        return failure(QStringLiteral("%1 cannot be read: %2").arg(book.path(), book.lastError()));
    int at = *version;
    for (const Migration &step : steps) {
        if (step.version <= at)
            continue;
        const auto done = book.atomically([&] {
            for (const QString &s : book.onServer() ? Schema::forServer(step.statements) : step.statements)
                if (!book.exec(s))
                    return false;
            return book.setVersion(step.version);
        });
        if (!done)
            return failure(QStringLiteral("%1 cannot be brought up to books version %2: %3. It stays at version %4,"
                                          " untouched by that step; start Korvane again once the cause is mended.")
                               .arg(book.path())
                               .arg(step.version)
                               .arg(book.lastError())
                               .arg(at));
        at = step.version;
    }
    return {};
}
