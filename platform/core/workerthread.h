#pragma once

// One thread beside the window's, for work that may take long (decoding a
// picture, turning a large one) while the window's thread goes on turning
// its event loop. It runs one job at a time, in the order they were
// started, for the whole run.
//
// Most jobs take well under a millisecond (a card's picture), and a thread
// that sleeps takes tens of microseconds to wake on a virtual machine: so
// the worker spins for a moment after each job before it sleeps, and a
// waiter may spin for a moment (spinFor) before it sleeps or turns its
// event loop. A job's work is written so that it can stop early: it asks
// stopRequested() at each step, and what a stopped job leaves is thrown
// away by whoever gave it up.

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

    // Asks the work to stop at its next step.
    void requestStop() { m_stop.store(true, std::memory_order_relaxed); }
    bool stopRequested() const { return m_stop.load(std::memory_order_relaxed); }

    // Calls wake on the worker thread as soon as the job is done; false,
    // and no call, when it is done already. whenDone(nullptr) takes it back
    // and returns once no call of it is under way, so that what wake
    // reaches may go.
    bool whenDone(std::function<void()> wake);

    // What escaped the work, if anything.
    std::exception_ptr error() const { return m_error; }

private:
    friend class WorkerThread;
    void run();

    std::function<void()> m_work;
    std::exception_ptr m_error;
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::function<void()> m_wake;
};

namespace Worker {

// Most jobs (a card's picture) take less than this: how long a waiter
// spins before it sleeps or turns its event loop.
inline constexpr std::chrono::microseconds QuickJob{1000};

// Starts work on the worker thread, after every job started before it.
std::shared_ptr<WorkerJob> start(std::function<void()> work);

// Inside a job: whether whoever waits for it has given it up. False on
// every other thread, so that the same code runs unchanged elsewhere.
bool stopRequested();

// Work that runs outside any job, such as a load in a decoder process
// (decoder/), is given up once flag turns true: from then on
// stopRequested() asks it on this thread too. nullptr takes it back.
void stopWhen(const std::atomic<bool> *flag);

} // namespace Worker
