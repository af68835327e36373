#pragma once

#include "base/Desktop.h"
#include "base/FileChooser.h"

#include <QQueue>

// Records what would have opened a browser or started a program.
class FakeDesktop : public Desktop
{
public:
    Result<void> openUrl(const QUrl &url) override
    {
        urls << url;
        return {};
    }
    Result<void> start(const QString &program, const QStringList &arguments) override
    {
        if (!startError.isEmpty())
            return failure(startError);
        started << (QStringList{program} + arguments);
        return {};
    }
    std::optional<QString> systemInfoTool() const override { return sysInfo; }

    QList<QUrl> urls;
    QList<QStringList> started;
    QString startError;             // start() fails with this when set
    std::optional<QString> sysInfo; // none installed unless set
};

// Answers the file dialog from a queue (nothing queued is a cancel); the folder dialog is always cancelled.
class ScriptedFileChooser : public FileChooser
{
public:
    QString openFile(QWidget *, const QString &, const QString &filter) override
    {
        filters << filter;
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString folder(QWidget *, const QString &, const QString &) override { return {}; }
    QQueue<QString> files;
    QStringList filters;
};
