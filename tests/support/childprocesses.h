#pragma once

// The processes that a process started and that still run (or wait to be
// reaped), found from /proc as any other program would see them: the
// decoder processes of the program, or of a test itself.

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

inline std::vector<pid_t> childProcesses(pid_t parent)
{
    std::vector<pid_t> children;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (name) state ppid ...: the name may hold blanks and brackets.
        const size_t nameEnd = line.rfind(')');
        if (nameEnd == std::string::npos || nameEnd + 4 > line.size())
            continue;
        char state = 0;
        long ppid = 0;
        if (std::sscanf(line.c_str() + nameEnd + 2, "%c %ld", &state, &ppid) == 2 && ppid == parent)
            children.push_back(pid_t(std::stol(name)));
    }
    return children;
}

// A line of /proc/PID/status, such as "Seccomp:\t2", or empty.
inline std::string processStatus(pid_t pid, const std::string &key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with(key + ":"))
            return line;
    }
    return {};
}
