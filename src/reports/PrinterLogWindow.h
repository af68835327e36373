#pragma once

#include <QWidget>

class QPlainTextEdit;

// "Printer Transactions": the whole card log as stored, for reading,
// opened at its end where the newest cards are.
class PrinterLogWindow : public QWidget
{
    Q_OBJECT
public:
    explicit PrinterLogWindow(const QString &printLog, QWidget *parent = nullptr);
    QString text() const;

private:
    QPlainTextEdit *m_text = nullptr;
};
