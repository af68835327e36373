#include "admin/Login.h"

#include "store/CafeStore.h"

QStringList Login::accounts() { return {QStringLiteral("Admin"), QStringLiteral("user")}; }

Result<std::optional<Login::Role>> Login::auth(const QString &account, const QString &password)
{
    const auto name = m_store.operatorLogin(account, password);
    if (!name)
        return failure(name.error());
    // The stored names decide the role exactly; any other row logs nobody in.
    if (*name == QLatin1String("admin"))
        return std::optional(Role::Admin);
    if (*name == QLatin1String("user"))
        return std::optional(Role::Cashier);
    return std::optional<Role>();
}

QString Login::panelText(Role role)
{
    return QStringLiteral("User: ") + (role == Role::Admin ? QStringLiteral("Admin") : QStringLiteral("User"));
}

QString Login::roleName(Role role) { return role == Role::Admin ? QStringLiteral("admin") : QStringLiteral("user"); }

QString Login::firstRunNotice()
{
    return QStringLiteral("this is the first time you are running korvane\n"
                          " The default password for Admin = kelpo\n"
                          "The default password for user = dask");
}
