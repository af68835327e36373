#pragma once

#include "store/KinBook.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

// Bulk work on the transactions book (filling the daily sums, the Delete) on
// a thread of its own, so that the console's windows, map and clock run on
// meanwhile. The thread opens its own connection to the book, in the thread,
// and touches nothing else; progress and the outcome come back as queued
// signals. One job at a time.
class KinWorker : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        QString error;        // empty when the work went through
        bool complete = true; // false: stopped by cancel()
        KinDeletion deletion;
    };
    using Job = std::function<Outcome(KinBook &book, const KinProgress &progress)>;

    explicit KinWorker(const QString &bookPath, QObject *parent = nullptr);
    // Stops the job at its next safe point and waits for the thread.
    ~KinWorker() override;

    void start(Job job);
    // The job stops at its next safe point; finished() still follows.
    void cancel();

signals:
    void progressed(qint64 done, qint64 total);
    void finished(const KinWorker::Outcome &outcome);

private:
    QString m_path;
    QThread m_thread;
    QObject *m_inThread; // lives in m_thread: the jobs run in its context
    std::unique_ptr<CafeStore> m_store; // opened, used and closed in m_thread only
    std::atomic_bool m_cancel{false};
};

Q_DECLARE_METATYPE(KinWorker::Outcome)
