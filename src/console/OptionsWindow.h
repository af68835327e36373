#pragma once

#include "store/SettingsFile.h"

#include <QDialog>

class ComputerMapWidget;
class Picker;
class Prompter;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Misc Settings": the display and polling options of settings.dat with a
// preview of one map element. Save rewrites the whole file.
class OptionsWindow : public QDialog
{
    Q_OBJECT
public:
    OptionsWindow(const QString &settingsPath, Prompter &prompter, Picker &picker, QWidget *parent = nullptr);

    QCheckBox *pollCheck() const { return m_pollCheck; }
    QLineEdit *secondsField() const { return m_secondsEdit; }
    QCheckBox *toolbarCheck() const { return m_toolbarCheck; }
    QRadioButton *sideButton(int side) const; // 1 UP .. 4 RIGHT
    QPushButton *colorButton() const { return m_colorButton; }
    QPushButton *fontButton() const { return m_fontButton; }
    QPushButton *bigButton() const { return m_bigButton; }
    QPushButton *smallButton() const { return m_smallButton; }
    QPushButton *saveButton() const { return m_saveButton; }
    ComputerMapWidget *preview() const { return m_preview; }
    // Lines 5 to 10 as the window holds them.
    QStringList values() const;

    // "&Save": checks the seconds, writes the file, closes. False when refused
    // or the file cannot be written.
    bool save();

signals:
    // "UP" .. "RIGHT" dock the console's toolbar at once: 1 top .. 4 right.
    void toolbarSideChosen(int side);
    // After the file is written; polling and the toolbar follow lines 1 and 3 at once.
    void saved(const SettingsFile &settings);

private:
    void buildUi();
    void load();
    void chooseColor();
    void chooseFont();
    void setIconSize(bool big);
    void showPreview();

    QString m_path;
    Prompter &m_prompter;
    Picker &m_picker;
    QCheckBox *m_pollCheck = nullptr;
    QLineEdit *m_secondsEdit = nullptr;
    QCheckBox *m_toolbarCheck = nullptr;
    QRadioButton *m_sideButton[4] = {};
    QPushButton *m_colorButton = nullptr;
    QPushButton *m_fontButton = nullptr;
    QPushButton *m_bigButton = nullptr;
    QPushButton *m_smallButton = nullptr;
    QPushButton *m_saveButton = nullptr;
    // Lines 5 to 10: name colour, font, size, bold, italic, icon size.
    QLabel *m_value[6] = {};
    ComputerMapWidget *m_preview = nullptr;
};
