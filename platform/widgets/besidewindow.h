#pragma once

// Waiting, inside a command, for work on a thread beside the window's
// (workerthread.h), with the window answering meanwhile. Both functions
// are for the window's thread only.

#include "workerthread.h"

#include <functional>

// Whether work on a picture of that size, a turn or a copy, takes
// milliseconds, and so is for beside the window: from a million pixels on.
// Below, it takes less than the wait would.
inline bool worthDoingBeside(int width, int height)
{
    return static_cast<long long>(width) * height >= 1'000'000;
}

// Returns once job is done, and throws what escaped its work: after a
// moment's spin (Worker::QuickJobTime), then with the window's event loop
// turning as a command's wait does (commandscope.h), the busy pointer
// showing once it is due. When the window closes, or the program is asked
// to end, meanwhile: asks the job to stop, waits until it has, and throws
// CommandAbandoned.
void awaitBeside(WorkerJob &job);

// Runs work on the thread beside the window and waits for it so.
void runBeside(std::function<void()> work);
