// The per-channel engines of Echo, Flange/Chorus and Reverb, shared by the
// operations and their previews. Each is planned once for a sound (rate and
// area length: the refusals), allocates its delay lines once, and then runs
// any number of channels: Start clears the lines for one channel's area, and
// Run(area, begin, end, out) puts samples begin .. end - 1 of the processed
// area into out[0 .. end - begin), reading the dry input from `area`. Blocks
// follow each other from 0 without gaps. Each reads an input sample before
// it writes that sample's output (Reverb keeps its pre-delay in a line of its
// own), so they may run in place: out = area + begin.
#pragma once

#include <cstdint>
#include <memory>

#include "dsp/delay.h"

namespace ob {

// Echo: a ring of D entries, gains as fractions.
struct EchoPlan {
    uint32_t D = 2;
    double feedback = 0, loudness = 0;
};
// The plan of clamped parameters for an area of `length` frames at `rate`:
// null, or the refusal text.
const char* PlanEcho(const EchoParams& p, uint32_t rate, uint32_t length, EchoPlan* plan);

class EchoStream {
  public:
    bool Allocate(const EchoPlan& plan);  // false when out of memory
    void Start(uint32_t length);
    void Run(const float* area, uint32_t begin, uint32_t end, float* out);

  private:
    EchoPlan plan_;
    std::unique_ptr<float[]> line_;
    uint32_t w_ = 0;  // write position; the read position is the next one
};

// Flange and Chorus: a swept, interpolated feedback line; the sweep offset
// is 16.16 fixed point.
struct SweepPlan {
    int64_t D = 2;
    double feedback = 0, loudness = 0;  // negated for an inverted flange
    int64_t step = 1, maximum = 0;
};
const char* PlanSweep(const FlangeParams& p, bool flange, uint32_t rate, uint32_t length,
                      SweepPlan* plan);

class SweepStream {
  public:
    bool Allocate(const SweepPlan& plan);
    void Start(uint32_t length);
    void Run(const float* area, uint32_t begin, uint32_t end, float* out);

  private:
    SweepPlan plan_;
    std::unique_ptr<float[]> line_;
    int64_t w_ = 0, r_ = 1, offset_ = 0;
    bool up_ = true;
    int64_t minLag_ = 1;  // the fewest steps between a write and a read of it
};

// Reverb: a pre-delay of P samples, six combs and two all-pass lines.
struct ReverbPlan {
    int64_t P = 0;
    uint32_t sizes[8] = {};   // combs 1..6, all-pass 1 and 2
    double feedback[6] = {};  // (1 - dk) gk
    double damping[6] = {};   // dk
    int combs[6] = {};        // the combs the enclosure uses, in order
    int combCount = 0;
    bool secondAllPass = true;  // hall and spring
    double wet = 0;
};
const char* PlanReverb(const ReverbParams& p, uint32_t rate, uint32_t length, ReverbPlan* plan);

class ReverbStream {
  public:
    bool Allocate(const ReverbPlan& plan);
    void Start(uint32_t length);  // the pre-delay is limited to the area
    void Run(const float* area, uint32_t begin, uint32_t end, float* out);

  private:
    template <int Combs, bool Second>
    void Network(const float* in, const float* dry, float* out, uint32_t n);
    uint32_t Size(int k) const { return k < 8 ? plan_.sizes[k] : pre_ + 1; }
    // The entry after line k's write position (the first when it is the last).
    const float* ReadStart(int k) const {
        return data_[k] + (w_[k] + 1 == Size(k) ? 0 : w_[k] + 1);
    }

    ReverbPlan plan_;
    std::unique_ptr<float[]> lines_;
    float* data_[9] = {};  // the eight lines, then the pre-delay line of P + 1
    uint32_t w_[9] = {};
    double state_[6] = {};
    uint32_t pre_ = 0, position_ = 0;  // the pre-delay in this area; the next sample
};

}  // namespace ob
