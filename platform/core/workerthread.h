#pragma once

// Threads beside the window's, for work that may take long while the
// window's thread goes on turning its event loop:
//
// - the thread beside the window (Worker::start): one job at a time, in the
//   order they were started (a large picture's turn);
// - the pool (Worker::startOnPool): as many threads as the process may run
//   on, each taking the oldest job not yet begun (the loads of a reading,
//   each decoding one picture file).
//
// Both last for the whole run and sleep when they have nothing to do: no
// thread spins once its work is done. A waiter may spin for a moment
// (spinFor) before it sleeps or turns its event loop, since a thread that
// sleeps takes tens of microseconds to wake on a virtual machine and most
// jobs take less than a millisecond.
//
// A job's work is written so that it can stop early: it asks
// Worker::stopRequested() at each step, and what a stopped job leaves is
// thrown away by whoever gave it up. A job shares nothing with the thread
// that started it until it is done(): it reads what it was given, writes
// only what it alone owns, and anything it shares beyond that is behind a
// lock or an atomic of its own.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class WorkerJob
{
public:
    explicit WorkerJob(std::function<void()> work) : m_work(std::move(work)) {}
    WorkerJob(const WorkerJob &) = delete;
    WorkerJob &operator=(const WorkerJob &) = delete;

    // Once true, everything the work wrote is visible to the caller.
    bool done() const { return m_done.load(std::memory_order_acquire); }
    // Spins until the job is done or the time is up; whether it is done.
    bool spinFor(std::chrono::microseconds time) const;
    // Sleeps until the job is done or the deadline passes; whether it is done.
    bool waitUntil(std::chrono::steady_clock::time_point deadline);
    void wait();

    // Asks the work to stop at its next step: it sees Worker::stopRequested().
    void giveUp() { m_givenUp.store(true, std::memory_order_relaxed); }
    bool givenUp() const { return m_givenUp.load(std::memory_order_relaxed); }

    // Sets the hook that the job's own thread calls, under the job's lock,
    // as soon as the job is done: it must be quick and touch nothing but
    // what is safe from any thread (it rings a bell, say). False, and no
    // call, when the job is done already. onDone(nullptr) takes the hook
    // back and returns once no call of it is under way, so that what it
    // reaches may go.
    bool onDone(std::function<void()> hook);

    // What escaped the work, if anything.
    std::exception_ptr error() const { return m_error; }

private:
    friend class WorkerThreads;
    void run();

    std::function<void()> m_work;
    std::exception_ptr m_error;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_givenUp{false};
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::function<void()> m_onDone;
};

namespace Worker {

// How long a waiter spins before it sleeps or turns its event loop: most
// jobs (a card's picture) take less.
inline constexpr std::chrono::microseconds QuickJobTime{1000};

// Starts work on the thread beside the window, after every job started
// there before it.
std::shared_ptr<WorkerJob> start(std::function<void()> work);

// Starts work on the pool; jobs begin in the order they were started.
std::shared_ptr<WorkerJob> startOnPool(std::function<void()> work);

// Starts the pool's threads now, each running first before any job: what
// a thread keeps for itself, made ahead of its first job.
void startPool(std::function<void()> first);

// The pool's threads: as many as the processors this process may run on
// (its affinity, which a container or taskset may narrow), at least one.
int poolSize();
// Tests choose the pool's size; 0 brings back the machine's own. Only
// while no job of the pool is under way.
void setPoolSizeForTesting(int threads);

// Keeps the calling thread, and the processes it starts from then on, on
// the index-th of the processors the process may run on (counted round).
// The pool's threads keep so, thread i on the i-th: each hands its loads to
// a decoder process of its own and waits while it decodes, and the two,
// which never run at once, wake each other in microseconds on one
// processor where waking one on another takes tens on a virtual machine.
void keepOnProcessor(int index);

// Inside a job: whether whoever waits for it has given it up. False on
// every other thread, so that the same code runs unchanged elsewhere.
bool stopRequested();

// Work that runs outside any job, such as a load in a decoder process
// (decoder/), is given up once flag turns true: from then on
// stopRequested() asks it on this thread too. nullptr takes it back.
void stopWhen(const std::atomic<bool> *flag);

} // namespace Worker
