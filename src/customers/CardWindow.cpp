#include "customers/CardWindow.h"

#include "customers/PrintTargetDialog.h"
#include "reports/PrintLog.h"
#include "base/Clock.h"
#include "base/PrivateFile.h"
#include "base/Prompter.h"

#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

CardWindow::CardWindow(const QString &printLog, PrintTargetDialog &target, Prompter &prompter, const Clock &clock,
                       QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_printLog(printLog)
    , m_target(target)
    , m_prompter(prompter)
    , m_clock(clock)
{
    setObjectName(QStringLiteral("frmcard"));
    setWindowTitle(QStringLiteral("Print Access Card"));
    buildUi();
}

void CardWindow::buildUi()
{
    m_card = new QFrame(this);
    m_card->setObjectName(QStringLiteral("card"));
    m_card->setFrameShape(QFrame::Box);
    m_card->setLineWidth(2);
    m_card->setAutoFillBackground(true);
    QPalette paper = m_card->palette();
    paper.setColor(QPalette::Window, Qt::white);
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::WindowText, Qt::black);
    paper.setColor(QPalette::Text, Qt::black);
    m_card->setPalette(paper);

    m_heading = new QLabel(QStringLiteral("Internet Access Card"), m_card);
    m_heading->setObjectName(QStringLiteral("heading"));
    QFont big = m_heading->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    m_heading->setFont(big);
    m_heading->setAlignment(Qt::AlignCenter);

    auto field = [this](const char *name) {
        auto *e = new QLineEdit(m_card);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(true);
        e->setFrame(false);
        return e;
    };
    m_name = field("name");
    m_name->setText(QStringLiteral("MYNAME MYLASTNAME"));
    m_name->setAlignment(Qt::AlignCenter);
    m_name->setAccessibleName(QStringLiteral("Name"));
    QFont nameFont = m_name->font();
    nameFont.setBold(true);
    m_name->setFont(nameFont);
    m_pinField = field("pin");
    m_time = field("time");

    m_pinLabel = new QLabel(QStringLiteral("PIN"), m_card);
    m_pinLabel->setObjectName(QStringLiteral("pinLabel"));
    m_pinLabel->setBuddy(m_pinField);
    m_timeLabel = new QLabel(QStringLiteral(" Time"), m_card);
    m_timeLabel->setObjectName(QStringLiteral("timeLabel"));
    m_timeLabel->setBuddy(m_time);

    auto *form = new QFormLayout;
    form->addRow(m_pinLabel, m_pinField);
    form->addRow(m_timeLabel, m_time);
    auto *cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(18, 14, 18, 14);
    cardLayout->addWidget(m_heading);
    cardLayout->addWidget(m_name);
    cardLayout->addLayout(form);

    m_print = new QPushButton(QStringLiteral("Print"), this);
    m_print->setObjectName(QStringLiteral("print"));
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    m_close->setToolTip(QStringLiteral("Close"));
    m_close->setAccessibleName(QStringLiteral("Close"));
    connect(m_print, &QPushButton::clicked, this, &CardWindow::print);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_card);
    layout->addLayout(buttons);
    setMinimumWidth(340);
}

void CardWindow::fill(const QString &name, const QString &pin, const QString &timeLeft)
{
    m_name->setText(name);
    m_pin = pin;
    m_time->setText(timeLeft);
    // The screen never holds the PIN itself; only the printed card does.
    m_pinField->setText(QString(m_pin.size(), QLatin1Char('*')));
}

void CardWindow::print()
{
    const std::unique_ptr<QPrinter> printer = m_target.choose(this);
    if (!printer) {
        m_prompter.tell(QStringLiteral("The card was not printed."), Prompter::Icon::Information);
        return;
    }
    PrintLog log(m_printLog);
    const Result<qint64> logged = log.append(PrintLog::entry(m_clock.now(), m_name->text(), m_pin));
    if (!logged) {
        m_prompter.tell(logged.error() + QStringLiteral("\nThe card was not printed."), Prompter::Icon::Critical);
        return;
    }

    PrivateFile::prepare(printer->outputFileName());
    QPainter painter;
    bool printed = painter.begin(printer.get());
    if (printed) {
        drawCard(painter, printer->pageLayout().paintRectPixels(printer->resolution()), printer->resolution());
        printed = painter.end();
    }
    if (!printed) {
        QString text = QStringLiteral("The card was not printed: the printer cannot be used.");
        if (const Result<void> undone = log.undo(*logged); !undone)
            text += QLatin1Char('\n') + undone.error();
        m_prompter.tell(text, Prompter::Icon::Critical);
        return;
    }
    close();
}

void CardWindow::drawCard(QPainter &painter, const QRectF &page, int dpi) const
{
    // Text and lines, drawn in the card's own pixels at its size on screen
    // (smaller if the page is narrower): sharp at any resolution, PIN in clear.
    const qreal k = qMin(dpi / qreal(logicalDpiX()), page.width() / qMax(1, m_card->width()));
    painter.translate(page.topLeft());
    painter.scale(k, k);
    const qreal line = m_card->lineWidth();
    painter.setPen(QPen(Qt::black, line));
    painter.drawRect(QRectF(m_card->rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2));
    const auto text = [&painter](const QWidget *place, const QString &t, Qt::Alignment align) {
        QFont f = place->font();
        f.setPixelSize(QFontInfo(place->font()).pixelSize()); // in the card's pixels: scaled once, as the places are
        painter.setFont(f);
        painter.drawText(place->geometry(), int(align | Qt::AlignVCenter), t);
    };
    text(m_heading, m_heading->text(), Qt::AlignHCenter);
    text(m_name, m_name->text(), Qt::AlignHCenter);
    text(m_pinLabel, m_pinLabel->text(), Qt::AlignLeft);
    text(m_pinField, m_pin, Qt::AlignLeft);
    text(m_timeLabel, m_timeLabel->text(), Qt::AlignLeft);
    text(m_time, m_time->text(), Qt::AlignLeft);
}
