#pragma once

// The fuzz targets' work folder: a fresh folder, in memory where the system
// has one, made the current directory with a "cardimages" folder in it. Each
// input is written to a file there and read back as the program reads it.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace WorkFolder {

inline void enter()
{
    const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string folder = std::string(base) + "/kuerumi-fuzz-XXXXXX";
    if (!mkdtemp(folder.data()) || chdir(folder.c_str()) != 0 || mkdir("cardimages", 0700) != 0) {
        std::perror("work folder");
        std::abort();
    }
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
