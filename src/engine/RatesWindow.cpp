#include "engine/RatesWindow.h"

#include "engine/TariffSettings.h"
#include "base/Prompter.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

RatesWindow::RatesWindow(CafeStore &cafe, Prompter &prompter, QWidget *parent)
    : QDialog(parent)
    , m_cafe(cafe)
    , m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("Rate settings"));
    auto *frame = new QGroupBox(QStringLiteral("Hour Rates"), this);
    auto *form = new QFormLayout(frame);
    for (int i = 1; i <= 6; ++i) {
        auto *box = new QLineEdit(frame);
        box->setObjectName(QStringLiteral("rate%1").arg(i));
        form->addRow(QStringLiteral("Rate %1").arg(i), box);
        m_boxes << box;
    }
    auto *button = new QPushButton(QStringLiteral("&Update"), this);
    button->setObjectName(QStringLiteral("update"));
    connect(button, &QPushButton::clicked, this, &RatesWindow::updateRates);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(button);

    const auto rates = TariffSettings::getRates(m_cafe);
    if (!rates)
        m_prompter.tell(QStringLiteral("The rates could not be read.\n") + rates.error(), Prompter::Icon::Critical);
    for (int i = 0; rates && i < m_boxes.size() && i < rates->size(); ++i)
        m_boxes[i]->setText(rates->at(i));
}

void RatesWindow::updateRates()
{
    QStringList texts;
    for (const QLineEdit *box : m_boxes)
        texts << box->text();
    m_prompter.tell(TariffSettings::updateRates(m_cafe, texts));
}
