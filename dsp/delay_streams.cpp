// The delay effects' engines.
//
// The loops work in blocks that never wrap a line and never read what the
// same block writes, so the arithmetic runs over plain arrays: Echo copies the
// block's read values first (its write position trails the read position by
// one entry), Flange/Chorus compute the block's read positions, then the
// interpolated values, then the outputs and line writes (the block is no
// longer than the shortest delay the sweep reaches), and Reverb runs all its
// combs side by side over a block that wraps none of its lines. The
// arithmetic and its order are those of the per-sample rules.
#include "dsp/delay_streams.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace ob {

namespace {

constexpr uint32_t kChunk = 256;

std::unique_ptr<float[]> NewFloats(size_t n) {
    return std::unique_ptr<float[]>(new (std::nothrow) float[n ? n : 1]);
}

bool LineFits(int64_t d, uint32_t length) {
    return d >= 2 && d + 2 < int64_t(length);
}

// out = x + e ld, line = x + e fb over n samples of separate arrays.
void MixChunk(const float* __restrict x, const float* __restrict e, float* __restrict out,
              float* __restrict line, uint32_t n, double fb, double ld) {
    for (uint32_t k = 0; k < n; ++k) {
        const double xv = x[k], ev = e[k];
        out[k] = float(xv + ev * ld);
        line[k] = float(xv + ev * fb);
    }
}

// The same with the delayed values as doubles (the interpolated sweep).
void MixChunk(const float* __restrict x, const double* __restrict e, float* __restrict out,
              float* __restrict line, uint32_t n, double fb, double ld) {
    for (uint32_t k = 0; k < n; ++k) {
        const double xv = x[k], ev = e[k];
        out[k] = float(xv + ev * ld);
        line[k] = float(xv + ev * fb);
    }
}

}  // namespace

// ---- Echo ----

const char* PlanEcho(const EchoParams& p, uint32_t rate, uint32_t length, EchoPlan* plan) {
    if (p.delayS == 0 || p.loudness == 0) return kTextParameterZero;
    const int64_t d = int64_t(rate * p.delayS);
    if (!LineFits(d, length)) return kTextEditTooSmall;
    plan->D = uint32_t(d);
    plan->feedback = p.feedback / 100;
    plan->loudness = p.loudness / 100;
    return nullptr;
}

bool EchoStream::Allocate(const EchoPlan& plan) {
    plan_ = plan;
    line_ = NewFloats(plan.D);
    return line_ != nullptr;
}

void EchoStream::Start(uint32_t) {
    std::fill(line_.get(), line_.get() + plan_.D, 0.0f);
    w_ = 0;
}

void EchoStream::Run(const float* area, uint32_t begin, uint32_t end, float* out) {
    const uint32_t D = plan_.D;
    float* line = line_.get();
    float e[kChunk], x[kChunk];
    uint32_t w = w_;
    for (uint32_t i = begin; i < end;) {
        const uint32_t r = w + 1 == D ? 0 : w + 1;
        const uint32_t n = std::min({end - i, D - r, D - w, kChunk});
        std::memcpy(e, line + r, n * sizeof(float));
        std::memcpy(x, area + i, n * sizeof(float));  // out may be area + begin
        MixChunk(x, e, out + (i - begin), line + w, n, plan_.feedback, plan_.loudness);
        i += n;
        w += n;
        if (w == D) w = 0;
    }
    w_ = w;
}

// ---- Flange and Chorus ----

const char* PlanSweep(const FlangeParams& p, bool flange, uint32_t rate, uint32_t length,
                      SweepPlan* plan) {
    if (p.delayMs == 0 || p.loudness == 0 || p.depth == 0 || p.speedS == 0)
        return kTextParameterZero;
    double speed = p.speedS;
    if (p.delayMs * p.depth / 50000 > speed) speed = p.delayMs * p.depth / 45000;
    const int64_t d = int64_t(rate * p.delayMs * 0.001);
    if (!LineFits(d, length)) return kTextEditTooSmall;
    plan->D = d;
    plan->feedback = p.feedback / 100;
    plan->loudness = p.loudness / 100;
    if (flange && p.invert) plan->feedback = -plan->feedback, plan->loudness = -plan->loudness;
    plan->step = std::max<int64_t>(int64_t(p.delayMs * p.depth * 1.3107 / speed), 1);
    int64_t maximum = int64_t(double(rate) * p.delayMs * p.depth * 0.65535 + 0.5);
    if ((maximum + 2) >> 16 >= d) maximum = (d - 2) << 16;
    plan->maximum = maximum;
    return nullptr;
}

