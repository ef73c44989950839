#pragma once

// The program's own random generator: a linear congruential generator with
// multiplier 134775813 and increment 1, seeded once per run from the clock.

#include <cstdint>

extern uint32_t GeneratorState;

// Sets GeneratorState from the monotonic clock (milliseconds since boot where
// that clock fails).
void SeedGenerator();

// Advances the state one step and returns a number from 0 to n - 1, taken from
// the upper half of the 64-bit product of the new state and n.
int NextRandom(int n);
