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

    QCheckBox *pollCheck() const { return m_check1; }
    QLineEdit *secondsField() const { return m_text1; }
    QCheckBox *toolbarCheck() const { return m_check2; }
    QRadioButton *sideButton(int side) const; // 1 UP .. 4 RIGHT
    QPushButton *colorButton() const { return m_command2; }
    QPushButton *fontButton() const { return m_command3; }
    QPushButton *bigButton() const { return m_command5; }
    QPushButton *smallButton() const { return m_command6; }
    QPushButton *saveButton() const { return m_command1; }
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
    QCheckBox *m_check1 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QCheckBox *m_check2 = nullptr;
    QRadioButton *m_option[4] = {};
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command3 = nullptr;
    QPushButton *m_command5 = nullptr;
    QPushButton *m_command6 = nullptr;
    QPushButton *m_command1 = nullptr;
    // Label4 .. Label8, Label10: lines 5 to 10.
    QLabel *m_value[6] = {};
    ComputerMapWidget *m_preview = nullptr;
};
