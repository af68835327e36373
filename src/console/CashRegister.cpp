#include "console/CashRegister.h"

#include "base/Format.h"
#include "base/Prompter.h"
#include "store/CafeStore.h"

namespace CashRegister {

Result<QString> report(CafeStore &store, const QDate &today)
{
    const Result<Takings> day = store.takingsOn(today);
    if (!day)
        return failure(day.error());
    const Result<Money> sold = store.salesTotal(today, today);
    if (!sold)
        return failure(sold.error());
    QString text = QStringLiteral("%1\n\nTime charges: %2\nExtras: %3\nAccount time sold: %4\nFree bills: %5")
                       .arg(Format::currency(day->total), Format::currency(day->timeCharges),
                            Format::currency(day->extras()), Format::currency(*sold))
                       .arg(day->freeBills);
    const Result<std::optional<ShiftRow>> shift = store.openShift();
    if (!shift)
        return failure(shift.error());
    if (*shift) {
        const Result<ShiftFigures> f = store.figures((*shift)->aa);
        if (!f)
            return failure(f.error());
        if (const auto expected = f->expected((*shift)->openingCash))
            text += QStringLiteral("\nOpen shift, expected in the drawer: %1").arg(Format::currency(*expected));
    }
    return text;
}

void tamio(CafeStore &store, const QDate &today, Prompter &prompter)
{
    const Result<QString> text = report(store, today);
    if (!text) {
        prompter.tell(text.error(), Prompter::Icon::Critical);
        return;
    }
    prompter.tell(*text, Prompter::Icon::None);
}

} // namespace CashRegister
