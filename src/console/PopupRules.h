#pragma once

#include "console/MenuEntries.h"
#include "engine/Slot.h"

#include <optional>

// Which entries of a computer's pop-up menu are offered, by what runs on it.
struct PopupEntries
{
    bool running = false;       // the Running group
    bool prepaidStarts = false; // the PrepaidStart group
    bool stoppre = false;
};

namespace PopupRules {

// nullopt: no menu at all (a customer account runs there).
std::optional<PopupEntries> entriesFor(SlotState state);
// Whether a pop-up entry is among those offered.
bool offers(const PopupEntries &entries, MenuEntry entry);

// Seconds of a quick prepaid start: the tolerance on top of the entry's time.
qint64 pretime(qint64 tolminutes, int entryMinutes);

} // namespace PopupRules
