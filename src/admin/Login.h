#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>
#include <optional>

class CafeStore;

// The two operator accounts and the check of a typed password.
class Login
{
public:
    enum class Role { Admin, Cashier };

    explicit Login(CafeStore &store)
        : m_store(store)
    {}

    // The account list, in the order the window shows it.
    static QStringList accounts();

    // The role of the account whose name and password match, letter case
    // ignored; nullopt for a wrong password, a failure when the books
    // cannot be read.
    Result<std::optional<Role>> auth(const QString &account, const QString &password);

    // "User: Admin" / "User: User", the first status-bar panel.
    static QString panelText(Role role);
    static QString roleName(Role role); // "admin" / "user"

    // Shown at the login while the console has never loaded (UserSettings::firstRun).
    static QString firstRunNotice();

private:
    CafeStore &m_store;
};