bool SweepStream::Allocate(const SweepPlan& plan) {
    plan_ = plan;
    line_ = NewFloats(size_t(plan.D));
    // The offset stays within 0 .. max(maximum, step); a read lies
    // (offset >> 16) + 1 entries after the write position, and its second
    // entry is then written D - (offset >> 16) - 2 steps later.
    const int64_t reach = (std::max(plan.maximum, plan.step) >> 16) + 1;
    minLag_ = reach <= plan.D - 2 ? plan.D - reach - 1 : 1;
    return line_ != nullptr;
}

void SweepStream::Start(uint32_t) {
    std::fill(line_.get(), line_.get() + plan_.D, 0.0f);
    w_ = 0;
    r_ = 1;
    offset_ = plan_.maximum / 2;
    up_ = true;
}

void SweepStream::Run(const float* area, uint32_t begin, uint32_t end, float* out) {
    const int64_t D = plan_.D, step = plan_.step, maximum = plan_.maximum;
    const double fb = plan_.feedback, ld = plan_.loudness;
    float* line = line_.get();
    int64_t w = w_, r = r_, offset = offset_;
    bool up = up_;
    // Moves the sweep one sample on and sets the next read position.
    auto advance = [&] {
        if (++w == D) w = 0;
        if (up) {
            offset += step;
            if (offset >= maximum) offset = maximum, up = false;
        } else {
            offset -= step;
            if (step >= offset) offset = step, up = true;
        }
        r = w + (offset >> 16) + 1;
        if (r >= D) r -= D;
        if (r >= D || r < 0) r = ((r % D) + D) % D;
    };
    if (minLag_ < 16) {
        // Reads close behind the writes: one sample at a time.
        for (uint32_t i = begin; i < end; ++i) {
            double a = line[r], b = line[r + 1 == D ? 0 : r + 1];
            double e = a + (b - a) * double(offset & 0xFFFF) / 65536.0;
            double x = area[i];
            out[i - begin] = float(x + e * ld);
            line[w] = float(x + e * fb);
            advance();
        }
    } else {
        const uint32_t block = uint32_t(std::min<int64_t>(minLag_, kChunk));
        int32_t at[kChunk], fraction[kChunk];
        double e[kChunk];
        float x[kChunk];
        for (uint32_t i = begin; i < end;) {
            const uint32_t n = std::min(block, end - i);
            const int64_t w0 = w;
            for (uint32_t k = 0; k < n; ++k) {
                at[k] = int32_t(r);
                fraction[k] = int32_t(offset & 0xFFFF);
                advance();
            }
            // Every value read here was written before this block.
            for (uint32_t k = 0; k < n; ++k) {
                const int32_t q = at[k];
                const double a = line[q], b = line[q + 1 == D ? 0 : q + 1];
                e[k] = a + (b - a) * double(fraction[k]) / 65536.0;
            }
            const uint32_t first = uint32_t(std::min<int64_t>(n, D - w0));
            std::memcpy(x, area + i, n * sizeof(float));  // out may be area + begin
            MixChunk(x, e, out + (i - begin), line + w0, first, fb, ld);
            if (first < n)
                MixChunk(x + first, e + first, out + (i - begin) + first, line, n - first, fb, ld);
            i += n;
        }
    }
    w_ = w;
    r_ = r;
    offset_ = offset;
    up_ = up;
}

// ---- Reverb ----

