#include "cardpicture.h"

#include "besidewindow.h"
#include "busypointer.h"
#include "imagebox.h"
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

std::vector<LoadOrder::Load> orderOf(const std::vector<CardPictureLoad> &loads)
{
    std::vector<LoadOrder::Load> order;
    order.reserve(loads.size());
    for (const CardPictureLoad &load : loads)
        order.push_back({load.turns});
    return order;
}

} // namespace

// What one load leaves: written by its job alone, read by the window once
// the job is done.
struct CardPictureLoads::Result
{
    Bitmap picture;
    bool loaded = false;
    std::shared_ptr<WorkerJob> job;
};

CardPictureLoads::CardPictureLoads(std::vector<CardPictureLoad> loads)
    : m_loads(std::move(loads)), m_order(orderOf(m_loads))
{
    m_results.reserve(m_loads.size());
    for (size_t i = 0; i < m_loads.size(); ++i) {
        auto result = std::make_unique<Result>();
        // Where a load runs, and how: this is the one place.
        result->job = Worker::startOnPool([this, i, out = result.get()] {
            const LoadOrder::Member member(m_order, i);
            delayForTesting();
            if (!Worker::stopRequested())
                out->loaded = loadPictureConfined(m_loads[i].cp932FileName, out->picture);
        });
        m_results.push_back(std::move(result));
    }
}

CardPictureLoads::~CardPictureLoads()
{
    m_order.stop();
    skipTo(m_results.size());
}

void CardPictureLoads::skipTo(size_t index)
{
    m_order.giveUpBefore(index);
    for (size_t i = m_next; i < index; ++i)
        m_results[i]->job->giveUp();
    for (; m_next < index; ++m_next) {
        m_results[m_next]->job->wait();
        m_results[m_next]->picture = Bitmap(); // what it held of the budget is back
    }
}

bool CardPictureLoads::nextDoneBy(std::chrono::steady_clock::time_point deadline)
{
    giveTurn();
    WorkerJob &job = *m_results[m_next]->job;
    // A back takes less than a spin: no sleep, and no wake-up to wait for.
    return job.spinFor(Worker::QuickJobTime) || job.waitUntil(deadline);
}

bool CardPictureLoads::takeNext(Bitmap &target)
{
    BusyPointer::stillWorking();
    giveTurn();
    Result &result = *m_results[m_next];
    awaitBeside(*result.job);
    const CardPictureLoad &load = m_loads[m_next++];
    target = std::move(result.picture);
    if (!result.loaded)
        notePictureMiss(load.cp932FileName);
    return result.loaded;
}

void CardPictureLoads::giveTurn()
{
    const ImageBox *replaced = m_loads[m_next].replaces;
    m_order.turnOf(m_next, replaced ? replaced->pictureBytes() : 0);
}

void CardPictureLoad::setDelayForTesting(std::chrono::milliseconds delay)
{
    testDelay = delay.count();
}
