#include "customers/AddTimeDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

AddTimeDialog::AddTimeDialog(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmaddtime"));
    setWindowTitle(QStringLiteral("Add Time"));
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("holdTimer"));
    m_timer->setInterval(TickMs);
    connect(m_timer, &QTimer::timeout, this, &AddTimeDialog::tick);
    buildUi();
    display();
}

void AddTimeDialog::buildUi()
{
    auto field = [this](const char *name) {
        auto *e = new QLineEdit(QStringLiteral("00"), this);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(true); // the buttons pick; the fields always hold whole numbers
        e->setAlignment(Qt::AlignCenter);
        e->setMaximumWidth(70);
        return e;
    };
    m_hours = field("hours");
    m_minutes = field("minutes");
    auto *hoursLabel = new QLabel(QStringLiteral("HOURS"), this);
    hoursLabel->setBuddy(m_hours);
    auto *minutesLabel = new QLabel(QStringLiteral("MINUTES"), this);
    minutesLabel->setBuddy(m_minutes);

    auto *up = new QPushButton(this);
    up->setObjectName(QStringLiteral("up"));
    up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    up->setAccessibleName(QStringLiteral("Up"));
    up->setToolTip(QStringLiteral("Hold to add minutes"));
    auto *down = new QPushButton(this);
    down->setObjectName(QStringLiteral("down"));
    down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    down->setAccessibleName(QStringLiteral("Down"));
    down->setToolTip(QStringLiteral("Hold to take minutes away"));
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);

    connect(up, &QPushButton::pressed, this, [this] { hold(AddTimePicker::Direction::Up); });
    connect(down, &QPushButton::pressed, this, [this] { hold(AddTimePicker::Direction::Down); });
    connect(up, &QPushButton::released, this, &AddTimeDialog::release);
    connect(down, &QPushButton::released, this, &AddTimeDialog::release);
    connect(ok, &QPushButton::clicked, this, &AddTimeDialog::ok);

    auto *grid = new QGridLayout(this);
    grid->addWidget(hoursLabel, 0, 0, Qt::AlignCenter);
    grid->addWidget(minutesLabel, 0, 2, Qt::AlignCenter);
    grid->addWidget(m_hours, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral(":"), this), 1, 1);
    grid->addWidget(m_minutes, 1, 2);
    grid->addWidget(up, 1, 3);
    grid->addWidget(down, 2, 3);
    grid->addWidget(ok, 3, 0, 1, 4);
}

void AddTimeDialog::hold(AddTimePicker::Direction d)
{
    m_picker.setDirection(d);
    m_timer->start();
}

void AddTimeDialog::release() { m_timer->stop(); }

void AddTimeDialog::tick()
{
    m_picker.tick();
    display();
}

void AddTimeDialog::display()
{
    m_hours->setText(m_picker.hoursText());
    m_minutes->setText(m_picker.minutesText());
}

void AddTimeDialog::ok()
{
    m_timer->stop();
    emit chosen(m_picker.total());
    close();
}
