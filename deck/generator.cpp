#include "generator.h"

#include "clock.h"

uint32_t GeneratorState = 0;

void SeedGenerator()
{
    GeneratorState = Clock::monotonicNanoseconds().value_or(Clock::millisecondsSinceBoot());
}

int NextRandom(int n)
{
    GeneratorState = GeneratorState * 134775813u + 1u;
    return static_cast<int>((static_cast<uint64_t>(GeneratorState) * static_cast<uint32_t>(n)) >> 32);
}
