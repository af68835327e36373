#pragma once

#include <QString>

class QWidget;

// The file and folder questions of the windows; tests answer them.
// An empty answer is a cancelled dialog.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    // filter as Qt writes it: "Jpeg (*.jpg *.jpeg);;gif (*.gif)".
    virtual QString openFile(QWidget *parent, const QString &title, const QString &filter) = 0;
    virtual QString folder(QWidget *parent, const QString &title, const QString &start) = 0;
};
