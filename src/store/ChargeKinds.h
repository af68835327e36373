#pragma once

#include "store/Records.h"
#include "store/StatusPictures.h"

#include <QString>

// What runs on a computer. The books keep it as the flags `timer`,
// `pretime` and `user` of `computers`; the presence probe and the logon
// service read it from the slot.
enum class SlotState { Free, Normal, Prepaid, Account };

// Everything that tells one kind of time charge from the others, in one
// place, so the start, the restart, the roster and the repair tool cannot
// disagree on which flag, row or picture belongs to which kind.
struct ChargeKind
{
    SlotState state;
    ComputerFlag flag;
    bool ComputerRow::*flagged; // the flag as read into a roster row
    const char *column;         // the flag's column in `computers`
    // The running row in `kin`, as a condition; only the store runs it.
    const char *openRow;
    Picture picture;
    const char *statusWord;   // the state as the transfer window shows it
    const char *findingWords; // the repair tool's findings
    const char *rosterWords;  // why the roster will not remove the computer
};

inline constexpr ChargeKind chargeKinds[] = {
    {SlotState::Normal, ComputerFlag::Timer, &ComputerRow::timer, "timer", "enab = 1 AND enddate IS NULL",
     Picture::Normal, "ison", "a normal time charge", "A Time Charge"},
    {SlotState::Prepaid, ComputerFlag::Pretime, &ComputerRow::pretime, "pretime",
     "pretimeenab = 1 AND totaltime IS NULL", Picture::Prepaid, "isonpre", "a prepaid time charge",
     "A Prepaid Time Charge"},
    {SlotState::Account, ComputerFlag::User, &ComputerRow::user, "\"user\"", "userenab = 1", Picture::Account,
     "isonuser", "a customer account time charge", "A Customer Account Time Charge"},
};

// The kind a slot runs; none for a free computer.
inline const ChargeKind *chargeKind(SlotState state)
{
    for (const ChargeKind &k : chargeKinds)
        if (k.state == state)
            return &k;
    return nullptr;
}

inline const ChargeKind &chargeKind(ComputerFlag flag)
{
    for (const ChargeKind &k : chargeKinds)
        if (k.flag == flag)
            return k;
    return chargeKinds[0];
}
