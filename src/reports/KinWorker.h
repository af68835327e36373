#pragma once

#include "store/KinBook.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

// Bulk work on the transactions book (filling the daily sums, the Delete,
// the pages of a listing) on a thread of its own, so that the console's
// windows, map and clock run on meanwhile. The thread opens its own
// connection to the book, in the thread, and touches nothing else; jobs run
// one after the other, and their progress and outcome come back as queued
// signals that carry the job's ticket.
class KinWorker : public QObject
{
    Q_OBJECT
public:
    // What a job gives back.
    struct Outcome
    {
        QString error;        // empty when the work went through
        bool complete = true; // false: stopped by cancel()
        KinDeletion deletion;
        KinPage page;
    };
    using Job = std::function<Outcome(KinBook &book, const KinProgress &progress)>;

    explicit KinWorker(const QString &bookPath, QObject *parent = nullptr);
    // Stops the jobs at their next safe point and waits for the thread.
    ~KinWorker() override;

    // Queues job; gives its ticket.
    quint64 start(Job job);
    // Every job queued so far stops at its next safe point; each is still finished().
    void cancel();

signals:
    void progressed(quint64 ticket, qint64 done, qint64 total);
    void finished(quint64 ticket, const KinWorker::Outcome &outcome);

private:
    QString m_path;
    QThread m_thread;
    QObject *m_inThread; // lives in m_thread: the jobs run in its context
    std::unique_ptr<CafeStore> m_store; // opened, used and closed in m_thread only
    quint64 m_lastTicket = 0;
    std::atomic<quint64> m_cancelledUpTo{0};
};

Q_DECLARE_METATYPE(KinWorker::Outcome)
