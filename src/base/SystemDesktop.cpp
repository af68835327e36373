#include "base/SystemDesktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

Result<void> SystemDesktop::openUrl(const QUrl &url)
{
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return failure(QStringLiteral("%1 is missing").arg(url.toLocalFile()));
    if (!QDesktopServices::openUrl(url))
        return failure(QStringLiteral("No web browser could be started for %1").arg(url.toDisplayString()));
    return {};
}

Result<void> SystemDesktop::start(const QString &program, const QStringList &arguments)
{
    const QFileInfo info(program);
    if (!info.exists())
        return failure(QStringLiteral("%1 is missing").arg(program));
    if (!info.isExecutable())
        return failure(QStringLiteral("%1 is not a program that can be started").arg(program));
    QProcess p;
    p.setProgram(program);
    p.setArguments(arguments);
    if (!p.startDetached())
        return failure(QStringLiteral("%1 cannot be started: %2").arg(program, p.errorString()));
    return {};
}

std::optional<QString> SystemDesktop::systemInfoTool() const
{
    // The information centres of the common desktops, the fullest first.
    for (const char *name : {"kinfocenter", "hardinfo2", "hardinfo", "gnome-system-monitor", "xfce4-taskmanager"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return std::nullopt;
}
