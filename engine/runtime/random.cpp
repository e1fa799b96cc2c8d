// The engine's 15-bit linear congruential generator behind Rnd.
#include "engine/runtime/random.h"

namespace tessel::runtime {

void SeedRandom(RandomState& state, uint32_t seed) {
    state.seed = seed;
}

int32_t NextRandom15(RandomState& state) {
    state.seed = state.seed * 1103515245u + 12345u;
    return static_cast<int32_t>((state.seed >> 16) & 0x7FFFu);
}

double Rnd(RandomState& state) {
    return NextRandom15(state) / 32768.0;
}

}  // namespace tessel::runtime
