#pragma once

#include <QDate>

class CafeStore;
class Prompter;

// "Current Transactions": the takings of the day so far, in one OK box.
namespace CashRegister {
void tamio(CafeStore &store, const QDate &today, Prompter &prompter);
}
