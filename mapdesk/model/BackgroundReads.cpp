#include "BackgroundReads.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QThreadPool>

#include <atomic>
#include <mutex>
#include <optional>

namespace mapdesk {

/// What the pool's threads share with the owner; lives until the last job ends.
struct BackgroundReads::Shared
{
    std::mutex mutex;
    /// The object to tell of results; null once it is gone or cancelled.
    BackgroundReads *owner = nullptr;
    /// Whether a slice of installs is queued on the owner already.
    bool queued = false;
    std::atomic<bool> cancelled{false};
    std::vector<std::optional<Install>> results;
    std::vector<Job> jobs;
    QThreadPool *pool = nullptr;

    void run(std::size_t index)
    {
        if (cancelled)
            return;
        Install install;
        try {
            install = jobs[index]();
        } catch (...) {
            // A job says its failures in its install; one that throws installs nothing.
        }
        std::unique_lock lock(mutex);
        if (!owner)
            return; // the install, and what it holds, goes with this thread's stack
        results[index] = std::move(install);
        if (!queued) {
            queued = true;
            QMetaObject::invokeMethod(owner, &BackgroundReads::installSlice, Qt::QueuedConnection);
        }
    }
};

BackgroundReads::BackgroundReads(QThreadPool *pool, QObject *parent) : QObject(parent), m_pool(pool) {}

BackgroundReads::~BackgroundReads()
{
    cancel();
}

void BackgroundReads::start(std::vector<Job> jobs, std::size_t first)
{
    cancel();
    m_shared = std::make_shared<Shared>();
    m_shared->owner = this;
    m_shared->pool = m_pool;
    m_shared->results.resize(jobs.size());
    m_shared->jobs = std::move(jobs);
    m_total = m_shared->jobs.size();
    m_installed = 0;
    m_running = true;
    if (m_total == 0) {
        QMetaObject::invokeMethod(this, &BackgroundReads::installSlice, Qt::QueuedConnection);
        return;
    }
    first = std::min(first, m_total);
    // The first jobs run one after the other; the rest start once they are done.
    m_pool->start([shared = m_shared, first] {
        for (std::size_t i = 0; i < first; ++i)
            shared->run(i);
        for (std::size_t i = first; i < shared->jobs.size() && !shared->cancelled; ++i)
            shared->pool->start([shared, i] { shared->run(i); });
    });
}

void BackgroundReads::cancel()
{
    if (!m_shared)
        return;
    std::vector<std::optional<Install>> dropped;
    {
        std::unique_lock lock(m_shared->mutex);
        m_shared->owner = nullptr;
        m_shared->cancelled = true;
        dropped.swap(m_shared->results);
    }
    m_shared.reset();
    // What waited to be installed is dropped here, on the owner.
    dropped.clear();
    if (m_running) {
        m_running = false;
        emit finished();
    }
}

void BackgroundReads::installSlice()
{
    if (!m_running)
        return;
    QElapsedTimer clock;
    clock.start();
    const std::shared_ptr<Shared> shared = m_shared;
    while (m_installed < m_total) {
        Install install;
        {
            std::unique_lock lock(shared->mutex);
            std::optional<Install> &next = shared->results[m_installed];
            if (!next) {
                shared->queued = false; // the job that brings it queues the next slice
                break;
            }
            install = std::move(*next);
            next.reset();
        }
        if (install)
            install();
        if (!m_running)
            return; // cancelled by the install or by whom it told
        ++m_installed;
        if (m_installed < m_total && clock.elapsed() >= SliceMs) {
            // The rest in another slice, once the owner has handled its events.
            QMetaObject::invokeMethod(this, &BackgroundReads::installSlice, Qt::QueuedConnection);
            break;
        }
    }
    emit progressed(installed(), total());
    if (m_running && m_installed == m_total) {
        m_running = false;
        m_shared.reset();
        emit finished();
    }
}

} // namespace mapdesk