namespace {

constexpr double kReverbTimes[] = {0.2, 0.42, 0.9, 2.15, 3.97, 7.5, 16.2, 20.0};
constexpr double kReverbGains[] = {0.1, 0.495, 0.745, 0.885, 0.94, 0.98, 0.99, 0.992};
struct CombShape {
    double delay, gain, damping;
};
constexpr CombShape kCombs[6] = {{1, 1, 1},
                                 {0.923, 0.987, 0.937},
                                 {0.872, 0.993, 0.906},
                                 {0.782, 0.985, 0.875},
                                 {0.718, 0.981, 0.812},
                                 {0.641, 0.988, 0.75}};
constexpr double kAllPass1 = 0.7, kAllPass2 = 0.67;

double ReverbGain(double t) {
    if (t >= 20) return 0.992;
    int i = 0;
    while (kReverbTimes[i] < t) ++i;
    if (i == 0) return 0.2;
    return kReverbGains[i - 1] + (kReverbGains[i] - kReverbGains[i - 1]) *
                                     (t - kReverbTimes[i - 1]) /
                                     (kReverbTimes[i] - kReverbTimes[i - 1]);
}

}  // namespace

const char* PlanReverb(const ReverbParams& p, uint32_t rate, uint32_t length, ReverbPlan* plan) {
    if (p.decayS == 0 || p.loudness == 0) return kTextParameterZero;
    const int64_t dmax = int64_t((p.preDelayMs + 50) * rate / 1000);
    if (!LineFits(dmax, length)) return kTextEditTooSmall;
    plan->P = int64_t(p.preDelayMs * rate / 1000);
    const double damp = std::min(std::sqrt(p.damping / 20), 0.97);
    const double base = 0.078 - p.diffusion / 500;
    const double g = ReverbGain(0.038 / base * p.decayS);
    int64_t sizes[8];
    for (int k = 0; k < 6; ++k) {
        sizes[k] = int64_t(rate * base * kCombs[k].delay);
        plan->damping[k] = damp * kCombs[k].damping;
        plan->feedback[k] = (1 - plan->damping[k]) * (g * kCombs[k].gain);
    }
    sizes[6] = int64_t(rate * 0.006);
    sizes[7] = int64_t(rate * 0.005);
    for (int k = 0; k < 8; ++k) {
        if (sizes[k] < 10) return kTextBadParameter;
        plan->sizes[k] = uint32_t(sizes[k]);
    }
    plan->wet = (p.loudness / 100) / ((g + 1) * 2);
    bool used[6] = {true, true, true, true, true, true};
    if (p.enclosure == kReverbRoom) used[1] = used[3] = used[5] = false;
    if (p.enclosure == kReverbSpring) used[1] = used[2] = used[3] = used[4] = used[5] = false;
    plan->secondAllPass = p.enclosure != kReverbRoom;
    plan->combCount = 0;
    for (int k = 0; k < 6; ++k)
        if (used[k]) plan->combs[plan->combCount++] = k;
    return nullptr;
}

bool ReverbStream::Allocate(const ReverbPlan& plan) {
    plan_ = plan;
    size_t total = size_t(plan.P) + 1;
    for (uint32_t s : plan.sizes) total += s;
    lines_ = NewFloats(total);
    if (!lines_) return false;
    size_t at = 0;
    for (int k = 0; k < 8; ++k) {
        data_[k] = lines_.get() + at;
        at += plan.sizes[k];
    }
    data_[8] = lines_.get() + at;
    return true;
}

void ReverbStream::Start(uint32_t length) {
    size_t total = size_t(plan_.P) + 1;
    for (uint32_t s : plan_.sizes) total += s;
    std::fill(lines_.get(), lines_.get() + total, 0.0f);
    std::fill(w_, w_ + 9, 0u);
    std::fill(state_, state_ + 6, 0.0);
    pre_ = uint32_t(std::min<int64_t>(plan_.P, length));
    position_ = 0;
}

