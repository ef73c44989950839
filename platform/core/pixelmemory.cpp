#include "pixelmemory.h"

#include "workerthread.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>

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
// Shared memory below the heap's threshold is kept for use again up to this
// much: making and freeing a memory file costs far more than the heap's
// block, about as much as decoding a card.
constexpr size_t MostKept = size_t{4} << 20;

// Shared memory freed, oldest first, to be used again for its process.
class KeptMemory
{
public:
    // Keeps memory released; false when it is not to be kept.
    bool keep(uint32_t *words, const PixelMemory::Release &release)
    {
        if (release.sharer == 0)
            return false;
        const bool large = release.mapped >= size_t(MappedFrom);
        const std::lock_guard lock(m_mutex);
        if (large && !m_keepLarge)
            return false;
        m_kept.push_back({words, release});
        if (large)
            m_largeBytes += release.mapped;
        else
            m_smallBytes += release.mapped;
        while (m_smallBytes > MostKept)
            dropFirst(false);
        return true;
    }

    PixelMemory::Words take(size_t length, uint64_t sharer)
    {
        const std::lock_guard lock(m_mutex);
        for (auto kept = m_kept.begin(); kept != m_kept.end(); ++kept) {
            if (kept->release.mapped == length && kept->release.sharer == sharer) {
                PixelMemory::Words words(kept->words, kept->release);
                count(kept->release.mapped, false);
                m_kept.erase(kept);
                return words;
            }
        }
        return PixelMemory::Words();
    }

    void forget(uint64_t sharer)
    {
        const std::lock_guard lock(m_mutex);
        for (auto kept = m_kept.begin(); kept != m_kept.end();) {
            if (kept->release.sharer != sharer) {
                ++kept;
                continue;
            }
            release(*kept);
            kept = m_kept.erase(kept);
        }
    }

    // Giving back a memory file's pages takes milliseconds for each ten
    // megabytes: what loading leaves goes on the thread beside the window,
    // which the window's own thread does not wait for.
    void keepLarge(bool on)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_keepLarge = on;
            if (on || m_largeBytes == 0)
                return;
        }
        Worker::start([this] {
            const std::lock_guard lock(m_mutex);
            if (!m_keepLarge)
                dropLarge(SIZE_MAX);
        });
    }

    size_t largeBytes() const { return m_largeBytes.load(std::memory_order_relaxed); }

    size_t giveBack(size_t bytes)
    {
        const std::lock_guard lock(m_mutex);
        return dropLarge(bytes);
    }

private:
    struct Kept {
        uint32_t *words;
        PixelMemory::Release release;
    };

    void count(size_t mapped, bool more)
    {
        if (mapped >= size_t(MappedFrom))
            m_largeBytes.store(more ? m_largeBytes + mapped : m_largeBytes - mapped, std::memory_order_relaxed);
        else
            m_smallBytes = more ? m_smallBytes + mapped : m_smallBytes - mapped;
    }

    void release(const Kept &kept)
    {
        count(kept.release.mapped, false);
        munmap(kept.words, kept.release.mapped);
        close(kept.release.file);
    }

    void dropFirst(bool large)
    {
        for (auto kept = m_kept.begin(); kept != m_kept.end(); ++kept) {
            if ((kept->release.mapped >= size_t(MappedFrom)) == large) {
                release(*kept);
                m_kept.erase(kept);
                return;
            }
        }
    }

    size_t dropLarge(size_t bytes)
    {
        size_t dropped = 0;
        for (auto kept = m_kept.begin(); kept != m_kept.end() && dropped < bytes;) {
            if (kept->release.mapped < size_t(MappedFrom)) {
                ++kept;
                continue;
            }
            dropped += kept->release.mapped;
            release(*kept);
            kept = m_kept.erase(kept);
        }
        return dropped;
    }

    std::mutex m_mutex;
    std::deque<Kept> m_kept;
    size_t m_smallBytes = 0;
    std::atomic<size_t> m_largeBytes{0};
    bool m_keepLarge = false;
};

// Never destroyed: bitmaps may be freed as the program ends.
KeptMemory &keptMemory()
{
    static KeptMemory &kept = *new KeptMemory;
    return kept;
}

} // namespace

namespace PixelMemory {

void Release::operator()(uint32_t *words) const
{
    if (mapped == 0) {
        std::free(words);
        return;
    }
    if (file >= 0 && keptMemory().keep(words, *this))
        return;
    munmap(words, mapped);
    if (file >= 0)
        close(file);
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

Words allocateShared(size_t bytes, SharedWith sharer)
{
    const size_t length = footprint(bytes);
    if (Words kept = keptMemory().take(length, sharer.process))
        return kept;
    const int file = memfd_create("kuerumi-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (file < 0)
        return Words();
    Words words;
    if (ftruncate(file, off_t(length)) == 0
        && fcntl(file, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
        words = mapShared(file, bytes);
    if (!words) {
        close(file);
        return Words();
    }
    Release &release = words.get_deleter();
    release.file = file;
    release.sharer = sharer.process;
    return words;
}

void forgetSharer(SharedWith sharer)
{
    keptMemory().forget(sharer.process);
}

void keepLarge(bool on)
{
    keptMemory().keepLarge(on);
}

size_t keptLargeBytes()
{
    return keptMemory().largeBytes();
}

size_t giveBackKept(size_t bytes)
{
    return keptMemory().giveBack(bytes);
}

Words mapShared(int file, size_t bytes)
{
    const size_t length = footprint(bytes);
    // Mapped whole at once: far cheaper than a fault for each page as it is
    // first written, which memory of the heap, used again, would not take.
    void *words = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, file, 0);
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
