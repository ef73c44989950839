#pragma once

// Starting a Qt program, as built and unchanged, in a fresh process with the
// frame probe preloaded, and reading what the probe reports (see
// frameprobe.cpp).

#include <string>

struct ProbeRun {
    double secondsToFrame;    // from just before the process starts to its first flushed frame
    double cpuSecondsToFrame; // the process's CPU time by then
    long peakKb;              // VmHWM after start-up and, if the window has one, a reading
    std::string lastSlot;     // the text of slot 22 after that reading, or empty
};

// Runs program with folder as its current directory, probe preloaded, on
// Qt's offscreen platform, or, given an X display's name, on that X server.
// Throws std::runtime_error when it cannot be started, reports nothing or
// takes longer than thirty seconds.
ProbeRun runWithProbe(const std::string &program, const std::string &probe, const std::string &folder,
                      const std::string &x11Display = {});

// Starts program the same way on Qt's offscreen platform and leaves it
// alone once it has shown its first frame and done the work that frame left
// queued: the CPU time in seconds that the whole process, every thread of
// it, used in the next `seconds`. Throws as runWithProbe does.
double idleCpuSeconds(const std::string &program, const std::string &probe, const std::string &folder,
                      double seconds);
