#include "pixelbudget.h"

#include <algorithm>
#include <atomic>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr size_t MostPixelMemory = PixelBudget::LargestCeiling;
// Of the machine's memory, or of a limit set on the process, the pixels take
// at most this part: the rest is for the program, its libraries and the
// system.
constexpr size_t ShareDivisor = 4;

std::atomic<size_t> held{0};
std::atomic<size_t> testCeiling{0};
std::atomic<size_t> replaced{0};

size_t machineCeiling()
{
    size_t ceiling = MostPixelMemory;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        ceiling = std::min(ceiling, size_t(pages) / ShareDivisor * size_t(pageSize));
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            ceiling = std::min(ceiling, size_t(limit.rlim_cur / ShareDivisor));
    }
    return ceiling;
}

} // namespace

namespace PixelBudget {

size_t ceiling()
{
    static const size_t machine = machineCeiling();
    const size_t forTesting = testCeiling.load();
    return forTesting != 0 ? forTesting : machine;
}

size_t inUse()
{
    return held.load();
}

void setCeilingForTesting(size_t bytes)
{
    testCeiling = bytes;
}

void loadHasAskedAll()
{
}

} // namespace PixelBudget

ReplacementRoom::ReplacementRoom(size_t bytes) : m_bytes(bytes)
{
    replaced += m_bytes;
}

ReplacementRoom::~ReplacementRoom()
{
    replaced -= m_bytes;
}

bool PixelReservation::tryTake(size_t bytes, PixelReservation &into)
{
    into.release();
    const size_t limit = PixelBudget::ceiling() + replaced.load();
    size_t now = held.load();
    do {
        if (now > limit || bytes > limit - now)
            return false;
    } while (!held.compare_exchange_weak(now, now + bytes));
    into.m_bytes = bytes;
    return true;
}

PixelReservation &PixelReservation::operator=(PixelReservation &&other) noexcept
{
    if (this != &other) {
        release();
        m_bytes = other.m_bytes;
        other.m_bytes = 0;
    }
    return *this;
}

void PixelReservation::release()
{
    held -= m_bytes;
    m_bytes = 0;
}
