#include "store/PasswordDigest.h"

#include "store/SqlStore.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>

namespace {
const QString kScheme = QStringLiteral("pbkdf2-sha256");
// Some tens of milliseconds: slow for a guesser, unnoticed at login.
constexpr int kIterations = 20000;
// A book's digest that asks for more than this is not one of ours.
constexpr int kMostIterations = 10'000'000;
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;

QByteArray derive(const QString &password, const QByteArray &salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, SqlStore::fold(password).toUtf8(), salt,
                                              iterations, kKeyBytes);
}
} // namespace

namespace PasswordDigest {

QString make(const QString &password)
{
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()), kSaltBytes / 4);
    return QStringList{kScheme, QString::number(kIterations), QString::fromLatin1(salt.toBase64()),
                       QString::fromLatin1(derive(password, salt, kIterations).toBase64())}
        .join(QLatin1Char('$'));
}

bool matches(const QString &digest, const QString &password)
{
    const QStringList parts = digest.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != kScheme)
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray key = QByteArray::fromBase64(parts[3].toLatin1());
    if (!ok || iterations < 1 || iterations > kMostIterations || salt.isEmpty() || key.size() != kKeyBytes)
        return false;
    const QByteArray typed = derive(password, salt, iterations);
    // Compared in full, so the time taken tells nothing of where they differ.
    char differ = 0;
    for (qsizetype i = 0; i < kKeyBytes; ++i)
        differ |= char(typed[i] ^ key[i]);
    return differ == 0;
}

} // namespace PasswordDigest
