#include "workerthread.h"

#include <algorithm>
#include <deque>
#include <thread>
#include <vector>

#include <sched.h>

namespace {

using Clock = std::chrono::steady_clock;

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

}

namespace Worker {

void keepOnProcessor(int index)
{
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) == 0)
        return;
    int seen = 0;
    const int wanted = index % CPU_COUNT(&allowed);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &allowed) && seen++ == wanted) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            sched_setaffinity(0, sizeof one, &one);
            return;
        }
    }
}

} // namespace Worker

namespace {

int processorsOfThisProcess()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&set));
}

} // namespace

// Threads that take jobs from one queue, oldest first, started when the
// first job comes and ended, after the jobs started before, when the
// threads are destroyed.
class WorkerThreads
{
public:
    // Each thread runs first, when it starts, what first says.
    // With keepApart, thread i keeps to the i-th processor (numbered round
    // the ones the process may use).
    WorkerThreads(int count, std::function<void()> first, bool keepApart)
        : m_count(count), m_first(std::move(first)), m_keepApart(keepApart)
    {
    }

    ~WorkerThreads()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        for (std::thread &thread : m_threads)
            thread.join();
    }

    int count() const { return m_count; }

    void start(std::shared_ptr<WorkerJob> job)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
            startThreads();
        }
        m_wake.notify_one();
    }

    // Starts the threads now, before any job comes.
    void startEarly()
    {
        const std::lock_guard lock(m_mutex);
        startThreads();
    }

private:
    void startThreads()
    {
        if (m_threads.empty()) {
            for (int i = 0; i < m_count; ++i)
                m_threads.emplace_back([this, i] { run(i); });
        }
    }

    void run(int index)
    {
        if (m_keepApart)
            Worker::keepOnProcessor(index);
        if (m_first)
            m_first();
        while (const std::shared_ptr<WorkerJob> job = next()) {
            currentJob = job.get();
            job->run();
            currentJob = nullptr;
        }
    }

    // The next job; null once the thread is to end.
    std::shared_ptr<WorkerJob> next()
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_jobs.empty() || m_quit; });
        if (m_jobs.empty())
            return nullptr;
        std::shared_ptr<WorkerJob> job = std::move(m_jobs.front());
        m_jobs.pop_front();
        return job;
    }

    const int m_count;
    const std::function<void()> m_first;
    const bool m_keepApart;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<WorkerJob>> m_jobs;
    bool m_quit = false;
    std::vector<std::thread> m_threads;
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
    if (m_onDone)
        m_onDone();
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

bool WorkerJob::onDone(std::function<void()> hook)
{
    const std::lock_guard lock(m_mutex);
    if (hook && done())
        return false;
    m_onDone = std::move(hook);
    return true;
}

namespace Worker {

namespace {

std::mutex poolMutex;
int poolSizeForTesting = 0;
std::function<void()> poolThreadFirst;

// The pool, made again at another size only between tests: ending it ends
// its threads and whatever each keeps for itself.
WorkerThreads &pool()
{
    static std::unique_ptr<WorkerThreads> threads;
    const std::lock_guard lock(poolMutex);
    static const int machine = processorsOfThisProcess();
    const int wanted = poolSizeForTesting > 0 ? poolSizeForTesting : machine;
    if (!threads || threads->count() != wanted) {
        threads.reset();
        threads = std::make_unique<WorkerThreads>(wanted, poolThreadFirst, true);
    }
    return *threads;
}

} // namespace

std::shared_ptr<WorkerJob> start(std::function<void()> work)
{
    static WorkerThreads thread(1, nullptr, false);
    auto job = std::make_shared<WorkerJob>(std::move(work));
    thread.start(job);
    return job;
}

std::shared_ptr<WorkerJob> startOnPool(std::function<void()> work)
{
    auto job = std::make_shared<WorkerJob>(std::move(work));
    pool().start(job);
    return job;
}

void startPool(std::function<void()> first)
{
    {
        const std::lock_guard lock(poolMutex);
        poolThreadFirst = std::move(first);
    }
    pool().startEarly();
}

int poolSize()
{
    return pool().count();
}

void setPoolSizeForTesting(int threads)
{
    const std::lock_guard lock(poolMutex);
    poolSizeForTesting = threads;
}

bool stopRequested()
{
    return (currentJob && currentJob->givenUp()) || (stopFlag && stopFlag->load(std::memory_order_relaxed));
}

void stopWhen(const std::atomic<bool> *flag)
{
    stopFlag = flag;
}

} // namespace Worker
