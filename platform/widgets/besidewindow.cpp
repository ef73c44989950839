#include "besidewindow.h"

#include "busypointer.h"
#include "commandscope.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdint>
#include <optional>

#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// What the worker rings when the job is done: a counter the event loop
// watches. Nothing of Qt's is touched from the job's thread.
class DoneBell
{
public:
    DoneBell() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~DoneBell()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    DoneBell(const DoneBell &) = delete;
    DoneBell &operator=(const DoneBell &) = delete;

    int fd() const { return m_fd; }
    void ring() const
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_fd, &one, sizeof one);
    }

private:
    int m_fd;
};

} // namespace

void awaitBeside(WorkerJob &job)
{
    if (job.spinFor(std::chrono::microseconds(0)) && !CommandScope::abandoned()) {
        if (job.error())
            std::rethrow_exception(job.error());
        return;
    }
    QEventLoop loop;
    const CommandScope::Wait wait(&loop);
    QTimer pointer;
    pointer.setSingleShot(true);
    QObject::connect(&pointer, &QTimer::timeout, &loop, [] { BusyPointer::stillWorking(); });
    if (const auto due = BusyPointer::dueIn())
        pointer.start(*due);
    const DoneBell bell;
    std::optional<QSocketNotifier> rung;
    if (bell.fd() >= 0) {
        rung.emplace(bell.fd(), QSocketNotifier::Read);
        QObject::connect(&*rung, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    }
    // Without a bell (the system has no descriptor left to make one) the
    // loop looks at the job every millisecond instead.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (job.done())
            loop.quit();
    });
    if (bell.fd() < 0)
        look.start(1);
    if (!CommandScope::abandoned() && (bell.fd() < 0 || job.onDone([&bell] { bell.ring(); })))
        loop.exec(); // ends once the job is done, or the window closes, or the program ends
    job.onDone(nullptr);
    if (job.done() && !CommandScope::abandoned()) {
        if (job.error())
            std::rethrow_exception(job.error());
        return;
    }
    CommandScope::abandon();
    job.giveUp();
    job.wait();
    throw CommandAbandoned();
}

void runBeside(std::function<void()> work)
{
    awaitBeside(*Worker::start(std::move(work)));
}
