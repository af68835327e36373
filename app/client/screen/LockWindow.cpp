#include "LockWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSysInfo>
#include <QVBoxLayout>

LockWindow::LockWindow(bool takesLogon, QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Korvane"));
    buildUi(takesLogon);
}

void LockWindow::buildUi(bool takesLogon)
{
    setObjectName(QStringLiteral("lockWindow"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral(
        "#lockWindow { background: #17212b; }"
        "QLabel { color: #e6edf3; }"
        "#cafeName { font-size: 34pt; font-weight: bold; }"
        "#computerName { color: #8b98a5; font-size: 12pt; }"
        "#logonCard { background: #223140; border-radius: 10px; }"
        "#pinLabel { font-size: 14pt; }"
        "#pinBox { font-size: 20pt; padding: 4px 8px; min-width: 9em; }"
        "#logOnButton { font-size: 14pt; padding: 8px 24px; color: white; background: #2f80ed;"
        " border: none; border-radius: 6px; }"
        "#logOnButton:disabled { background: #3b4b5c; color: #8b98a5; }"
        "#answer { color: #ffc857; font-size: 13pt; }"
        "#message { background: #2d4156; border-radius: 6px; padding: 12px; font-size: 14pt; }"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(40, 40, 40, 40);
    outer->addStretch(2);

    m_cafe = new QLabel(this);
    m_cafe->setObjectName(QStringLiteral("cafeName"));
    m_cafe->setAlignment(Qt::AlignCenter);
    outer->addWidget(m_cafe);
    // The customer can tell the counter which computer will not open.
    auto *computer = new QLabel(QSysInfo::machineHostName(), this);
    computer->setObjectName(QStringLiteral("computerName"));
    computer->setAlignment(Qt::AlignCenter);
    outer->addWidget(computer);
    outer->addSpacing(36);

    if (takesLogon) {
        auto *card = new QFrame(this);
        card->setObjectName(QStringLiteral("logonCard"));
        auto *cardLayout = new QVBoxLayout(card);
        cardLayout->setContentsMargins(28, 24, 28, 20);
        auto *row = new QHBoxLayout;
        auto *label = new QLabel(QStringLiteral("&PIN"), card);
        label->setObjectName(QStringLiteral("pinLabel"));
        m_pin = new QLineEdit(card);
        m_pin->setObjectName(QStringLiteral("pinBox"));
        m_pin->setEchoMode(QLineEdit::Password);
        m_pin->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,12}")), m_pin));
        label->setBuddy(m_pin);
        m_logOn = new QPushButton(QStringLiteral("Log On"), card);
        m_logOn->setObjectName(QStringLiteral("logOnButton"));
        row->addWidget(label);
        row->addWidget(m_pin, 1);
        row->addWidget(m_logOn);
        cardLayout->addLayout(row);
        m_answer = new QLabel(card);
        m_answer->setObjectName(QStringLiteral("answer"));
        m_answer->setAlignment(Qt::AlignCenter);
        m_answer->setWordWrap(true);
        m_answer->setMinimumHeight(m_answer->fontMetrics().height() * 2);
        cardLayout->addWidget(m_answer);
        outer->addWidget(card, 0, Qt::AlignHCenter);
        connect(m_logOn, &QPushButton::clicked, this, &LockWindow::submit);
        connect(m_pin, &QLineEdit::returnPressed, this, &LockWindow::submit);
    }

    outer->addSpacing(24);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_message->setMinimumWidth(480);
    m_message->setMaximumWidth(720);
    m_message->hide();
    // Centred by stretches, not by alignment, so that a long text gets the
    // height its wrapped lines need.
    auto *messageRow = new QHBoxLayout;
    messageRow->addStretch();
    messageRow->addWidget(m_message);
    messageRow->addStretch();
    outer->addLayout(messageRow);
    outer->addStretch(3);
}

void LockWindow::setCafe(const QString &name)
{
    m_cafe->setText(name.isEmpty() ? QStringLiteral("Korvane") : name);
}

void LockWindow::setAnswer(const QString &text)
{
    if (m_answer)
        m_answer->setText(text);
}

void LockWindow::setMessage(const QString &text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

void LockWindow::setLogonEnabled(bool enabled)
{
    if (!m_pin)
        return;
    m_pin->setEnabled(enabled);
    m_logOn->setEnabled(enabled);
    if (enabled && isVisible())
        m_pin->setFocus();
}

void LockWindow::submit()
{
    const QString pin = m_pin->text();
    if (pin.isEmpty())
        return;
    m_pin->clear();
    m_answer->clear();
    emit pinEntered(pin);
}

void LockWindow::closeEvent(QCloseEvent *event)
{
    if (m_closable)
        event->accept();
    else
        event->ignore();
}
