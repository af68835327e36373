#include "console/MenuEntries.h"

#include <array>

namespace MenuEntries {

namespace {

using E = MenuEntry;
using G = Group;

// Captions keep their trailing blanks. GCC before 14 warns on every member
// left to its default.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
// clang-format off
constexpr Info Table[] = {
    {E::Status, "status", "status", {}},
    {E::ComputerName, "termname", "termname", E::Status},
    {E::SepName, "sp", "-", E::Status},
    {E::CurrentStatus, "get", "Current Status", E::Status, {.group = G::Running}},
    {E::SepStatus, "uyiyuiyui", "-", E::Status},
    {E::Tasks, "tasks", "Tasks", E::Status},
    {E::Reboot, "reboot", "ReBoot", E::Tasks, {.group = G::Always, .power = Command::RebootTerm}},
    {E::LogOff, "logoff", "Log Off", E::Tasks, {.group = G::Always, .power = Command::LogOff}},
    {E::ShutDown, "shutdown", "ShutDown", E::Tasks, {.group = G::Always, .power = Command::ShutDown}},
    {E::Suspend, "pdown", "Suspend", E::Tasks, {.group = G::Always, .power = Command::PowerDown}},
    {E::SepTasks, "ppp", "-", E::Status},
    {E::Transfer, "metafora", "Transfer", E::Status, {.group = G::Running, .provided = true}},
    {E::SepTransfer, "sp1", "-", E::Status},
    {E::Extra, "extra", "+ Extra Charge", E::Status, {.group = G::Running, .provided = true}},
    {E::SepExtra, "sp3", "-", E::Status},
    {E::Message, "msg", "Send Message", E::Status, {.group = G::Running, .provided = true}},
    {E::SepMessage, "sp4", "-", E::Status},
    {E::Check, "check", "network Check", E::Status, {.group = G::Always}},
    {E::SepCheck, "sp5", "-", E::Status},
    {E::Prepay, "prepay", "Prepaid time", E::Status},
    {E::Prepay30, "triantalepta", "0:30", E::Prepay, {.group = G::PrepaidStart, .minutes = 30}},
    {E::Prepay60, "eksintalepta", "1:00", E::Prepay, {.group = G::PrepaidStart, .minutes = 60}},
    {E::Prepay90, "enenintalepta", "1:30", E::Prepay, {.group = G::PrepaidStart, .minutes = 90}},
    {E::Prepay120, "ekatonlepta", "2:00", E::Prepay, {.group = G::PrepaidStart, .minutes = 120}},
    {E::SepPrepay, "sp6", "-", E::Prepay},
    {E::StopPrepaid, "stoppre", "Terminate", E::Prepay, {.group = G::StopPrepaid}},
    {E::Settings, "settings", "&Settings    ", {}, {.admin = true}},
    {E::Rates, "rates", "Rates", E::Settings, {.provided = true}},
    {E::MinimumCharge, "fixrate", "Minimum Charge", E::Settings, {.provided = true}},
    {E::Computers, "computers", "Computers", E::Settings, {.provided = true}},
    {E::Passwords, "passwords", "Passwords", E::Settings, {.provided = true}},
    {E::UserPassword, "userpass", "Change User Password", E::Passwords, {.provided = true}},
    {E::AdminPassword, "adminpass", "Change Admin Password", E::Passwords, {.provided = true}},
    {E::Misc, "miscsettings", "Misc", E::Settings, {.icon = "settings"}},
    {E::PriceList, "pircelist", "&Pricelist    ", {}},
    {E::Categories, "catdiax", "Categories", E::PriceList, {.provided = true}},
    {E::Products, "productdiax", "Products", E::PriceList, {.provided = true}},
    {E::ShowPrices, "show", "Show", E::PriceList, {.provided = true}},
    {E::Appearance, "emf", "&Appearance    ", {}},
    {E::IconPosition, "metakin", "Set Icon Position", E::Appearance},
    {E::Background, "fonto", "Background", E::Appearance, {.provided = true}},
    {E::Transactions, "kin", "&Transactions    ", {}, {.admin = true}},
    {E::CurrentTransactions, "tamio", "Current Transactions", E::Transactions, {.icon = "money"}},
    {E::ShowTransactions, "showkin", "Show Transactions", E::Transactions, {.provided = true}},
    {E::UserTransactions, "custkin", "User Transactions", E::Transactions, {.provided = true}},
    {E::Charts, "charts", "Charts", E::Transactions, {.provided = true, .kind = "frmcharts"}},
    {E::PrinterHistory, "printer", "printer History", E::Transactions, {.provided = true, .kind = "frmkinprt"}},
    {E::Cashier, "user", "&Cashier     ", {}},
    {E::SwitchCashier, "chuser", "Switch Cashier", E::Cashier, {.icon = "user"}},
    {E::Shifts, "shifts", "Shifts", E::Cashier, {.provided = true, .kind = "frmshifts"}},
    {E::Users, "cust", "&Users     ", {}},
    {E::NewUser, "newcsut", "Add New User", E::Users, {.provided = true, .kind = "frmnewuser"}},
    {E::ShowUsers, "custcard", "Show Users", E::Users, {.provided = true, .kind = "frmcust"}},
    {E::Tools, "tools", "&Tools    ", {}, {.admin = true}},
    {E::Maintenance, "da", "Database Maintenance", E::Tools, {.provided = true}},
    {E::MainDatabase, "db1", "Main Database", E::Maintenance, {.provided = true}},
    {E::UserDatabase, "db2", "User Database", E::Maintenance, {.provided = true}},
    {E::DeletePrinterHistory, "delprint", "Delete Printer History", E::Tools, {.provided = true}},
    {E::Backup, "backup", "Backup", E::Tools, {.provided = true}},
    {E::HelpMenu, "helpp", "&Help         ", {}},
    {E::About, "about", "About", E::HelpMenu, {.provided = true}},
    {E::Help, "help", "Help Topics", E::HelpMenu, {.provided = true}},
    {E::Support, "support", "On line support", E::HelpMenu, {.provided = true}},
    {E::Exit, "exit", "&Exit", {}},
    {E::ToolbarMessage, "msg", "Message", {},
     {.group = G::Toolbar, .provided = true, .tip = "Send Message To All Computers"}},
    {E::ToolbarShutDown, "shutdown", "Shut Down", {},
     {.group = G::Toolbar, .provided = true, .tip = "Shut Down All Computers"}},
    {E::ToolbarCashier, "user", "Cashier", {}, {.group = G::Toolbar, .admin = true, .tip = "Switch Cashier"}},
    {E::ToolbarUnlock, "service", "Unlock", {},
     {.group = G::Toolbar, .provided = true, .tip = "Unlock All The computers"}},
    {E::ToolbarExit, "exit", "Exit", {}, {.group = G::Toolbar, .tip = "Exit"}},
};
// clang-format on
#pragma GCC diagnostic pop

// info() looks an entry up by its place.
constexpr bool inEnumOrder()
{
    for (size_t i = 0; i < std::size(Table); ++i)
        if (Table[i].entry != MenuEntry(i))
            return false;
    return true;
}
static_assert(inEnumOrder() && std::size(Table) == Count);

} // namespace

std::span<const Info> all() { return Table; }

const Info &info(MenuEntry entry) { return Table[size_t(entry)]; }

QString kind(MenuEntry entry)
{
    const Info &i = info(entry);
    return QString::fromLatin1(i.traits.kind ? i.traits.kind : i.key);
}

bool isPopupCommand(MenuEntry entry)
{
    const Group g = info(entry).traits.group;
    return g != Group::Menu && g != Group::Toolbar;
}

Login::Role needs(std::optional<MenuEntry> entry)
{
    for (; entry; entry = info(*entry).under)
        if (info(*entry).traits.admin)
            return Login::Role::Admin;
    return Login::Role::Cashier;
}

} // namespace MenuEntries
