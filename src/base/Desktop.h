#pragma once

#include "base/Result.h"

#include <QStringList>
#include <QUrl>
#include <optional>

// What the console asks of the desktop around it: the web browser, other
// programs, the system information tool. Tests give a recording double.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // Opens a page or a local file in the system's web browser.
    virtual Result<void> openUrl(const QUrl &url) = 0;
    // Starts a program without waiting for it.
    virtual Result<void> start(const QString &program, const QStringList &arguments) = 0;
    // The desktop's system information tool, when one is installed.
    virtual std::optional<QString> systemInfoTool() const = 0;
};
