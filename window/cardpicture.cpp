#include "cardpicture.h"

#include "besidewindow.h"
#include "busypointer.h"
#include "decoderprocess.h"
#include "picturemiss.h"
#include "workerthread.h"

#include <atomic>
#include <thread>

namespace {

std::atomic<std::chrono::milliseconds::rep> testDelay{0};

// The test's delay, cut short when the load is given up.
void delayForTesting()
{
    for (auto left = testDelay.load(); left > 0 && !Worker::stopRequested(); --left)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

CardPictureLoad::CardPictureLoad(std::string cp932FileName) : m_fileName(std::move(cp932FileName))
{
    m_job = Worker::start([this] {
        delayForTesting();
        if (!Worker::stopRequested())
            m_loaded = loadPictureConfined(m_fileName, m_picture);
    });
}

CardPictureLoad::~CardPictureLoad()
{
    if (!m_job)
        return;
    m_job->requestStop();
    m_job->wait();
}

bool CardPictureLoad::doneBy(std::chrono::steady_clock::time_point deadline)
{
    // A back takes less than a spin: no sleep, and no wake-up to wait for.
    return m_job->spinFor(Worker::QuickJob) || m_job->waitUntil(deadline);
}

bool CardPictureLoad::take(Bitmap &target)
{
    BusyPointer::stillWorking();
    const std::shared_ptr<WorkerJob> job = std::move(m_job);
    awaitBeside(*job);
    target = std::move(m_picture);
    if (!m_loaded)
        notePictureMiss(m_fileName);
    return m_loaded;
}

void CardPictureLoad::setDelayForTesting(std::chrono::milliseconds delay)
{
    testDelay = delay.count();
}

bool loadCardPicture(const std::string &cp932FileName, Bitmap &target)
{
    return CardPictureLoad(cp932FileName).take(target);
}
