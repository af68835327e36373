#pragma once

#include "base/Result.h"

#include <QStringList>

class CafeStore;

// The change of one operator password: the administrator's own (the current
// one asked and compared as the login compares it, since only a digest of the
// folded password is kept) or the cashier's (no current one asked).
class Passwords
{
public:
    enum class Mode { Admins, Users };

    // What one click told the operator, in order, and whether it stored.
    struct Outcome
    {
        QStringList messages;
        bool changed = false;
        bool focusCurrent = false; // the current password was wrong
        QString error;             // the books could not be read or written
    };

    Passwords(CafeStore &store, Mode mode)
        : m_store(store)
        , m_mode(mode)
    {}

    Mode mode() const { return m_mode; }
    QString account() const;      // "admin" or "user"
    QString frameCaption() const; // "Change Administrator Password" / "Change User Password"
    QString titleSuffix() const;  // " Administrator" / " User"

    // `getadminpass` / `getuserpass`: the stored digest, kept for the checks.
    Result<void> load();

    // Change, for the administrator or the cashier, with the three fields.
    Outcome submit(const QString &current, const QString &fresh, const QString &again);

private:
    Outcome change(const QString &newpass);

    CafeStore &m_store;
    Mode m_mode;
    QString m_cadminpass;
};
