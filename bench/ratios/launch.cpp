#include "launch.h"

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
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
// preloaded. An offscreen run has no display: given one, Qt's offscreen
// platform would connect to it.
std::vector<std::string> probeEnvironment(const std::string &probe, const std::string &x11Display)
{
    std::vector<std::string> entries;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 && std::strncmp(*e, "LD_PRELOAD=", 11) != 0
            && std::strncmp(*e, "DISPLAY=", 8) != 0)
            entries.emplace_back(*e);
    }
    if (x11Display.empty()) {
        entries.emplace_back(std::string("QT_QPA_PLATFORM=") + KUERUMI_OFFSCREEN);
    } else {
        entries.emplace_back("QT_QPA_PLATFORM=xcb");
        entries.emplace_back("DISPLAY=" + x11Display);
    }
    entries.emplace_back("LD_PRELOAD=" + probe);
    return entries;
}

// Everything the child writes until it ends, or until the time is up.
std::string readUntilEnd(int fd, pid_t child, const std::string &program)
{
    std::string report;
    const long long deadline = monotonicNanoseconds() + TimeoutMs * 1000000LL;
    for (;;) {
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

} // namespace

ProbeRun runWithProbe(const std::string &program, const std::string &probe, const std::string &folder,
                      const std::string &x11Display)
{
    const std::vector<std::string> environment = probeEnvironment(probe, x11Display);
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
    std::string report;
    try {
        report = readUntilEnd(out[0], child, program);
    } catch (...) {
        close(out[0]);
        throw;
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);

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
    if (frame <= start || cpu <= 0 || run.peakKb <= 0)
        throw std::runtime_error(program + " did not report its first frame and peak memory (output: \"" + report
                                 + "\")");
    run.secondsToFrame = double(frame - start) * 1e-9;
    run.cpuSecondsToFrame = double(cpu) * 1e-9;
    return run;
}
