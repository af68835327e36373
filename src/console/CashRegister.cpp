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
    return QStringLiteral("%1\n\nTime charges: %2\nExtras: %3\nAccount time sold: %4\nFree bills: %5")
        .arg(Format::currency(day->total), Format::currency(day->timeCharges), Format::currency(day->extras()),
             Format::currency(*sold))
        .arg(day->freeBills);
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
