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

void KinWorker::cancel() { m_cancel = true; }

void KinWorker::start(Job job)
{
    m_cancel = false;
    QMetaObject::invokeMethod(m_inThread, [this, job = std::move(job)] {
        Outcome out;
        if (!m_store) {
            m_store = std::make_unique<CafeStore>();
            if (const auto error = m_store->open(m_path)) {
                m_store.reset();
                out.error = *error;
                emit finished(out);
                return;
            }
        }
        KinBook book(*m_store);
        QElapsedTimer shown;
        out = job(book, [this, &shown](qint64 done, qint64 total) {
            // A few times a second is enough for a progress bar.
            if (!shown.isValid() || shown.elapsed() >= 100 || done == total) {
                shown.start();
                emit progressed(done, total);
            }
            return !m_cancel;
        });
        emit finished(out);
    });
}
