#pragma once

// The text of a PDF as poppler's pdftotext reads it; the test fails, not
// skips, where poppler-utils is missing.

#include <QProcess>
#include <QString>
#include <QTest>

inline QString pdfText(const QString &pdf, bool layout = false)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), (layout ? QStringList{QStringLiteral("-layout")} : QStringList())
                                             << pdf << QStringLiteral("-"));
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        QTest::qFail("pdftotext (poppler-utils) did not run", __FILE__, __LINE__);
    return QString::fromUtf8(p.readAllStandardOutput());
}
