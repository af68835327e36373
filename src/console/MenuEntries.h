#pragma once

#include "admin/Login.h"
#include "engine/Command.h"

#include <QString>
#include <optional>
#include <span>

// Every entry of the console's menus, its toolbar and a computer's pop-up
// menu, in the order they are built.
enum class MenuEntry {
    // A computer's pop-up menu, which also stands in the menu bar.
    Status,
    ComputerName,
    SepName,
    CurrentStatus,
    SepStatus,
    Tasks,
    Reboot,
    LogOff,
    ShutDown,
    Suspend,
    SepTasks,
    Transfer,
    SepTransfer,
    Extra,
    SepExtra,
    Message,
    SepMessage,
    Check,
    SepCheck,
    Prepay,
    Prepay30,
    Prepay60,
    Prepay90,
    Prepay120,
    SepPrepay,
    StopPrepaid,
    // The menu bar.
    Settings,
    Rates,
    MinimumCharge,
    Computers,
    Passwords,
    UserPassword,
    AdminPassword,
    Misc,
    PriceList,
    Categories,
    Products,
    ShowPrices,
    Appearance,
    IconPosition,
    Background,
    Transactions,
    CurrentTransactions,
    ShowTransactions,
    UserTransactions,
    Charts,
    PrinterHistory,
    Cashier,
    SwitchCashier,
    Shifts,
    Users,
    NewUser,
    ShowUsers,
    Tools,
    Maintenance,
    MainDatabase,
    UserDatabase,
    DeletePrinterHistory,
    Backup,
    HelpMenu,
    About,
    Help,
    Support,
    Exit,
    // The toolbar.
    ToolbarMessage,
    ToolbarShutDown,
    ToolbarCashier,
    ToolbarUnlock,
    ToolbarExit,
};

namespace MenuEntries {

constexpr size_t Count = size_t(MenuEntry::ToolbarExit) + 1;

enum class Group {
    Menu,
    Toolbar,
    // A computer's pop-up entries, handed on with the computer.
    Running,      // offered while a time charge runs
    PrepaidStart, // offered on a free computer
    StopPrepaid,  // offered while prepaid time runs
    Always,       // offered whatever runs
};

struct Traits
{
    Group group = Group::Menu;
    bool admin = false;         // the cashier loses it, and every window it opened
    bool provided = false;      // another part serves it: unusable until then
    const char *kind = nullptr; // the window kind, when not the key
    const char *icon = nullptr; // a ToolIcons key; a toolbar button's is its key
    const char *tip = nullptr;
    int minutes = 0;              // a quick prepaid start's time
    std::optional<Command> power; // the power command it sends
};

struct Info
{
    MenuEntry entry;
    // The object name, and the kind of the window it opens: window places
    // are stored under it.
    const char *key;
    const char *caption;            // "-" is a separator
    std::optional<MenuEntry> under; // none: the menu bar or the toolbar
    Traits traits;
};

std::span<const Info> all();
const Info &info(MenuEntry entry);
// Under which kind the window of the entry is kept and placed.
QString kind(MenuEntry entry);
bool isPopupCommand(MenuEntry entry);
// The least role for the windows an entry opens: an entry under a menu the
// cashier loses is the administrator's.
Login::Role needs(std::optional<MenuEntry> entry);

} // namespace MenuEntries
