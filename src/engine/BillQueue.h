#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class Bill;

// The bills of the ended and viewed charges: one on screen, the others wait
// their turn in the order they came.
class BillQueue : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Shows `bill` now, or after those before it have closed. The queue
    // deletes it once it is closed.
    void present(Bill *bill);
    bool billOnScreen() const { return m_shown != nullptr; }
    // Whether the bill of that transaction is on screen or waiting.
    bool holds(qint64 transaction) const;

signals:
    // A bill is to be shown now; it stays valid until its closed() signal.
    void billOpened(Bill *bill);

private:
    void billClosed(Bill *bill);

    QPointer<Bill> m_shown;
    QList<QPointer<Bill>> m_waiting;
};
