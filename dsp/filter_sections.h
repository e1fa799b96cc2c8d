// Low-pass and high-pass filter sections of the equalization family: the
// first-order and second-order designs by prototype constant, the order-5
// 0.5 dB-ripple Chebyshev cascade, and the run of one section over a range in
// double precision (history primed from the two samples before the range).
#pragma once

#include <cstdint>

namespace ob {

struct FilterSection {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    bool secondOrder = false;
};

// Normalised frequency of `hz` at `rate`: max(hz, 5) / rate, at most 0.475.
double NormalisedFrequency(double hz, uint32_t rate);

// First order: a = 1 plain, 0.3623196 the real pole of the order-5 filter.
FilterSection FirstOrderSection(double f, bool lowPass, double a = 1.0);
// Second order with prototype constants beta, gamma.
FilterSection SecondOrderSection(double f, bool lowPass, double beta, double gamma);
// The order-5 cascade: first order (a = 0.3623196), then the two second-order
// sections of the 0.5 dB-ripple Chebyshev prototype.
void OrderFiveSections(double f, bool lowPass, FilterSection out[3]);

// The history of a section run: primed from the samples before the range
// (`before` points just past them, `available` of them exist; second order
// needs 2, first order 1, else the history starts from 0), then carried from
// block to block.
struct SectionState {
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};
SectionState PrimeSection(const FilterSection& s, const float* before, uint32_t available);
// Runs a section over x[0..n) in place, continuing `state`.
void RunSectionBlock(const FilterSection& s, SectionState& state, float* x, uint32_t n);

}  // namespace ob
