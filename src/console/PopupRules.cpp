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

QStringList runningEntries()
{
    return {QStringLiteral("get"), QStringLiteral("metafora"), QStringLiteral("extra"), QStringLiteral("msg")};
}

QStringList prepaidStartEntries()
{
    return {QStringLiteral("triantalepta"), QStringLiteral("eksintalepta"), QStringLiteral("enenintalepta"),
            QStringLiteral("ekatonlepta")};
}

int prepaidMinutes(const QString &entry)
{
    const int at = prepaidStartEntries().indexOf(entry);
    return at < 0 ? 0 : (at + 1) * 30;
}

qint64 pretime(qint64 tolminutes, int entryMinutes) { return tolminutes * 60 + qint64(entryMinutes) * 60; }

} // namespace PopupRules
