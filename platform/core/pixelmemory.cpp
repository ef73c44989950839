#include "pixelmemory.h"

#include <cstdlib>

#include <malloc.h>
#include <sys/mman.h>

namespace {

// Pictures from this size on are given large pages; below it rounding up to
// one would waste more than it saves.
constexpr size_t LargeFrom = size_t{4} << 20;
constexpr size_t LargePage = size_t{2} << 20;
// The C library's own threshold before anything moves it.
constexpr int MappedFrom = 128 * 1024;

} // namespace

namespace PixelMemory {

void Release::operator()(uint32_t *words) const
{
    std::free(words);
}

size_t footprint(size_t bytes)
{
    return bytes < LargeFrom ? bytes : (bytes + LargePage - 1) / LargePage * LargePage;
}

Words allocate(size_t bytes)
{
    if (bytes < LargeFrom)
        return Words(static_cast<uint32_t *>(std::malloc(bytes)));
    void *words = std::aligned_alloc(LargePage, footprint(bytes));
    // Only advice: where the system keeps no large pages, small ones serve.
    if (words)
        madvise(words, footprint(bytes), MADV_HUGEPAGE);
    return Words(static_cast<uint32_t *>(words));
}

void setUpHeap()
{
    // Setting the threshold at all fixes it: it no longer moves.
    mallopt(M_MMAP_THRESHOLD, MappedFrom);
    mallopt(M_ARENA_MAX, 1);
}

} // namespace PixelMemory
