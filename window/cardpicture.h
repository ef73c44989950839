#pragma once

// The pictures a command puts into slots, decoded ahead on the pool of
// threads beside the window (workerthread.h) while the window paints and
// answers, and taken by the command one by one, in order, each once it is
// decoded (a wait as besidewindow.h's). What the user sees differs in
// nothing but time from one load after another: the same pictures in the
// same slots, the same stop at the same file, the same error; the pixel
// budget decides each picture as one at a time would (LoadOrder). A
// picture decoded ahead for a slot that the command never reaches is
// thrown away, and its decoding given up at its next step.
//
// Threads: made, taken and ended on the window's thread; each load runs on
// a thread of the pool and writes only its own result.

#include "bitmap.h"
#include "pixelbudget.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class WorkerJob;

class ImageBox;

struct CardPictureLoad
{
    std::string cp932FileName;
    // The box whose picture this one replaces, which is room for it once it
    // is its turn (none: a box not made yet, which shows nothing).
    const ImageBox *replaces = nullptr;
    // Whether the picture will be turned once it is in its slot.
    bool turns = false;
    // Whether it may be a copy of an earlier load's picture of the same
    // file, one that a box still shows as it was taken (takeNext), rather
    // than decoded again: the card back, the one picture of every slot. A
    // copy is made at its turn, admitted to the budget as its own load
    // would be (copyAsLoaded); where no box shows the picture, the file is
    // decoded then.
    bool copiesEarlier = false;

    // Each load takes that much longer, a millisecond at a time, in which
    // it can be given up as at any step: tests slow the pictures down so.
    static void setDelayForTesting(std::chrono::milliseconds delay);
};

class CardPictureLoads
{
public:
    // Starts decoding every file.
    explicit CardPictureLoads(std::vector<CardPictureLoad> loads);
    // Loads not taken are given up, and waited for: what they hold of the
    // budget is back before the command goes on.
    ~CardPictureLoads();
    CardPictureLoads(const CardPictureLoads &) = delete;
    CardPictureLoads &operator=(const CardPictureLoads &) = delete;

    // Whether the next load is done by then; nothing else happens
    // meanwhile. A copy is done at once when it is small, and otherwise
    // not done: it is made when taken.
    bool nextDoneBy(std::chrono::steady_clock::time_point deadline);

    // LoadPictureFile's result for the next load, its picture moved into
    // target: the picture before it must be in its slot, turned. Waits as a
    // command waits, and throws CommandAbandoned as it does. A false result
    // notes the file for the command's box (picturemiss.h); an error of the
    // load is thrown. shownIn is the box that will show the picture as it
    // is, unchanged until the command ends, for later loads to copy.
    bool takeNext(Bitmap &target, const ImageBox *shownIn = nullptr);

    // Gives up the loads before index that were not taken, and waits for
    // them: index is the next.
    void skipTo(size_t index);

private:
    struct Result;
    bool mayCopy(size_t index) const;
    void startDecoding(size_t index);
    const Result *shownEarlier() const;
    void copy(const Result &earlier, Bitmap &target);
    void giveTurn();
    std::vector<CardPictureLoad> m_loads;
    LoadOrder m_order;
    std::vector<std::unique_ptr<Result>> m_results;
    size_t m_next = 0;
};
