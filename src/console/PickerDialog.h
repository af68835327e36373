#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <optional>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;

// The colour and font questions of the options window; tests answer them.
class Picker
{
public:
    virtual ~Picker() = default;
    virtual std::optional<QColor> chooseColor(const QColor &initial, QWidget *parent) = 0;
    virtual std::optional<QFont> chooseFont(const QFont &initial, QWidget *parent) = 0;
};

// The font dialog of the computer names: any installed font, sizes 8 to 13,
// bold and italic, with a sample.
class PickerDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int SmallestSize = 8;
    static constexpr int LargestSize = 13;

    explicit PickerDialog(const QFont &initial, QWidget *parent = nullptr);
    QFont chosenFont() const;

private:
    void showSample();
    QFontComboBox *m_family;
    QComboBox *m_size;
    QCheckBox *m_bold;
    QCheckBox *m_italic;
    QLabel *m_sample;
};

// The real questions: the colour dialog and the names' font dialog.
class DialogPicker : public Picker
{
public:
    std::optional<QColor> chooseColor(const QColor &initial, QWidget *parent) override;
    std::optional<QFont> chooseFont(const QFont &initial, QWidget *parent) override;
};
