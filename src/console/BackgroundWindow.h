#pragma once

#include <QDialog>

class CafeStore;
class FileChooser;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// Form7: the picture behind the computer map.
class BackgroundWindow : public QDialog
{
    Q_OBJECT
public:
    BackgroundWindow(CafeStore &store, Prompter &prompter, FileChooser &files, QWidget *parent = nullptr);

    // The file dialog's choices: the JPEG, BMP and ICO, GIF of old, and PNG.
    static QString filter();

    QLineEdit *fileField() const { return m_text1; }
    QLabel *pathLabel() const { return m_label2; }
    QLabel *preview() const { return m_image1; }
    QPushButton *findButton() const { return m_command1; }
    QPushButton *saveButton() const { return m_command2; }

    void find();
    void save();

signals:
    // The stored path: the map shows the picture at once.
    void saved(const QString &path);

private:
    void getcurrenct();
    void showPreview(const QString &path);

    CafeStore &m_store;
    Prompter &m_prompter;
    FileChooser &m_files;
    QLineEdit *m_text1 = nullptr;
    QLabel *m_label2 = nullptr;
    QLabel *m_image1 = nullptr;
    QPushButton *m_command1 = nullptr;
    QPushButton *m_command2 = nullptr;
};
