#pragma once

#include <QIcon>
#include <QString>

// The console's own line icons, one drawing style for the toolbar and menus:
// "msg", "shutdown", "user", "service", "exit", "settings", "money".
namespace ToolIcons {
QIcon icon(const QString &key);
}
