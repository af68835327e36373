#include "reports/PrinterLogWindow.h"

#include "reports/PrintLog.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

PrinterLogWindow::PrinterLogWindow(const QString &printLog, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmkinprt"));
    setWindowTitle(QStringLiteral("Printer Transactions"));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("log"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setAccessibleName(QStringLiteral("Printer Transactions"));
    m_text->setPlainText(QString::fromUtf8(PrintLog(printLog).read()));
    m_text->moveCursor(QTextCursor::End);
    m_text->ensureCursorVisible();

    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    resize(640, 400);
}

QString PrinterLogWindow::text() const { return m_text->toPlainText(); }
