#pragma once

// Waiting, inside a command, for work on a thread beside the window's
// (workerthread.h), with the window answering meanwhile. Both functions
// are for the window's thread only.

#include "workerthread.h"

#include <functional>

// Work on a picture of this many pixels or more, a turn or a copy, takes
// milliseconds: beside the window. Below, it takes less than the wait.
inline constexpr long long BesideFromPixels = 1'000'000;

// Returns once job is done, and throws what escaped its work: after a
// moment's spin (Worker::QuickJobTime), then with the window's event loop
// turning as a command's wait does (commandscope.h), the busy pointer
// showing once it is due. When the window closes, or the program is asked
// to end, meanwhile: asks the job to stop, waits until it has, and throws
// CommandAbandoned.
void awaitBeside(WorkerJob &job);

// Runs work on the thread beside the window and waits for it so.
void runBeside(std::function<void()> work);
