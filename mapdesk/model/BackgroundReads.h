#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QThreadPool;

namespace mapdesk {

/// Reading jobs run on a thread pool while the thread that made this object
/// (the owner) goes on, their results taken back on the owner in the jobs'
/// order. A job runs on a pool thread and returns what to do with its result
/// on the owner (an install); installs run in the jobs' order, in slices of
/// a few milliseconds between which the owner handles its events, so that
/// it is never busy long at once. Cancelling, or destroying this object,
/// runs no further install and starts no further job; jobs already running
/// end on their own and their results are dropped. The pool is the
/// caller's and must outlive the jobs (a window's own pool, waited for when
/// the window goes).
class BackgroundReads : public QObject
{
    Q_OBJECT

public:
    /// What to do on the owner with a job's result.
    using Install = std::function<void()>;
    /// Runs on a pool thread: reads, touching nothing the owner uses. A job
    /// tells its failures through its install; one that throws installs
    /// nothing (its place is passed over in order).
    using Job = std::function<Install()>;

    /// The longest the owner installs at once, in milliseconds.
    static constexpr int SliceMs = 8;

    explicit BackgroundReads(QThreadPool *pool, QObject *parent = nullptr);
    ~BackgroundReads() override;
    BackgroundReads(const BackgroundReads &) = delete;
    BackgroundReads &operator=(const BackgroundReads &) = delete;

    /// Queues the jobs; the first `first` of them run, in order, before any
    /// other starts (such as finding what the others need).
    void start(std::vector<Job> jobs, std::size_t first = 0);
    /// Installs nothing more; emits finished() when it was under way.
    void cancel();

    int total() const { return static_cast<int>(m_total); }
    /// How many results were installed.
    int installed() const { return static_cast<int>(m_installed); }
    bool running() const { return m_running; }

signals:
    /// After each slice of installs.
    void progressed(int installed, int total);
    /// Once every result is installed, or when cancelled.
    void finished();

private:
    struct Shared;
    void installSlice();

    QThreadPool *m_pool;
    std::shared_ptr<Shared> m_shared;
    std::size_t m_total = 0;
    std::size_t m_installed = 0;
    bool m_running = false;
};

} // namespace mapdesk
