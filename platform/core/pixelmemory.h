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
    size_t mapped = 0;   // the length of a mapping, given back with munmap; 0 for the heap's
    int file = -1;       // the memory file of a mapping shared with another process
    uint64_t sharer = 0; // that process
    void operator()(uint32_t *words) const;
};
using Words = std::unique_ptr<uint32_t[], Release>;

// Another process that maps memory of this one: a number of the caller's,
// never 0 and never used again for another process.
struct SharedWith {
    uint64_t process;
};

// What an allocation of that many bytes takes of the machine's memory: a
// large one is rounded up to whole large pages.
size_t footprint(size_t bytes);

// Words for that many bytes (a multiple of 4), their contents unset; null
// when there is no memory for them.
Words allocate(size_t bytes);

// The same in memory that another process maps too: a memory file of
// footprint(bytes), sealed so that its size never changes (whatever the
// other process does, reading this mapping never faults), mapped here; the
// file, to hand over, stays open with it (sharedFile). As the heap keeps
// small blocks, small ones are kept when freed and used again, for the same
// process only: memory that one process has mapped is never handed to
// another. Null when there is none to be had.
Words allocateShared(size_t bytes, SharedWith sharer);
// The file of such memory; -1 for any other.
inline int sharedFile(const Words &words)
{
    return words.get_deleter().file;
}
// Memory kept for that process is given back: it has ended.
void forgetSharer(SharedWith sharer);

// Large shared memory is kept too, while pictures are being loaded
// (keepLarge): a memory file's pages cost the system far more to make and
// to free than the heap's large pages (here some 30 ms for 30 MB, ten
// times as much), and a picture freed as a reading replaces it is the
// memory the next picture of its size needs. What is kept so is counted by
// keptLargeBytes(); the pixel budget counts it as held and has it given
// back (giveBackKept) whenever it needs the room, so that the memory never
// passes the budget, and all of it is given back once loading ends.
void keepLarge(bool on);
size_t keptLargeBytes();
// Gives back kept large memory, oldest first, until at least bytes of it
// have gone or none is left; how much went.
size_t giveBackKept(size_t bytes);
// In the other process: the file of that many bytes (footprint(bytes) of
// them) that it was handed, mapped for reading and writing; null when it
// cannot be. The file is not kept.
Words mapShared(int file, size_t bytes);

// Sets up the C library's heap for a program of large pictures; the program
// calls it first thing.
// - Every block of 128 KiB or more, ours and the libraries' alike, is mapped
//   apart and given back to the system when freed. The C library would
//   otherwise raise its threshold for that each time such a block is freed,
//   up to 32 MiB, and take later blocks below it (pictures, a decoder's
//   working memory) from its heap, where reading after reading they
//   fragment and stay resident.
// - The threads beside the window allocate from the same heap as the window's, which
//   frees most of what it allocates, instead of from a heap of its own
//   whose pages would stay resident beside.
void setUpHeap();

} // namespace PixelMemory
