#include "pixelmemory.h"

#include <cstdlib>

#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

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
    if (mapped != 0)
        munmap(words, mapped);
    else
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

Words allocateShared(size_t bytes, int &file)
{
    file = memfd_create("kuerumi-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (file < 0)
        return Words();
    const size_t length = footprint(bytes);
    Words words;
    if (ftruncate(file, off_t(length)) == 0
        && fcntl(file, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
        words = mapShared(file, bytes);
    if (!words) {
        close(file);
        file = -1;
    }
    return words;
}

Words mapShared(int file, size_t bytes)
{
    const size_t length = footprint(bytes);
    void *words = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (words == MAP_FAILED)
        return Words();
    if (length >= LargeFrom)
        madvise(words, length, MADV_HUGEPAGE); // only advice, as for the heap's
    return Words(static_cast<uint32_t *>(words), Release{length});
}

void setUpHeap()
{
    // Setting the threshold at all fixes it: it no longer moves.
    mallopt(M_MMAP_THRESHOLD, MappedFrom);
    mallopt(M_ARENA_MAX, 1);
}

} // namespace PixelMemory
