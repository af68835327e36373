#pragma once

#include "store/BookArea.h"
#include "store/Records.h"
#include "base/Money.h"

#include <QList>
#include <QVariant>

// The operators' accounts.
class OperatorBook : protected BookArea
{
public:
    // The stored user name of the account matching both, ignoring letter case
    // in every alphabet; nullopt when none (or on error, see lastError()).
    Result<std::optional<QString>> operatorLogin(const QString &username, const QString &password);
    // Stores a salted digest of the password, never the password itself.
    Result<void> setOperatorPassword(const QString &username, const QString &password);

    // The stored password digest of the account with exactly this user name.
    Result<QString> operatorPassword(const QString &username);

protected:
    explicit OperatorBook(SqlStore &sql)
        : BookArea(sql)
    {}
};
