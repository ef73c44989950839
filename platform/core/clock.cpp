#include "clock.h"

#include <ctime>

namespace Clock {

std::optional<uint32_t> monotonicNanoseconds()
{
    timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return std::nullopt;
    const auto nanoseconds = static_cast<uint64_t>(now.tv_sec) * 1000000000u
                             + static_cast<uint64_t>(now.tv_nsec);
    return static_cast<uint32_t>(nanoseconds);
}

uint32_t millisecondsSinceBoot()
{
    timespec now;
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u
                                 + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

} // namespace Clock
