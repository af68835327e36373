#include "reports/PrintLog.h"

#include "base/Format.h"

#include <QFile>
#include <QFileInfo>

QString PrintLog::entry(const QDateTime &when, const QString &cardName, const QString &pin)
{
    return Format::shortDate(when.date()) + QLatin1Char(' ') + Format::longTime(when.time()) + QStringLiteral(" | ")
           + cardName + QStringLiteral(" | ") + pin;
}

Result<qint64> PrintLog::append(const QString &entry)
{
    const QByteArray line = entry.toUtf8() + "\r\n";
    const bool existed = QFileInfo::exists(m_path);
    QFile f(m_path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return failure(QStringLiteral("The card log %1 cannot be written: %2").arg(m_path, f.errorString()));
    if (!existed) // it holds PINs
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const qint64 offset = f.size();
    if (f.write(line) != line.size() || !f.flush()) {
        const QString why = f.errorString();
        f.resize(offset);
        return failure(QStringLiteral("The card log %1 cannot be written: %2").arg(m_path, why));
    }
    return offset;
}

Result<void> PrintLog::undo(qint64 offset)
{
    QFile f(m_path);
    if (!f.resize(offset))
        return failure(QStringLiteral("The card log %1 keeps a line for a card that was not printed: %2")
                           .arg(m_path, f.errorString()));
    return {};
}

QByteArray PrintLog::read() const
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}
