#include "console/OptionsWindow.h"

#include "console/ComputerMapWidget.h"
#include "console/OptionsCheck.h"
#include "console/PickerDialog.h"
#include "base/Prompter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// Where the preview element stands inside its frame, twips.
constexpr int PreviewLeft = 600;
constexpr int PreviewTop = 150;
} // namespace

namespace {
// The six look values shown in the window, from the name colour to the icon size.
constexpr int LookValues = 6;
SettingsFile::Key lookKey(int i) { return SettingsFile::Key(int(SettingsFile::Key::NameColor) + i); }
} // namespace

OptionsWindow::OptionsWindow(const QString &settingsPath, Prompter &prompter, Picker &picker, QWidget *parent)
    : QDialog(parent)
    , m_path(settingsPath)
    , m_prompter(prompter)
    , m_picker(picker)
{
    setObjectName(QStringLiteral("frmoptions"));
    buildUi();
    load();
}

QRadioButton *OptionsWindow::sideButton(int side) const
{
    return side >= 1 && side <= 4 ? m_sideButton[side - 1] : nullptr;
}

void OptionsWindow::buildUi()
{
    setWindowTitle(QStringLiteral("Misc Settings"));

    // Polling
    auto *network = new QGroupBox(QStringLiteral("Network"), this);
    m_pollCheck = new QCheckBox(QStringLiteral("Check computers if on-line ?"), network);
    m_pollCheck->setObjectName(QStringLiteral("pollCheck"));
    auto *secondsLabel = new QLabel(QStringLiteral("Seconds Between Checks"), network);
    secondsLabel->setObjectName(QStringLiteral("secondsLabel"));
    m_secondsEdit = new QLineEdit(network);
    m_secondsEdit->setObjectName(QStringLiteral("secondsEdit"));
    m_secondsEdit->setMaximumWidth(80);
    secondsLabel->setBuddy(m_secondsEdit);
    auto *secondsHint = new QLabel(QStringLiteral("(above 7)"), network);
    secondsHint->setObjectName(QStringLiteral("secondsHint"));
    auto *seconds = new QHBoxLayout;
    seconds->addWidget(secondsLabel);
    seconds->addWidget(m_secondsEdit);
    seconds->addWidget(secondsHint);
    seconds->addStretch();
    auto *networkLayout = new QVBoxLayout(network);
    networkLayout->addWidget(m_pollCheck);
    networkLayout->addLayout(seconds);

    // Toolbar
    auto *toolbar = new QGroupBox(QStringLiteral("Toolbar"), this);
    m_toolbarCheck = new QCheckBox(QStringLiteral("Show Toolbar ?"), toolbar);
    m_toolbarCheck->setObjectName(QStringLiteral("toolbarCheck"));
    auto *sideLabel = new QLabel(QStringLiteral("Toolbar Position"), toolbar);
    sideLabel->setObjectName(QStringLiteral("sideLabel"));
    auto *sides = new QHBoxLayout;
    auto *sideGroup = new QButtonGroup(this);
    const QStringList sideCaptions{QStringLiteral("UP"), QStringLiteral("DOWN"), QStringLiteral("LEFT"),
                                   QStringLiteral("RIGHT")};
    const QStringList sideNames{QStringLiteral("sideUpButton"), QStringLiteral("sideDownButton"),
                                QStringLiteral("sideLeftButton"), QStringLiteral("sideRightButton")};
    for (int i = 0; i < 4; ++i) {
        m_sideButton[i] = new QRadioButton(sideCaptions[i], toolbar);
        m_sideButton[i]->setObjectName(sideNames[i]);
        sideGroup->addButton(m_sideButton[i], i + 1);
        sides->addWidget(m_sideButton[i]);
    }
    sides->addStretch();
    connect(sideGroup, &QButtonGroup::idClicked, this, &OptionsWindow::toolbarSideChosen);
    auto *toolbarLayout = new QVBoxLayout(toolbar);
    toolbarLayout->addWidget(m_toolbarCheck);
    toolbarLayout->addWidget(sideLabel);
    toolbarLayout->addLayout(sides);

    // Names and icons
    auto *names = new QGroupBox(QStringLiteral("Computer Names"), this);
    m_colorButton = new QPushButton(QStringLiteral("&Font Color"), names);
    m_colorButton->setObjectName(QStringLiteral("colorButton"));
    m_fontButton = new QPushButton(QStringLiteral("&Font"), names);
    m_fontButton->setObjectName(QStringLiteral("fontButton"));
    const char *valueNames[6] = {"colorValue", "fontValue", "sizeValue", "boldValue", "italicValue", "iconSizeValue"};
    for (int i = 0; i < 6; ++i) {
        m_value[i] = new QLabel(names);
        m_value[i]->setObjectName(QString::fromLatin1(valueNames[i]));
        m_value[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto *namesLayout = new QGridLayout(names);
    namesLayout->addWidget(m_colorButton, 0, 0);
    namesLayout->addWidget(m_fontButton, 0, 1);
    auto *values = new QFormLayout;
    values->addRow(QStringLiteral("Color:"), m_value[0]);
    values->addRow(QStringLiteral("Font:"), m_value[1]);
    values->addRow(QStringLiteral("Size:"), m_value[2]);
    values->addRow(QStringLiteral("Bold:"), m_value[3]);
    values->addRow(QStringLiteral("Italic:"), m_value[4]);
    values->addRow(QStringLiteral("Icons:"), m_value[5]);
    namesLayout->addLayout(values, 1, 0, 1, 2);
    auto *iconSizeLabel = new QLabel(QStringLiteral("Icon Size"), names);
    iconSizeLabel->setObjectName(QStringLiteral("iconSizeLabel"));
    m_bigButton = new QPushButton(QStringLiteral("Big"), names);
    m_bigButton->setObjectName(QStringLiteral("bigButton"));
    m_smallButton = new QPushButton(QStringLiteral("Small"), names);
    m_smallButton->setObjectName(QStringLiteral("smallButton"));
    namesLayout->addWidget(iconSizeLabel, 2, 0, 1, 2, Qt::AlignBottom);
    namesLayout->addWidget(m_bigButton, 3, 0);
    namesLayout->addWidget(m_smallButton, 3, 1);
    namesLayout->setRowMinimumHeight(2, 36);
    namesLayout->setRowStretch(4, 1);

    auto *previewFrame = new QGroupBox(QStringLiteral("Preview"), this);
    previewFrame->setObjectName(QStringLiteral("previewFrame"));
    m_preview = new ComputerMapWidget(previewFrame);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->addComputer(1, QStringLiteral("Computer"), PreviewLeft, PreviewTop);
    m_preview->label(1)->setObjectName(QStringLiteral("previewName"));
    m_preview->setMinimumSize(m_preview->toPixelsX(PreviewLeft * 2 + ComputerMapWidget::BigWidth + 400),
                              m_preview->toPixelsY(PreviewTop * 2 + ComputerMapWidget::BigHeight + 200));
    (new QVBoxLayout(previewFrame))->addWidget(m_preview);

    m_saveButton = new QPushButton(QStringLiteral("&Save"), this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_saveButton->setDefault(true);

    connect(m_colorButton, &QPushButton::clicked, this, &OptionsWindow::chooseColor);
    connect(m_fontButton, &QPushButton::clicked, this, &OptionsWindow::chooseFont);
    connect(m_bigButton, &QPushButton::clicked, this, [this] { setIconSize(true); });
    connect(m_smallButton, &QPushButton::clicked, this, [this] { setIconSize(false); });
    connect(m_saveButton, &QPushButton::clicked, this, &OptionsWindow::save);

    auto *left = new QVBoxLayout;
    left->addWidget(network);
    left->addWidget(toolbar);
    left->addWidget(previewFrame, 1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addWidget(names, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_saveButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(bottom);
}

void OptionsWindow::load()
{
    const SettingsFile s = SettingsFile::read(m_path);
    m_pollCheck->setChecked(s.pollingOn());
    bool ok = false;
    const double ms = s.text(SettingsFile::Key::Interval).trimmed().toDouble(&ok);
    m_secondsEdit->setText(ok ? QString::number(ms / 1000) : QString());
    m_toolbarCheck->setChecked(s.toolbarVisible());
    if (QRadioButton *b = sideButton(s.toolbarSide()))
        b->setChecked(true);
    for (int i = 0; i < LookValues; ++i)
        m_value[i]->setText(s.text(lookKey(i)));
    showPreview();
}

QStringList OptionsWindow::values() const
{
    QStringList v;
    for (QLabel *l : m_value)
        v << l->text();
    return v;
}

void OptionsWindow::showPreview()
{
    SettingsFile s;
    for (int i = 0; i < LookValues; ++i)
        s.setText(lookKey(i), m_value[i]->text());
    m_preview->setLook(MapLook::from(s));
    const QColor c = QColor::fromRgb(s.nameColor());
    m_value[0]->setStyleSheet(
        QStringLiteral("QLabel { background: %1; color: %2; padding: 1px 4px; }")
            .arg(c.name(), c.lightness() > 128 ? QStringLiteral("black") : QStringLiteral("white")));
}

void OptionsWindow::chooseColor()
{
    SettingsFile s;
    s.setText(SettingsFile::Key::NameColor, m_value[0]->text());
    if (const std::optional<QColor> c = m_picker.chooseColor(QColor::fromRgb(s.nameColor()), this)) {
        m_value[0]->setText(SettingsFile::colorText(c->rgb()));
        showPreview();
    }
}

void OptionsWindow::chooseFont()
{
    const std::optional<QFont> f = m_picker.chooseFont(m_preview->look().font, this);
    if (!f)
        return;
    m_value[1]->setText(f->family());
    m_value[2]->setText(QString::number(qBound(PickerDialog::SmallestSize, f->pointSize(), PickerDialog::LargestSize)));
    m_value[3]->setText(f->bold() ? QStringLiteral("True") : QStringLiteral("False"));
    m_value[4]->setText(f->italic() ? QStringLiteral("True") : QStringLiteral("False"));
    showPreview();
}

void OptionsWindow::setIconSize(bool big)
{
    m_value[5]->setText(big ? QStringLiteral("big") : QStringLiteral("small"));
    showPreview();
}

bool OptionsWindow::save()
{
    const auto checked = OptionsCheck::seconds(m_secondsEdit->text());
    if (const auto *refusal = std::get_if<OptionsCheck::Refusal>(&checked)) {
        m_prompter.tell(refusal->text, refusal->icon);
        m_secondsEdit->setFocus();
        return false;
    }
    SettingsFile s;
    s.setSwitch(SettingsFile::Key::Polling, m_pollCheck->isChecked());
    s.setText(SettingsFile::Key::Interval, OptionsCheck::intervalLine(std::get<double>(checked)));
    s.setSwitch(SettingsFile::Key::ToolbarShown, m_toolbarCheck->isChecked());
    int side = 1; // the top when none was chosen, so the file keeps ten lines
    for (int i = 0; i < 4; ++i) {
        if (m_sideButton[i]->isChecked()) {
            side = i + 1;
            break;
        }
    }
    s.setText(SettingsFile::Key::ToolbarSide, QString::number(side));
    for (int i = 0; i < LookValues; ++i)
        s.setText(lookKey(i), m_value[i]->text());
    if (const std::optional<QString> error = s.write(m_path)) {
        m_prompter.tell(*error, Prompter::Icon::Critical);
        return false;
    }
    emit saved(s);
    close();
    return true;
}
