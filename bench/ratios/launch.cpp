#include "launch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

long long monotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// The benchmark's own environment with the offscreen platform chosen, made
// before the fork: the child may only make async-signal-safe calls.
std::vector<std::string> probeEnvironment()
{
    std::vector<std::string> entries;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            entries.emplace_back(*e);
    }
    entries.emplace_back(std::string("QT_QPA_PLATFORM=") + KUERUMI_OFFSCREEN);
    return entries;
}

} // namespace

ProbeRun runProbe(const std::string &program, const std::string &folder)
{
    static const std::vector<std::string> environment = probeEnvironment();
    std::vector<char *> envp;
    for (const std::string &entry : environment)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe for " + program);
    const long long start = monotonicNanoseconds();
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        if (chdir(folder.c_str()) != 0 || dup2(out[1], 1) < 0 || dup2(quiet, 2) < 0)
            _exit(127);
        execve(argv[0], argv, envp.data());
        _exit(127);
    }
    close(out[1]);
    if (child < 0) {
        close(out[0]);
        throw std::runtime_error("cannot start " + program);
    }
    std::string report;
    char buffer[256];
    ssize_t got;
    while ((got = read(out[0], buffer, sizeof buffer)) != 0) {
        if (got > 0)
            report.append(buffer, size_t(got));
        else if (errno != EINTR)
            break;
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);

    long long paint = 0;
    long peak = 0;
    if (std::sscanf(report.c_str(), "paint %lld peak %ld", &paint, &peak) != 2 || paint < start || peak <= 0)
        throw std::runtime_error(program + " did not report its first paint and peak memory (output: \"" + report
                                 + "\")");
    return {double(paint - start) * 1e-9, peak};
}
