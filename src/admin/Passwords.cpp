#include "admin/Passwords.h"

#include "store/CafeStore.h"
#include "store/PasswordDigest.h"

QString Passwords::account() const { return m_mode == Mode::Admins ? QStringLiteral("admin") : QStringLiteral("user"); }

QString Passwords::frameCaption() const
{
    return m_mode == Mode::Admins ? QStringLiteral("Change Administrator Password")
                                  : QStringLiteral("Change User Password");
}

QString Passwords::titleSuffix() const
{
    return m_mode == Mode::Admins ? QStringLiteral(" Administrator") : QStringLiteral(" User");
}

Result<void> Passwords::load()
{
    const Result<QString> stored = m_store.operatorPassword(account());
    if (!stored)
        return failure(stored.error());
    m_cadminpass = *stored;
    return {};
}

Passwords::Outcome Passwords::submit(const QString &current, const QString &fresh, const QString &again)
{
    Outcome o;
    if (m_mode == Mode::Admins) {
        if (current.isEmpty()) {
            o.messages << QStringLiteral("Current Password Was Not Entered ");
            return o;
        }
        if (fresh.isEmpty()) {
            o.messages << QStringLiteral(" New Password Is Blank");
            return o;
        }
        if (again.isEmpty()) {
            o.messages << QStringLiteral("Please verify Your Password");
            return o;
        }
        // The mismatch is told and the current password still checked.
        if (fresh != again)
            o.messages << QStringLiteral("Password Do Not Match");
        if (!PasswordDigest::matches(m_cadminpass, current)) {
            o.messages << QStringLiteral(" Current Password Is Invalid");
            o.focusCurrent = true;
            return o;
        }
        if (fresh != again)
            return o;
        return change(again);
    }
    if (fresh.isEmpty()) {
        o.messages << QStringLiteral(" New Password Is Blank");
        return o;
    }
    if (again.isEmpty()) {
        o.messages << QStringLiteral("Please verify Your Password");
        return o;
    }
    if (fresh != again) {
        o.messages << QStringLiteral("Passwords Do Not Match");
        return o;
    }
    return change(again);
}

Passwords::Outcome Passwords::change(const QString &newpass)
{
    Outcome o;
    if (const auto stored = m_store.setOperatorPassword(account(), newpass); !stored) {
        o.error = stored.error();
        return o;
    }
    o.changed = true;
    o.messages << QStringLiteral("Password Has Been Changed");
    if (const Result<void> again = load(); !again)
        o.error = again.error();
    return o;
}
