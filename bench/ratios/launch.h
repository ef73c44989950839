#pragma once

// Starting a probe program (startup_kuerumi or startup_minimal) in a fresh
// process on Qt's offscreen platform and reading what it reports.

#include <string>

struct ProbeRun {
    double secondsToFirstPaint; // from just before the fork
    long peakKb;                // VmHWM once its work is done
};

// Runs program with folder as its current directory. Throws
// std::runtime_error when it cannot be started or reports nothing.
ProbeRun runProbe(const std::string &program, const std::string &folder);
