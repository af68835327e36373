#include "PlatformNoise.h"

#include <QString>
#include <QStringList>
#include <QTest>
#include <QtGlobal>

namespace {
QtMessageHandler s_next = nullptr;

bool isNoise(QtMsgType type, const QString &text)
{
    static const QStringList known{
        QStringLiteral("This plugin does not support raise()"),
        QStringLiteral("This plugin does not support lower()"),
        QStringLiteral("This plugin does not support propagateSizeHints()"),
        QStringLiteral("This plugin does not support grabbing the keyboard"),
        QStringLiteral("This plugin does not support grabbing the mouse"),
        QStringLiteral("This plugin does not support QCursor::setPos()"),
    };
    if (type != QtWarningMsg)
        return false;
    for (const QString &k : known)
        if (text.startsWith(k))
            return true;
    return false;
}

void filter(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!isNoise(type, text) && s_next)
        s_next(type, context, text);
}
} // namespace

void quietPlatformNoise()
{
    // Before the run, Qt Test's handler is not there yet and would go on top.
    if (!QTest::currentTestFunction())
        return;
    static const bool installed = [] {
        s_next = qInstallMessageHandler(filter);
        return true;
    }();
    Q_UNUSED(installed);
}
