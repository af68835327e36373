#include "console/PickerDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

PickerDialog::PickerDialog(const QFont &initial, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Font"));
    m_family = new QFontComboBox(this);
    m_family->setCurrentFont(initial);
    m_size = new QComboBox(this);
    for (int s = SmallestSize; s <= LargestSize; ++s)
        m_size->addItem(QString::number(s), s);
    m_size->setCurrentIndex(qBound(SmallestSize, initial.pointSize(), LargestSize) - SmallestSize);
    m_bold = new QCheckBox(QStringLiteral("&Bold"), this);
    m_bold->setChecked(initial.bold());
    m_italic = new QCheckBox(QStringLiteral("&Italic"), this);
    m_italic->setChecked(initial.italic());

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Font:"), m_family);
    form->addRow(QStringLiteral("&Size:"), m_size);
    auto *effects = new QHBoxLayout;
    effects->addWidget(m_bold);
    effects->addWidget(m_italic);
    effects->addStretch();
    form->addRow(QStringLiteral("Effects:"), effects);

    auto *box = new QGroupBox(QStringLiteral("Sample"), this);
    m_sample = new QLabel(QStringLiteral("Computer"), box);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumHeight(48);
    (new QVBoxLayout(box))->addWidget(m_sample);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    layout->addWidget(buttons);

    connect(m_family, &QFontComboBox::currentFontChanged, this, &PickerDialog::showSample);
    connect(m_size, &QComboBox::currentIndexChanged, this, &PickerDialog::showSample);
    connect(m_bold, &QCheckBox::toggled, this, &PickerDialog::showSample);
    connect(m_italic, &QCheckBox::toggled, this, &PickerDialog::showSample);
    showSample();
}

QFont PickerDialog::chosenFont() const
{
    QFont f(m_family->currentFont().family());
    f.setPointSize(m_size->currentData().toInt());
    f.setBold(m_bold->isChecked());
    f.setItalic(m_italic->isChecked());
    return f;
}

void PickerDialog::showSample() { m_sample->setFont(chosenFont()); }

std::optional<QColor> DialogPicker::chooseColor(const QColor &initial, QWidget *parent)
{
    const QColor c = QColorDialog::getColor(initial, parent, QStringLiteral("Color"));
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QFont> DialogPicker::chooseFont(const QFont &initial, QWidget *parent)
{
    PickerDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenFont();
}
