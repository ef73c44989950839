#include "besidewindow.h"

#include "busypointer.h"
#include "commandscope.h"

#include <QEventLoop>
#include <QTimer>

namespace {

// A card's picture takes well under this; a frame, far more.
constexpr std::chrono::microseconds QuietWait{1000};

} // namespace

void awaitBeside(WorkerJob &job)
{
    if (job.spinFor(QuietWait) && !CommandScope::abandoned())
        return;
    QEventLoop loop;
    const CommandScope::Wait wait(&loop);
    QTimer pointer;
    pointer.setSingleShot(true);
    QObject::connect(&pointer, &QTimer::timeout, &loop, [] { BusyPointer::stillWorking(); });
    if (const auto due = BusyPointer::dueIn())
        pointer.start(*due);
    const auto wake = [&loop] { QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection); };
    if (!CommandScope::abandoned() && job.whenDone(wake))
        loop.exec(); // ends once the job is done, or the window closes, or the program ends
    job.whenDone(nullptr);
    if (job.done() && !CommandScope::abandoned())
        return;
    CommandScope::abandon();
    job.requestStop();
    job.wait();
    throw CommandAbandoned();
}

void runBeside(std::function<void()> work)
{
    const std::shared_ptr<WorkerJob> job = Worker::start(std::move(work));
    awaitBeside(*job);
    if (job->error())
        std::rethrow_exception(job->error());
}
