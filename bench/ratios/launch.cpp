#include "launch.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

constexpr int TimeoutMs = 30000;

long long monotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// The benchmark's own environment with the platform chosen and the probe
// preloaded, told to leave the program alone after its first frame when
// idle. An offscreen run has no display: given one, Qt's offscreen platform
// would connect to it.
std::vector<std::string> probeEnvironment(const std::string &probe, const std::string &x11Display, bool idle)
{
    std::vector<std::string> entries;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 && std::strncmp(*e, "LD_PRELOAD=", 11) != 0
            && std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "KUERUMI_PROBE_IDLE=", 19) != 0)
            entries.emplace_back(*e);
    }
    if (idle)
        entries.emplace_back("KUERUMI_PROBE_IDLE=1");
    if (x11Display.empty()) {
        entries.emplace_back(std::string("QT_QPA_PLATFORM=") + KUERUMI_OFFSCREEN);
    } else {
        entries.emplace_back("QT_QPA_PLATFORM=xcb");
        entries.emplace_back("DISPLAY=" + x11Display);
    }
    entries.emplace_back("LD_PRELOAD=" + probe);
    return entries;
}

// What the child writes until it ends or, given a line's beginning, until
// it has written a whole line that begins so; ended when the time is up.
std::string readUntilEnd(int fd, pid_t child, const std::string &program, const std::string &lastLine = {})
{
    std::string report;
    const long long deadline = monotonicNanoseconds() + TimeoutMs * 1000000LL;
    const auto lineDone = [&] {
        const size_t at = report.find(lastLine);
        return !lastLine.empty() && at != std::string::npos && (at == 0 || report[at - 1] == '\n')
               && report.find('\n', at) != std::string::npos;
    };
    while (!lineDone()) {
        const long long left = (deadline - monotonicNanoseconds()) / 1000000;
        pollfd watch{fd, POLLIN, 0};
        const int ready = left > 0 ? poll(&watch, 1, int(left)) : 0;
        if (ready == 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            throw std::runtime_error(program + " did not report within thirty seconds");
        }
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        char buffer[512];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0)
            report.append(buffer, size_t(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    return report;
}

struct ProbedChild {
    pid_t pid;
    int out; // the read end of the pipe on the child's standard output
    long long start;
};

ProbedChild startWithProbe(const std::string &program, const std::string &probe, const std::string &folder,
                           const std::string &x11Display, bool idle)
{
    const std::vector<std::string> environment = probeEnvironment(probe, x11Display, idle);
    std::vector<char *> envp;
    for (const std::string &entry : environment)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe for " + program);
    // posix_spawn starts the child without copying the benchmark's memory,
    // so the start costs the same whatever the benchmark holds.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const long long start = monotonicNanoseconds();
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (failed != 0) {
        close(out[0]);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(failed));
    }
    return {child, out[0], start};
}

// readUntilEnd on the child, its pipe closed afterwards whatever happens.
std::string readFromChild(const ProbedChild &child, const std::string &program, const std::string &lastLine = {})
{
    try {
        std::string report = readUntilEnd(child.out, child.pid, program, lastLine);
        if (lastLine.empty())
            close(child.out);
        return report;
    } catch (...) {
        close(child.out);
        throw;
    }
}

// The number after a line's first word, for the first line that begins
// with word; -1 when there is none.
long long numberAfter(const std::string &report, const std::string &word)
{
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(word + ' ', 0) == 0)
            return std::atoll(line.c_str() + word.size() + 1);
    }
    return -1;
}

} // namespace

ProbeRun runWithProbe(const std::string &program, const std::string &probe, const std::string &folder,
                      const std::string &x11Display)
{
    const ProbedChild child = startWithProbe(program, probe, folder, x11Display, false);
    const std::string report = readFromChild(child, program);
    int status = 0;
    waitpid(child.pid, &status, 0);

    ProbeRun run{0, 0, 0, {}};
    long long frame = 0, cpu = 0;
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("frame ", 0) == 0)
            std::sscanf(line.c_str(), "frame %lld %lld", &frame, &cpu);
        else if (line.rfind("peak ", 0) == 0)
            std::sscanf(line.c_str(), "peak %ld", &run.peakKb);
        else if (line.rfind("slot22 ", 0) == 0)
            run.lastSlot = line.substr(7);
    }
    if (frame <= child.start || cpu <= 0 || run.peakKb <= 0)
        throw std::runtime_error(program + " did not report its first frame and peak memory (output: \"" + report
                                 + "\")");
    run.secondsToFrame = double(frame - child.start) * 1e-9;
    run.cpuSecondsToFrame = double(cpu) * 1e-9;
    return run;
}

double idleCpuSeconds(const std::string &program, const std::string &probe, const std::string &folder,
                      double seconds)
{
    const ProbedChild child = startWithProbe(program, probe, folder, {}, true);
    const std::string settled = readFromChild(child, program, "idle ");
    const long long before = numberAfter(settled, "idle");
    if (before <= 0) {
        kill(child.pid, SIGKILL);
        close(child.out);
        waitpid(child.pid, nullptr, 0);
        throw std::runtime_error(program + " did not settle after its first frame (output: \"" + settled + "\")");
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    // The probe answers the signal with the CPU time and ends the process.
    kill(child.pid, SIGUSR1);
    const std::string report = readFromChild(child, program);
    int status = 0;
    waitpid(child.pid, &status, 0);
    const long long after = numberAfter(report, "cpu");
    if (after < before)
        throw std::runtime_error(program + " did not report its CPU time when idle (output: \"" + settled + report
                                 + "\")");
    return double(after - before) * 1e-9;
}
