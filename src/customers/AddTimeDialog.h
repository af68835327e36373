#pragma once

#include "customers/AddTimePicker.h"

#include <QWidget>

class QLineEdit;
class QPushButton;
class QTimer;

// "Add Time": hours and minutes picked by holding the up or down button,
// one minute per 90 ms tick; OK hands the minutes to the customer window.
class AddTimeDialog : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TickMs = 90;

    explicit AddTimeDialog(QWidget *parent = nullptr);

    // One step of the held button (the timer's tick).
    void tick();
    void ok();

signals:
    void chosen(qint64 minutes);

private:
    void buildUi();
    void hold(AddTimePicker::Direction d);
    void release();
    void display();

    AddTimePicker m_picker;
    QLineEdit *m_hours = nullptr;
    QLineEdit *m_minutes = nullptr;
    QTimer *m_timer = nullptr;
};
