#include "store/OperatorBook.h"

#include "store/PasswordDigest.h"

#include <QSqlRecord>
#include <algorithm>

Result<std::optional<QString>> OperatorBook::operatorLogin(const QString &username, const QString &password)
{
    auto q = run(QStringLiteral("SELECT username, password FROM users WHERE fold(username) = ? ORDER BY aa"),
                 {fold(username)});
    if (!q)
        return failure(lastError());
    while (q->next())
        if (PasswordDigest::matches(q->value(1).toString(), password))
            return std::optional(q->value(0).toString());
    return std::optional<QString>();
}

Result<void> OperatorBook::setOperatorPassword(const QString &username, const QString &password)
{
    return write(QStringLiteral("UPDATE users SET password = ? WHERE fold(username) = ?"),
                 {PasswordDigest::make(password), fold(username)});
}

Result<QString> OperatorBook::operatorPassword(const QString &username)
{
    auto q = run(QStringLiteral("SELECT password FROM users WHERE username = ? ORDER BY aa"), {username});
    if (!q)
        return failure(lastError());
    if (!q->next())
        return failure(QStringLiteral("The books have no operator account \"%1\".").arg(username));
    return q->value(0).toString();
}
