#pragma once

#include <QString>

// Operator passwords are kept as salted PBKDF2 digests of the password folded
// as the login compares it, so a copied book or backup does not give them away
// and the login still ignores letter case:
//   pbkdf2-sha256$<iterations>$<salt, base64>$<key, base64>
namespace PasswordDigest {

// A fresh digest of password, with its own random salt.
QString make(const QString &password);
// Whether password, in any letter case, is the one digest was made of; false
// for anything that is not a digest.
bool matches(const QString &digest, const QString &password);
// Every book connection has make() as the SQL function password_digest(text),
// so that a book version step and a new book's defaults store digests in SQL.

} // namespace PasswordDigest
