#pragma once

// A picture file as the C-style decoders read it: plain data and a callback
// that never throws.

#include <cstddef>

struct FileSource {
    // Reads up to size more bytes into buffer; 0 at the file's end, below 0
    // on a failed read.
    long (*read)(void *file, unsigned char *buffer, size_t size);
    void *file;
    // The buffer the file is read through, holding its first filled bytes.
    unsigned char *buffer;
    size_t bufferSize;
    size_t filled;
};
