#pragma once

// The fuzz targets' work folder: a fresh folder, in memory where the system
// has one, made the current directory with a "cardimages" folder in it. Each
// input is written to a file there and read back as the program reads it.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace WorkFolder {

// Made once per process and removed when it exits.
inline void enter()
{
    static std::string folder = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp")
                                + "/kuerumi-fuzz-XXXXXX";
    if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0 || mkdir("cardimages", 0700) != 0) {
        std::perror("work folder");
        std::abort();
    }
    std::atexit([] { std::filesystem::remove_all(folder); });
}

inline void write(const char *name, const void *bytes, size_t size)
{
    FILE *out = std::fopen(name, "wb");
    if (!out || std::fwrite(bytes, 1, size, out) != size || std::fclose(out) != 0) {
        std::perror(name);
        std::abort();
    }
}

} // namespace WorkFolder
