#include "cardpicture.h"

#include "besidewindow.h"
#include "busypointer.h"
#include "imagebox.h"
#include "decoderprocess.h"
#include "picturemiss.h"
#include "workerthread.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

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
    LoadRequests asked;
    std::shared_ptr<WorkerJob> job; // none for a copy
    // The box that shows the picture taken, and its pixels, by which the
    // box is known to show it still.
    const ImageBox *shownIn = nullptr;
    const uint8_t *shownPixels = nullptr;
};

CardPictureLoads::CardPictureLoads(std::vector<CardPictureLoad> loads)
    : m_loads(std::move(loads)), m_order(orderOf(m_loads))
{
    m_results.reserve(m_loads.size());
    for (size_t i = 0; i < m_loads.size(); ++i) {
        m_results.push_back(std::make_unique<Result>());
        if (!mayCopy(i))
            startDecoding(i);
    }
}

// Whether load index is left until its turn, when it may be a copy.
bool CardPictureLoads::mayCopy(size_t index) const
{
    const CardPictureLoad &load = m_loads[index];
    const auto sameFileUnturned = [&load](const CardPictureLoad &earlier) {
        return earlier.cp932FileName == load.cp932FileName && !earlier.turns;
    };
    return load.copiesEarlier && std::any_of(m_loads.begin(), m_loads.begin() + index, sameFileUnturned);
}

void CardPictureLoads::startDecoding(size_t index)
{
    Result *out = m_results[index].get();
    // Where a load runs, and how: this is the one place.
    out->job = Worker::startOnPool([this, index, out] {
        const LoadOrder::Member member(m_order, index);
        delayForTesting();
        if (!Worker::stopRequested())
            out->loaded = loadPictureConfined(m_loads[index].cp932FileName, out->picture, &out->asked);
    });
}

// The picture of an earlier load of the same file that a box still shows
// as it was taken; null when none does.
const CardPictureLoads::Result *CardPictureLoads::shownEarlier() const
{
    for (size_t i = 0; i < m_next; ++i) {
        const Result &earlier = *m_results[i];
        const Bitmap *shown = earlier.shownIn ? earlier.shownIn->picture() : nullptr;
        if (m_loads[i].cp932FileName == m_loads[m_next].cp932FileName && !m_loads[i].turns && earlier.loaded
            && shown && !shown->isEmpty() && shown->scanLine(0) == earlier.shownPixels)
            return &earlier;
    }
    return nullptr;
}

// Copies the picture that earlier shows into target, asking the budget
// for what its load asked, as the next load. The box's picture is only
// read: nothing changes it before the command ends.
void CardPictureLoads::copy(const Result &earlier, Bitmap &target)
{
    const Bitmap &shown = *earlier.shownIn->picture();
    const auto copy = [this, index = m_next, &shown, &earlier, &target] {
        const LoadOrder::Member member(m_order, index);
        target = copyAsLoaded(shown, earlier.asked);
    };
    if (worthDoingBeside(shown.width(), shown.height()))
        runBeside(copy);
    else
        copy();
}

CardPictureLoads::~CardPictureLoads()
{
    m_order.stop();
    skipTo(m_results.size());
}

void CardPictureLoads::skipTo(size_t index)
{
    m_order.giveUpBefore(index);
    for (size_t i = m_next; i < index; ++i) {
        if (m_results[i]->job)
            m_results[i]->job->giveUp();
    }
    for (; m_next < index; ++m_next) {
        if (m_results[m_next]->job)
            m_results[m_next]->job->wait();
        else
            const LoadOrder::Member asksNothing(m_order, m_next); // a copy never made: the loads after it may go on
        m_results[m_next]->picture = Bitmap(); // what it held of the budget is back
    }
}

bool CardPictureLoads::nextDoneBy(std::chrono::steady_clock::time_point deadline)
{
    giveTurn();
    if (!m_results[m_next]->job) {
        // A copy that takes a wait is made by the command that takes it.
        if (const Result *earlier = shownEarlier()) {
            const Bitmap &shown = *earlier->shownIn->picture();
            return !worthDoingBeside(shown.width(), shown.height());
        }
        startDecoding(m_next);
    }
    WorkerJob &job = *m_results[m_next]->job;
    // A back takes less than a spin: no sleep, and no wake-up to wait for.
    return job.spinFor(Worker::QuickJobTime) || job.waitUntil(deadline);
}

bool CardPictureLoads::takeNext(Bitmap &target, const ImageBox *shownIn)
{
    BusyPointer::stillWorking();
    giveTurn();
    Result &result = *m_results[m_next];
    if (!result.job) {
        if (const Result *earlier = shownEarlier()) {
            copy(*earlier, target);
            ++m_next;
            return true;
        }
        startDecoding(m_next);
    }
    awaitBeside(*result.job);
    const CardPictureLoad &load = m_loads[m_next++];
    target = std::move(result.picture);
    result.shownIn = shownIn;
    result.shownPixels = target.isEmpty() ? nullptr : std::as_const(target).scanLine(0);
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
