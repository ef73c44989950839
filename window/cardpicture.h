#pragma once

// A card's picture file decoded beside the window: the worker thread has it
// decoded in its confined decoder process (loadPictureConfined) while the
// window paints and answers, and the command that asked for it waits
// (besidewindow.h). One load at a time: each is
// taken before the next one starts, so one working bitmap exists at a time.

#include "bitmap.h"

#include <chrono>
#include <memory>
#include <string>

class WorkerJob;

class CardPictureLoad
{
public:
    // Starts decoding the file.
    explicit CardPictureLoad(std::string cp932FileName);
    // A load that was not taken is stopped, and waited for.
    ~CardPictureLoad();
    CardPictureLoad(const CardPictureLoad &) = delete;
    CardPictureLoad &operator=(const CardPictureLoad &) = delete;

    // Whether it is done by then; nothing else happens meanwhile.
    bool doneBy(std::chrono::steady_clock::time_point deadline);

    // LoadPictureFile's result, its picture moved into target: waits for it
    // as a command waits, and throws CommandAbandoned as it does. A false
    // result notes the file for the command's box (picturemiss.h); an error
    // of the load is thrown.
    bool take(Bitmap &target);

    // Each load takes that much longer, a millisecond at a time, in which
    // it can be stopped as at any step: tests slow the pictures down so.
    static void setDelayForTesting(std::chrono::milliseconds delay);

private:
    std::string m_fileName;
    Bitmap m_picture;
    bool m_loaded = false;
    std::shared_ptr<WorkerJob> m_job;
};

// A load taken at once.
bool loadCardPicture(const std::string &cp932FileName, Bitmap &target);
