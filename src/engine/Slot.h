#pragma once

#include "store/StatusPictures.h"

#include <QDateTime>
#include <QString>
#include <optional>

// What the console keeps for one computer of the roster, addressed by the
// roster key `aa`.
struct Slot
{
    static inline const QString Free = QString();
    static inline const QString Normal = QStringLiteral("ison");
    static inline const QString Prepaid = QStringLiteral("isonpre");
    static inline const QString Account = QStringLiteral("isonuser");

    qint64 aa = 0;
    QString name;
    QString address;
    QString status;          // "ison", "isonpre", "isonuser" or empty
    QDateTime start;         // invalid when none
    QDateTime plannedEnd;    // prepaid only
    qint64 transaction = 0;  // kin.aa of the open row, 0 when none
    qint64 amount = 0;       // prepaid seconds, or the account's minutes at the start
    QString pin;             // customer account only
    bool prepaidTimer = false;
    std::optional<Picture> picture; // none until the first state is shown

    bool isFree() const { return status.isEmpty(); }
};
