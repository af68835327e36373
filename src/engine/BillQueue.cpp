#include "engine/BillQueue.h"

#include "engine/Bill.h"

void BillQueue::present(Bill *bill)
{
    connect(bill, &Bill::closed, this, [this, bill] { billClosed(bill); });
    if (m_shown) {
        m_waiting.append(bill);
        return;
    }
    m_shown = bill;
    emit billOpened(bill);
}

bool BillQueue::holds(qint64 transaction) const
{
    bool shown = m_shown && m_shown->transaction() == transaction;
    for (const QPointer<Bill> &b : m_waiting)
        shown = shown || (b && b->transaction() == transaction);
    return shown;
}

void BillQueue::billClosed(Bill *bill)
{
    m_waiting.removeAll(bill);
    bill->deleteLater();
    if (m_shown != bill)
        return;
    m_shown = nullptr;
    while (!m_waiting.isEmpty()) {
        Bill *next = m_waiting.takeFirst();
        if (!next)
            continue;
        m_shown = next;
        next->refresh();
        emit billOpened(next);
        break;
    }
}
