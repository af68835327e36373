#pragma once

#include <QDialog>

class CafeStore;
class FileChooser;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// The picture behind the computer map.
class BackgroundWindow : public QDialog
{
    Q_OBJECT
public:
    BackgroundWindow(CafeStore &store, Prompter &prompter, FileChooser &files, QWidget *parent = nullptr);

    // The file dialog's choices: the JPEG, BMP and ICO, GIF of old, and PNG.
    static QString filter();

    QLineEdit *fileField() const { return m_backgroundPathEdit; }
    QLabel *pathLabel() const { return m_chosenPathLabel; }
    QLabel *preview() const { return m_preview; }
    QPushButton *findButton() const { return m_findButton; }
    QPushButton *saveButton() const { return m_saveButton; }

    void find();
    void save();

signals:
    // The stored path: the map shows the picture at once.
    void saved(const QString &path);

private:
    void getCurrent();
    void showPreview(const QString &path);

    CafeStore &m_store;
    Prompter &m_prompter;
    FileChooser &m_files;
    QLineEdit *m_backgroundPathEdit = nullptr;
    QLabel *m_chosenPathLabel = nullptr;
    QLabel *m_preview = nullptr;
    QPushButton *m_findButton = nullptr;
    QPushButton *m_saveButton = nullptr;
};
