#pragma once

#include "base/Desktop.h"

// The real desktop; on the window side because the browser is reached
// through Qt GUI.
class SystemDesktop : public Desktop
{
public:
    Result<void> openUrl(const QUrl &url) override;
    Result<void> start(const QString &program, const QStringList &arguments) override;
    std::optional<QString> systemInfoTool() const override;
};
