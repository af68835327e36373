#include "TimePanel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TimePanel::TimePanel(bool floating, QWidget *parent)
    : QWidget(parent, floating ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint : Qt::Window)
    , m_floating(floating)
{
    setWindowTitle(QStringLiteral("Korvane"));
    buildUi();
}

void TimePanel::buildUi()
{
    setObjectName(QStringLiteral("timePanel"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#timePanel { background: #17212b; border: 1px solid #3b5068; }"
                                 "QLabel { color: #e6edf3; }"
                                 "#timeCaption { color: #8b98a5; font-size: 10pt; }"
                                 "#timeValue { font-size: 22pt; font-weight: bold; }"
                                 "#notice { color: #ffc857; font-size: 11pt; }"
                                 "#logOffButton { font-size: 11pt; padding: 5px; color: white; background: #2f80ed;"
                                 " border: none; border-radius: 5px; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);

    m_noticeBox = new QWidget(this);
    auto *noticeLayout = new QVBoxLayout(m_noticeBox);
    noticeLayout->setContentsMargins(0, 0, 0, 8);
    m_notice = new QLabel(m_noticeBox);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    m_notice->setFixedWidth(240);
    auto *ok = new QPushButton(QStringLiteral("OK"), m_noticeBox);
    ok->setObjectName(QStringLiteral("noticeOk"));
    noticeLayout->addWidget(m_notice);
    noticeLayout->addWidget(ok, 0, Qt::AlignRight);
    m_noticeBox->hide();
    layout->addWidget(m_noticeBox);

    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("timeCaption"));
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("timeValue"));
    layout->addWidget(m_caption);
    layout->addWidget(m_time);
    m_logOff = new QPushButton(QStringLiteral("Log Off"), this);
    m_logOff->setObjectName(QStringLiteral("logOffButton"));
    m_logOff->hide();
    layout->addWidget(m_logOff);

    connect(ok, &QPushButton::clicked, this, [this] { notify(QString()); });
    connect(m_logOff, &QPushButton::clicked, this, &TimePanel::logOffClicked);
}

void TimePanel::showTime(const QString &caption, const QString &time)
{
    m_caption->setText(caption);
    m_time->setText(time);
}

void TimePanel::setLogOffShown(bool shown)
{
    m_logOff->setVisible(shown);
    placeInCorner();
}

void TimePanel::notify(const QString &text)
{
    m_notice->setText(text);
    m_noticeBox->setVisible(!text.isEmpty());
    placeInCorner();
}

void TimePanel::placeInCorner()
{
    adjustSize();
    if (!m_floating)
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - 16, area.bottom() - height() - 16);
}
