#pragma once

#include "store/KinBook.h"

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;

// "ExtraCharges": the extras of the transactions double-clicked in the
// browser. Each double-click adds its lines below the earlier ones; the sum
// and the caption tell the latest transaction.
class ExtraChargesWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ExtraChargesWindow(QWidget *parent = nullptr);

    void addTransaction(const QString &pcname, const ExtraLines &extras);

    QGroupBox *frame() const { return m_frame; }
    QListWidget *list() const { return m_list; }
    QLineEdit *sum() const { return m_sum; }

private:
    QGroupBox *m_frame;
    QListWidget *m_list;
    QLineEdit *m_sum;
};
