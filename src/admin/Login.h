#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class CafeStore;
class QSettings;

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
    // ignored; nullopt for a wrong password. A database failure also gives
    // nullopt, with its cause in error().
    std::optional<Role> auth(const QString &account, const QString &password);
    QString error() const { return m_error; }

    // "User: Admin" / "User: User", the first status-bar panel.
    static QString panelText(Role role);
    static QString roleName(Role role); // "admin" / "user"

    // The first-run flag lives in the per-user settings under "config/firstrun".
    static bool firstRun(const QSettings &settings);
    static void markLoaded(QSettings &settings);
    static QString firstRunNotice();

private:
    CafeStore &m_store;
    QString m_error;
};
