#pragma once

#include "base/Result.h"

#include <QDate>
#include <QString>

class CafeStore;
class Prompter;

// "Current Transactions": the takings of the day so far, in one OK box:
// the sum of the day's transactions, then what it is made of, the account
// time sold beside it, the bills closed without charge and, while a shift is
// open at this console, the cash its drawer should hold.
namespace CashRegister {
Result<QString> report(CafeStore &store, const QDate &today);
void tamio(CafeStore &store, const QDate &today, Prompter &prompter);
} // namespace CashRegister