// n samples of the network: input in[], dry signal dry[], into out[]. No
// line wraps within the block, and each read precedes the write of its entry.
template <int Combs, bool Second>
void ReverbStream::Network(const float* in, const float* dry, float* out, uint32_t n) {
    const float* rd[Combs];
    float* wr[Combs];
    double fb[Combs], dk[Combs], z[Combs];
    for (int c = 0; c < Combs; ++c) {
        const int k = plan_.combs[c];
        wr[c] = data_[k] + w_[k];
        rd[c] = ReadStart(k);
        fb[c] = plan_.feedback[k];
        dk[c] = plan_.damping[k];
        z[c] = state_[k];
    }
    float* wr1 = data_[6] + w_[6];
    const float* rd1 = ReadStart(6);
    float* wr2 = data_[7] + w_[7];
    const float* rd2 = ReadStart(7);
    const double wet = plan_.wet;
    for (uint32_t j = 0; j < n; ++j) {
        const double x = in[j];
        double rc[Combs];
        double s = 0;
        for (int c = 0; c < Combs; ++c) {
            rc[c] = rd[c][j];
            s += rc[c];
        }
        double r = rd1[j];
        wr1[j] = float(s + kAllPass1 * r);
        s = (1 - kAllPass1 * kAllPass1) * r - kAllPass1 * s;
        if (Second) {
            r = rd2[j];
            wr2[j] = float(s + kAllPass2 * r);
            s = (1 - kAllPass2 * kAllPass2) * r - kAllPass2 * s;
        }
        out[j] = float(dry[j] + s * wet);
        for (int c = 0; c < Combs; ++c) {
            wr[c][j] = float(x + fb[c] * z[c]);
            z[c] = dk[c] * z[c] + rc[c];
        }
    }
    for (int c = 0; c < Combs; ++c) state_[plan_.combs[c]] = z[c];
}

void ReverbStream::Run(const float* area, uint32_t begin, uint32_t end, float* out) {
    int used[9];
    int count = 0;
    for (int c = 0; c < plan_.combCount; ++c) used[count++] = plan_.combs[c];
    used[count++] = 6;
    if (plan_.secondAllPass) used[count++] = 7;
    if (pre_) used[count++] = 8;  // last: the network's lines go first
    float x[kChunk], dry[kChunk];
    for (uint32_t i = begin; i < end;) {
        // A block where no used line wraps: writes at w.., reads at w + 1..;
        // a line at its last entry reads entry 0, one sample on its own. The
        // samples of the pre-delay are a block of their own.
        const bool network = i >= pre_;
        uint32_t n = std::min(end - i, kChunk);
        if (!network) n = std::min(n, pre_ - i);
        for (int u = network ? 0 : count - 1; u < count; ++u) {
            const uint32_t size = Size(used[u]), w = w_[used[u]];
            n = std::min(n, w + 1 == size ? 1u : size - 1 - w);
        }
        std::memcpy(dry, area + i, size_t(n) * sizeof(float));
        if (pre_) {  // the input P samples back, through the pre-delay line
            std::memcpy(x, ReadStart(8), size_t(n) * sizeof(float));
            std::memcpy(data_[8] + w_[8], dry, size_t(n) * sizeof(float));
        }
        const float* in = pre_ ? x : dry;
        float* o = out + (i - begin);
        if (!network) {
            std::memcpy(o, dry, size_t(n) * sizeof(float));
        } else {
            switch (plan_.combCount * 2 + (plan_.secondAllPass ? 1 : 0)) {
                case 13:
                    Network<6, true>(in, dry, o, n);
                    break;
                case 12:
                    Network<6, false>(in, dry, o, n);
                    break;
                case 7:
                    Network<3, true>(in, dry, o, n);
                    break;
                case 6:
                    Network<3, false>(in, dry, o, n);
                    break;
                case 3:
                    Network<1, true>(in, dry, o, n);
                    break;
                default:
                    Network<1, false>(in, dry, o, n);
                    break;
            }
        }
        for (int u = network ? 0 : count - 1; u < count; ++u) {
            const int k = used[u];
            w_[k] += n;
            if (w_[k] == Size(k)) w_[k] = 0;
        }
        i += n;
    }
}

}  // namespace ob
