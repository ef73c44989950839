#include "workerthread.h"

#include <deque>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Between two cards of a reading the window's thread works for some tens
// of microseconds; the worker waits that long awake.
constexpr std::chrono::microseconds IdleSpin{250};

thread_local const WorkerJob *currentJob = nullptr;
thread_local const std::atomic<bool> *stopFlag = nullptr;

inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

} // namespace

class WorkerThread
{
public:
    ~WorkerThread()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

    void start(std::shared_ptr<WorkerJob> job)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
            m_pending.store(true, std::memory_order_release);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_wake.notify_one();
    }

private:
    void run()
    {
        while (const std::shared_ptr<WorkerJob> job = next()) {
            currentJob = job.get();
            job->run();
            currentJob = nullptr;
        }
    }

    // The next job; null once the thread is to end.
    std::shared_ptr<WorkerJob> next()
    {
        for (const Clock::time_point until = Clock::now() + IdleSpin;
             !m_pending.load(std::memory_order_acquire) && Clock::now() < until;)
            relax();
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_jobs.empty() || m_quit; });
        if (m_jobs.empty())
            return nullptr;
        std::shared_ptr<WorkerJob> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_pending.store(!m_jobs.empty(), std::memory_order_relaxed);
        return job;
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<WorkerJob>> m_jobs;
    std::atomic<bool> m_pending{false};
    bool m_quit = false;
    std::thread m_thread;
};

void WorkerJob::run()
{
    try {
        m_work();
    } catch (...) {
        m_error = std::current_exception();
    }
    m_work = nullptr; // what it holds goes on this thread, before anyone is told
    const std::lock_guard lock(m_mutex);
    m_done.store(true, std::memory_order_release);
    m_finished.notify_all();
    if (m_wake)
        m_wake();
}

bool WorkerJob::spinFor(std::chrono::microseconds time) const
{
    for (const Clock::time_point until = Clock::now() + time; !done();) {
        if (Clock::now() >= until)
            return false;
        relax();
    }
    return true;
}

bool WorkerJob::waitUntil(Clock::time_point deadline)
{
    std::unique_lock lock(m_mutex);
    return m_finished.wait_until(lock, deadline, [this] { return done(); });
}

void WorkerJob::wait()
{
    std::unique_lock lock(m_mutex);
    m_finished.wait(lock, [this] { return done(); });
}

bool WorkerJob::whenDone(std::function<void()> wake)
{
    const std::lock_guard lock(m_mutex);
    if (wake && done())
        return false;
    m_wake = std::move(wake);
    return true;
}

namespace Worker {

std::shared_ptr<WorkerJob> start(std::function<void()> work)
{
    static WorkerThread thread;
    auto job = std::make_shared<WorkerJob>(std::move(work));
    thread.start(job);
    return job;
}

bool stopRequested()
{
    return (currentJob && currentJob->stopRequested()) || (stopFlag && stopFlag->load(std::memory_order_relaxed));
}

void stopWhen(const std::atomic<bool> *flag)
{
    stopFlag = flag;
}

} // namespace Worker
