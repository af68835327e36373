#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// What stays on top in a corner while the computer is in use: the time used
// or left, the counter's notices and, for a customer account, Log Off.
class TimePanel : public QWidget
{
    Q_OBJECT
public:
    // `floating`: frameless and above other windows, in the corner of the screen.
    explicit TimePanel(bool floating, QWidget *parent = nullptr);

    void showTime(const QString &caption, const QString &time);
    void setLogOffShown(bool shown);
    // Stays until the customer dismisses it or the computer locks.
    void notify(const QString &text);
    void placeInCorner();

signals:
    void logOffClicked();

private:
    void buildUi();

    QLabel *m_caption = nullptr;
    QLabel *m_time = nullptr;
    QLabel *m_notice = nullptr;
    QWidget *m_noticeBox = nullptr;
    QPushButton *m_logOff = nullptr;
    bool m_floating;
};
