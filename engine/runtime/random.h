// Rnd: the engine's own 15-bit pseudo-random generator, independent of the
// C library's rand(), so a program gives the same sequence everywhere.
#pragma once

#include <cstdint>

namespace tessel::runtime {

// Generator state; one per context. A new state starts at seed 1.
struct RandomState {
    uint32_t seed = 1;
};

// Sets the state to a seed (a new context starts at 1).
void SeedRandom(RandomState& state, uint32_t seed);

// The next 15-bit value 0..32767: seed = seed * 1103515245 + 12345 (mod 2^32),
// value = (seed >> 16) & 0x7FFF.
int32_t NextRandom15(RandomState& state);

// Rnd: NextRandom15 / 32768, so 0 <= Rnd < 1 and Int(Rnd * 6) + 1 lies in 1..6.
double Rnd(RandomState& state);

}  // namespace tessel::runtime
