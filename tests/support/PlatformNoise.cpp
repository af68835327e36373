#include "PlatformNoise.h"

#include <QRegularExpression>
#include <QTest>

namespace {
QtMessageHandler s_next = nullptr;

void filter(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    static const QRegularExpression noise(
        QStringLiteral("^This plugin does not support (raise|lower|propagateSizeHints|grabbing the "
                       "(keyboard|mouse)|QCursor::setPos)"));
    if (type != QtWarningMsg || !noise.match(text).hasMatch())
        s_next(type, context, text);
}
} // namespace

void quietPlatformNoise()
{
    // Before the run, Qt Test's handler is not there yet and would go on top.
    if (QTest::currentTestFunction() && !s_next)
        s_next = qInstallMessageHandler(filter);
}
