#pragma once

#include "store/ChargeKinds.h"

#include <QDateTime>
#include <QString>
#include <optional>

// The status word of a state, as the transfer window shows it:
// "ison", "isonpre", "isonuser", or empty for a free computer.
inline QString statusWord(SlotState state)
{
    const ChargeKind *kind = chargeKind(state);
    return kind ? QString::fromLatin1(kind->statusWord) : QString();
}

// What the console keeps for one computer of the roster, addressed by the
// roster key `aa`.
struct Slot
{
    qint64 aa = 0;
    QString name;
    QString address;
    SlotState state = SlotState::Free;
    QDateTime start;        // invalid when none
    QDateTime plannedEnd;   // prepaid only
    qint64 transaction = 0; // kin.aa of the open row, 0 when none
    qint64 amount = 0;      // prepaid seconds, or the account's minutes at the start
    QString pin;            // customer account only
    bool prepaidTimer = false;
    std::optional<Picture> picture; // none until the first state is shown

    bool isFree() const { return state == SlotState::Free; }
    // Everything a charge left behind goes at once, so that no later start
    // or bill can reach the key of a charge that has ended.
    void clearCharge()
    {
        state = SlotState::Free;
        start = QDateTime();
        plannedEnd = QDateTime();
        transaction = 0;
        amount = 0;
        pin.clear();
    }
};
