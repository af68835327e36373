#pragma once

#include "store/CatalogueBook.h"
#include "store/ChargeBook.h"
#include "store/ChartBook.h"
#include "store/OperatorBook.h"
#include "store/RosterBook.h"
#include "store/SalesBook.h"
#include "store/ShiftBook.h"
#include "store/SqlStore.h"
#include "store/TariffBook.h"

// icafe.dat, one connection shared by its areas: the roster, the charges
// with their extras and takings, the tariff, the operators, the catalogue,
// the time sold onto customer accounts, the shifts and the charts' sums. Each area keeps its own
// statements in a file of its own.
class CafeStore : public SqlStore,
                  public RosterBook,
                  public ChargeBook,
                  public TariffBook,
                  public OperatorBook,
                  public CatalogueBook,
                  public SalesBook,
                  public ShiftBook,
                  public ChartBook
{
public:
    CafeStore()
        : RosterBook(connection())
        , ChargeBook(connection())
        , TariffBook(connection())
        , OperatorBook(connection())
        , CatalogueBook(connection())
        , SalesBook(connection())
        , ShiftBook(connection())
        , ChartBook(connection())
    {}

    // The connection's own, not the areas' views of it.
    using SqlStore::atomically;
    using SqlStore::console;
    using SqlStore::setConsole;
    using SqlStore::exec;
    using SqlStore::fold;
    using SqlStore::lastError;
    using SqlStore::run;

private:
    SqlStore &connection() { return *this; }
};
