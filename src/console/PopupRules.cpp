#include "console/PopupRules.h"

namespace PopupRules {

std::optional<PopupEntries> entriesFor(SlotState state)
{
    switch (state) {
    case SlotState::Free:
        return PopupEntries{false, true, false};
    case SlotState::Normal:
        return PopupEntries{true, false, false};
    case SlotState::Prepaid:
        return PopupEntries{true, false, true};
    case SlotState::Account:
        break;
    }
    return std::nullopt;
}

bool offers(const PopupEntries &entries, MenuEntry entry)
{
    switch (MenuEntries::info(entry).traits.group) {
    case MenuEntries::Group::Running:
        return entries.running;
    case MenuEntries::Group::PrepaidStart:
        return entries.prepaidStarts;
    case MenuEntries::Group::StopPrepaid:
        return entries.stoppre;
    case MenuEntries::Group::Always:
        return true;
    case MenuEntries::Group::Menu:
    case MenuEntries::Group::Toolbar:
        break;
    }
    return false;
}

qint64 pretime(qint64 tolminutes, int entryMinutes) { return tolminutes * 60 + qint64(entryMinutes) * 60; }

} // namespace PopupRules
