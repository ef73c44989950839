#pragma once

// Memory for a bitmap's pixels. A large picture gets the system's large
// pages where it offers them: far fewer faults when its memory is first
// written, and a turn, which writes across many rows at once, no longer
// waits on the translation of an address for every row.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace PixelMemory {

struct Release {
    size_t mapped = 0; // the length of a mapping, given back with munmap; 0 for the heap's
    void operator()(uint32_t *words) const;
};
using Words = std::unique_ptr<uint32_t[], Release>;

// What an allocation of that many bytes takes of the machine's memory: a
// large one is rounded up to whole large pages.
size_t footprint(size_t bytes);

// Words for that many bytes (a multiple of 4), their contents unset; null
// when there is no memory for them.
Words allocate(size_t bytes);

// The same in memory that another process can map too: a memory file of
// footprint(bytes), sealed so that its size never changes (whatever the
// other process does, reading this mapping never faults), mapped here.
// file is then the file to hand over, which the caller closes; null, and
// file -1, when there is none to be had.
Words allocateShared(size_t bytes, int &file);
// Such a file of that many bytes (footprint(bytes) of them), handed over by
// another process, mapped for reading and writing; null when it cannot be.
Words mapShared(int file, size_t bytes);

// Sets up the C library's heap for a program of large pictures; the program
// calls it first thing.
// - Every block of 128 KiB or more, ours and the libraries' alike, is mapped
//   apart and given back to the system when freed. The C library would
//   otherwise raise its threshold for that each time such a block is freed,
//   up to 32 MiB, and take later blocks below it (pictures, a decoder's
//   working memory) from its heap, where reading after reading they
//   fragment and stay resident.
// - The worker thread allocates from the same heap as the window's, which
//   frees most of what it allocates, instead of from a heap of its own
//   whose pages would stay resident beside.
void setUpHeap();

} // namespace PixelMemory
