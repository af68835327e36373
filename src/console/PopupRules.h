#pragma once

#include "engine/Slot.h"

#include <QString>
#include <QStringList>
#include <optional>

// Which entries of a computer's pop-up menu are offered, by what runs on it.
struct PopupEntries
{
    bool running = false;       // get, metafora, extra, msg
    bool prepaidStarts = false; // 0:30, 1:00, 1:30, 2:00
    bool stoppre = false;
};

namespace PopupRules {

// nullopt: no menu at all (a customer account runs there).
std::optional<PopupEntries> entriesFor(SlotState state);

// Entry names of each group, as the menu names them.
QStringList runningEntries();
QStringList prepaidStartEntries();

// Minutes of each quick prepaid entry, by its name; 0 for others.
int prepaidMinutes(const QString &entry);
// Seconds of a quick prepaid start: the tolerance on top of the entry's time.
qint64 pretime(qint64 tolminutes, int entryMinutes);

} // namespace PopupRules
