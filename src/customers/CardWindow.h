#pragma once

#include <QWidget>

class Clock;
class PrintTargetDialog;
class Prompter;
class QFrame;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QRectF;

// "Print Access Card": the card of one customer, its PIN masked on screen.
// Print logs the card in print.dat, prints it with the PIN shown and
// closes; a card that could not be logged is not printed, and a card that
// could not be printed leaves no line in the log.
class CardWindow : public QWidget
{
    Q_OBJECT
public:
    CardWindow(const QString &printLog, PrintTargetDialog &target, Prompter &prompter, const Clock &clock,
               QWidget *parent = nullptr);

    void fill(const QString &name, const QString &pin, const QString &timeLeft);
    void print();

private:
    void buildUi();
    void drawCard(QPainter &painter, const QRectF &page, int dpi) const;

    QString m_printLog;
    PrintTargetDialog &m_target;
    Prompter &m_prompter;
    const Clock &m_clock;
    QString m_pin;

    QFrame *m_card = nullptr;
    QLabel *m_heading = nullptr;
    QLabel *m_pinLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_pinField = nullptr;
    QLineEdit *m_time = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_close = nullptr;
};
