#pragma once

// A picture file as the C-style decoders read it: plain data and callbacks
// that never throw.

#include <cstddef>

struct FileSource {
    // The next bytes of the file, as many as are at hand, all taken by the
    // call and valid until the next; 0 at the end of the file or of what
    // the load may read.
    size_t (*next)(void *file, const unsigned char **bytes);
    // Passes over count bytes; false when the file or what the load may read
    // ends first.
    bool (*pass)(void *file, size_t count);
    void *file;
};
