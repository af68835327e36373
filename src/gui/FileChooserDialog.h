#pragma once

#include "base/FileChooser.h"

// The desktop's own file and folder dialogs.
class FileChooserDialog : public FileChooser
{
public:
    QString openFile(QWidget *parent, const QString &title, const QString &filter) override;
    QString folder(QWidget *parent, const QString &title, const QString &start) override;
};
