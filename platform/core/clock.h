#pragma once

#include <cstdint>
#include <optional>

namespace Clock {

// A fast-moving clock: nanoseconds of the monotonic clock, cut to 32 bits.
std::optional<uint32_t> monotonicNanoseconds();

// Milliseconds since the system started, cut to 32 bits.
uint32_t millisecondsSinceBoot();

} // namespace Clock
