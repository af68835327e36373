#include "console/CashRegister.h"

#include "store/CafeStore.h"
#include "base/Format.h"
#include "base/Prompter.h"

namespace CashRegister {

void tamio(CafeStore &store, const QDate &today, Prompter &prompter)
{
    const Result<Money> sum = store.takingsOn(today);
    if (!sum) {
        prompter.tell(sum.error(), Prompter::Icon::Critical);
        return;
    }
    prompter.tell(Format::currency(*sum), Prompter::Icon::None);
}

} // namespace CashRegister
