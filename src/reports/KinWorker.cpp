#include "reports/KinWorker.h"

#include "store/CafeStore.h"

#include <QElapsedTimer>

KinWorker::KinWorker(const QString &bookPath, QObject *parent)
    : QObject(parent)
    , m_path(bookPath)
    , m_inThread(new QObject)
{
    qRegisterMetaType<KinWorker::Outcome>();
    m_thread.setObjectName(QStringLiteral("kin-worker"));
    m_inThread->moveToThread(&m_thread);
    m_thread.start();
}

KinWorker::~KinWorker()
{
    cancel();
    QMetaObject::invokeMethod(m_inThread, [this] { m_store.reset(); });
    m_thread.quit();
    m_thread.wait();
    delete m_inThread;
}

void KinWorker::cancel() { m_cancelledUpTo = m_lastTicket; }

quint64 KinWorker::start(Job job)
{
    const quint64 ticket = ++m_lastTicket;
    QMetaObject::invokeMethod(m_inThread, [this, ticket, job = std::move(job)] {
        Outcome out;
        if (!m_store) {
            m_store = std::make_unique<CafeStore>();
            if (const auto error = m_store->open(m_path)) {
                m_store.reset();
                out.error = *error;
                emit finished(ticket, out);
                return;
            }
            // Its many small writes need not each reach the disk before the
            // next: a power cut may undo the last of them, which the next
            // filling does again (the Delete's copy holds what it took). The
            // console's own commits still sync the log, these writes with it.
            // A server keeps its own durability.
            if (!m_store->onServer())
                m_store->exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
        KinBook book(*m_store);
        QElapsedTimer shown;
        out = job(book, [this, ticket, &shown](qint64 done, qint64 total) {
            // A few times a second is enough for a progress bar.
            if (!shown.isValid() || shown.elapsed() >= 100 || done == total) {
                shown.start();
                emit progressed(ticket, done, total);
            }
            return ticket > m_cancelledUpTo;
        });
        emit finished(ticket, out);
    });
    return ticket;
}
