#include "engine/RateSettingsWindow.h"

#include "engine/TariffSettings.h"
#include "base/Prompter.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

RateSettingsWindow::RateSettingsWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_cafe(cafe)
    , m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Settings"));
    auto *form = new QFormLayout(this);
    m_fixed = new QLineEdit(this);
    m_fixed->setObjectName(QStringLiteral("fixed"));
    m_mintime = new QLineEdit(this);
    m_mintime->setObjectName(QStringLiteral("mintime"));
    m_toltime = new QLineEdit(this);
    m_toltime->setObjectName(QStringLiteral("toltime"));
    form->addRow(QStringLiteral("Minimum Charge"), m_fixed);
    form->addRow(QStringLiteral("Minimum Time in minutes"), m_mintime);
    form->addRow(QStringLiteral("Tolerance in minutes"), m_toltime);
    auto *button = new QPushButton(QStringLiteral("&Update"), this);
    button->setObjectName(QStringLiteral("update"));
    form->addRow(button);
    connect(button, &QPushButton::clicked, this, &RateSettingsWindow::update);

    const auto boxes = TariffSettings::getSettings(m_cafe);
    if (!boxes) {
        m_prompter.tell(QStringLiteral("The settings could not be read.\n") + boxes.error(), Prompter::Icon::Critical);
        return;
    }
    m_fixed->setText(boxes->fixed);
    m_mintime->setText(boxes->mintime);
    m_toltime->setText(boxes->toltime);
}

void RateSettingsWindow::update()
{
    m_prompter.tell(TariffSettings::update(m_cafe, {m_fixed->text(), m_mintime->text(), m_toltime->text()}));
}
