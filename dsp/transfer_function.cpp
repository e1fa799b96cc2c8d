// The Transfer Function: shaping, apply, presets.
#include "dsp/transfer_function.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "dsp/operation.h"
#include "dsp/preset_file.h"
#include "wave/file_result.h"

namespace ob {

namespace {

// Magnitude curves of the built-ins by |d| = 0 .. 64; shorter lists continue
// at 64.
constexpr int8_t kLog[65] = {0,  5,  11, 17, 21, 25, 28, 30, 32, 34, 35, 37, 38, 39, 41, 42, 43,
                             44, 44, 45, 46, 47, 48, 48, 49, 49, 50, 51, 51, 52, 52, 53, 53, 54,
                             54, 55, 55, 56, 56, 56, 57, 57, 57, 58, 58, 59, 59, 59, 60, 60, 60,
                             60, 61, 61, 61, 62, 62, 62, 62, 63, 63, 63, 63, 64, 64};
constexpr int8_t kSoft1[35] = {0,  4,  8,  12, 16, 20, 24, 28, 32, 36, 40, 43,
                               46, 49, 51, 53, 55, 57, 58, 59, 60, 60, 61, 61,
                               61, 62, 62, 62, 62, 63, 63, 63, 63, 63, 63};
constexpr int8_t kSoft2[55] = {0,  4,  8,  12, 16, 20, 24, 28, 32, 35, 38, 41, 44, 46,
                               48, 50, 52, 53, 54, 54, 56, 56, 57, 57, 57, 58, 58, 58,
                               58, 59, 59, 59, 59, 60, 60, 60, 60, 61, 61, 61, 61, 61,
                               62, 62, 62, 62, 62, 62, 63, 63, 63, 63, 63, 63, 63};
constexpr int8_t kSoft3[65] = {0,  4,  8,  12, 15, 17, 19, 21, 23, 25, 27, 29, 31, 32, 33, 34, 35,
                               37, 38, 39, 40, 41, 43, 44, 45, 46, 47, 48, 48, 49, 50, 50, 51, 52,
                               52, 53, 53, 54, 54, 55, 55, 56, 56, 56, 57, 57, 57, 58, 58, 59, 59,
                               59, 60, 60, 61, 61, 61, 62, 62, 62, 63, 63, 63, 63, 64};
constexpr int8_t kParabolic[23] = {0, 1,  1,  1,  2,  2,  3,  3,  4,  5,  6, 7,
                                   9, 11, 14, 17, 21, 25, 30, 36, 43, 52, 60};

template <size_t N>
int Listed(const int8_t (&list)[N], int k) {
    return size_t(k) < N ? list[k] : 64;
}

int FoldTwice(int i) {
    int t = i % 32;
    return t <= 16 ? 4 * t : 4 * (32 - t);
}

using Shape = int (*)(int d);  // T at d = i - 64

struct TransferBuiltInDef {
    const char* name;
    Shape shape;
};

const TransferBuiltInDef kBuiltIns[kTransferBuiltInCount] = {
    {"Absolute Value (full wave rectify)", [](int d) { return d; }},
    {"Inversion", [](int d) { return -std::abs(d); }},
    {"Linear", [](int d) { return std::abs(d); }},
    {"Hard Fuzz A (2X gain)", [](int d) { return std::min(2 * std::abs(d), 64); }},
    {"Hard Fuzz B (4X gain)", [](int d) { return std::min(4 * std::abs(d), 64); }},
    {"Hard Fuzz C (10X gain)", [](int d) { return std::abs(d) <= 6 ? 10 * std::abs(d) : 64; }},
    {"Soft Fuzz", [](int d) { return Listed(kSoft1, std::abs(d)); }},
    {"Softer yet Fuzz", [](int d) { return d == -19 ? 55 : Listed(kSoft2, std::abs(d)); }},
    {"Just oh so softer yet Fuzz, even really", [](int d) { return Listed(kSoft3, std::abs(d)); }},
    {"Sort of Parabolic, with hard clipping",
     [](int d) { return Listed(kParabolic, std::abs(d)); }},
    {"Single fold back (simple frequency doubler, half amplitude, sub-harmonic)",
     [](int d) { return std::abs(d) <= 32 ? std::abs(d) : 64 - std::abs(d); }},
    {"Double fold back (simple frequency quadrupler, full amplitude, sub-harmonic",
     [](int d) { return FoldTwice(d + 64); }},
    {"Single fold back with partial inversion",
     [](int d) { return std::abs(d) <= 32 ? std::abs(d) : 96 - 2 * std::abs(d); }},
    {"Log squared", [](int d) { return d < 0 ? -kLog[-d] : kLog[d]; }},
    {"Log", [](int d) { return int(kLog[std::abs(d)]); }},
};

}  // namespace

void ClampTransfer(TransferParams& p) {
    for (int8_t& v : p.curve) v = int8_t(std::clamp<int>(v, -64, 64));
    p.mirror = p.mirror ? 1 : 0;
}

void BuildTransferTable(const TransferParams& params, TransferTable& t) {
    TransferParams p = params;
    ClampTransfer(p);
    const int8_t* T = p.curve;
    // Segment j: 0 is the input -32768; 1 .. 64 the negative inputs with
    // (-s) >> 9 = 64 - j; 65 .. 128 the inputs from 0 with s >> 9 = j - 65.
    t.segment[0] = {-double(p.mirror ? T[128] : T[0]) * 512, 0};
    for (int j = 1; j <= 64; ++j) {
        if (p.mirror) {
            // -trunc(T[k] 512 + |f| (T[k+1] - T[k])) with f <= 0.
            int k = (64 - j) + 64;
            t.segment[j] = {-double(T[k]) * 512, double(T[k + 1] - T[k])};
        } else {
            // trunc(f (T[l] - T[h]) - T[h] 512).
            int h = j, l = h - 1;
            t.segment[j] = {-double(T[h]) * 512, double(T[l] - T[h])};
        }
    }
    for (int j = 65; j <= 128; ++j) {
        int k = j - 1;  // (s >> 9) + 64
        t.segment[j] = {double(T[k]) * 512, double(T[k + 1] - T[k])};
    }
}

int32_t ShapeLevel(const TransferTable& t, float x) {
    // Not a number or infinite: 0 (chosen without a branch, so the loops stay
    // straight).
    const bool finite = std::fabs(x) <= std::numeric_limits<float>::max();
    double y = finite ? double(x) * 32767.0 : 0.0;
    y = y > 32767.0 ? 32767.0 : y;
    y = y < -32768.0 ? -32768.0 : y;
    const int32_t s = int32_t(y);
    // q = trunc(y / 512) from s (arithmetic shifts; negative s rounds toward
    // zero), so f = y - 512 q is fmod(y, 512) exactly.
    const int32_t negative = s >> 31;  // -1 or 0
    const int32_t q = (s + (negative & 511)) >> 9;
    const double f = y - 512.0 * double(q);
    // Segment: 65 + (s >> 9) from 0, 64 - ((-s) >> 9) below (0 for -32768).
    const int j = 65 + q + negative;
    const TransferSegment& g = t.segment[j];
    const int32_t out = int32_t(g.offset + f * g.slope);
    return finite ? out : 0;
}

#if defined(__SSE2__)
namespace {

// ShapeLevel of two samples in the two double lanes, operation for
// operation (the same roundings, so the same levels): the levels come back
// in the low two 32-bit lanes. Only the table fetch is per lane.
inline __m128i ShapeLevel2(const TransferTable& t, __m128d x) {
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d finite = _mm_cmple_pd(_mm_and_pd(x, magnitude),
                                        _mm_set1_pd(double(std::numeric_limits<float>::max())));
    __m128d y = _mm_and_pd(_mm_mul_pd(x, _mm_set1_pd(32767.0)), finite);  // +0 when not finite
    y = _mm_min_pd(y, _mm_set1_pd(32767.0));
    y = _mm_max_pd(y, _mm_set1_pd(-32768.0));
    const __m128i s = _mm_cvttpd_epi32(y);
    const __m128i negative = _mm_srai_epi32(s, 31);
    const __m128i q =
        _mm_srai_epi32(_mm_add_epi32(s, _mm_and_si128(negative, _mm_set1_epi32(511))), 9);
    const __m128d f = _mm_sub_pd(y, _mm_mul_pd(_mm_set1_pd(512.0), _mm_cvtepi32_pd(q)));
    const __m128i j = _mm_add_epi32(_mm_add_epi32(q, negative), _mm_set1_epi32(65));
    const __m128d g0 = _mm_load_pd(&t.segment[_mm_cvtsi128_si32(j)].offset);
    const __m128d g1 = _mm_load_pd(&t.segment[_mm_cvtsi128_si32(_mm_srli_si128(j, 4))].offset);
    const __m128d v = _mm_add_pd(_mm_unpacklo_pd(g0, g1), _mm_mul_pd(f, _mm_unpackhi_pd(g0, g1)));
    // The 64-bit lane masks narrowed to the two low 32-bit lanes.
    const __m128i keep = _mm_shuffle_epi32(_mm_castpd_si128(finite), _MM_SHUFFLE(3, 3, 2, 0));
    return _mm_and_si128(_mm_cvttpd_epi32(v), keep);
}

// Runs four samples at a time through ShapeLevel2, the rest one by one:
// store4(four levels as int32, dst) writes four outputs, store1(level) gives one.
template <class Store4, class Store1>
void ShapeBlocks(const TransferTable& t, const float* in, float* out, uint32_t n, Store4 store4,
                 Store1 store1) {
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128 x = _mm_loadu_ps(in + i);
        const __m128i lo = ShapeLevel2(t, _mm_cvtps_pd(x));
        const __m128i hi = ShapeLevel2(t, _mm_cvtps_pd(_mm_movehl_ps(x, x)));
        store4(_mm_unpacklo_epi64(lo, hi), out + i);
    }
    for (; i < n; ++i) out[i] = store1(ShapeLevel(t, in[i]));
}

}  // namespace
#endif

// level x (1 / 32767) rounds to the same float as level / 32767: for
// |level| < 2^17 the quotient lies at least 1e-12 (relative) from any point
// where float rounding changes, far beyond the product's error.
constexpr double kLevelScale = 1.0 / 32767.0;

void TransferRun(const TransferTable& t, const float* in, float* out, uint32_t n) {
    auto one = [](int32_t level) { return float(double(level) * kLevelScale); };
#if defined(__SSE2__)
    ShapeBlocks(
        t, in, out, n,
        [](__m128i level, float* dst) {
            const __m128d scale = _mm_set1_pd(kLevelScale);
            const __m128 lo = _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtepi32_pd(level), scale));
            const __m128 hi =
                _mm_cvtpd_ps(_mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(level, level)), scale));
            _mm_storeu_ps(dst, _mm_movelh_ps(lo, hi));
        },
        one);
#else
    for (uint32_t i = 0; i < n; ++i) out[i] = one(ShapeLevel(t, in[i]));
#endif
}

void TransferRun16(const TransferTable& t, const float* in, float* out, uint32_t n) {
    auto one = [](int32_t level) { return float(std::clamp(level, -32768, 32767)) / 32768.0f; };
#if defined(__SSE2__)
    ShapeBlocks(
        t, in, out, n,
        [](__m128i level, float* dst) {
            // Levels lie in -32768 .. 32768: saturating to 16 bits is the clamp.
            // Dividing by 2^15 is exact, so the product equals the quotient.
            const __m128i packed = _mm_packs_epi32(level, level);
            const __m128i wide = _mm_unpacklo_epi16(packed, _mm_srai_epi16(packed, 15));
            _mm_storeu_ps(dst, _mm_mul_ps(_mm_cvtepi32_ps(wide), _mm_set1_ps(1.0f / 32768.0f)));
        },
        one);
#else
    for (uint32_t i = 0; i < n; ++i) out[i] = one(ShapeLevel(t, in[i]));
#endif
}

int ApplyTransferFunction(WaveRecord& record, const TransferParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    TransferTable table;
    BuildTransferTable(params, table);
    return RunBlockOperation(
        record, kOpTransferFunction, kBackupRange,
        [&](float* d, const float* s, uint32_t n) { TransferRun(table, s, d, n); });
}

std::string TransferMacroLine(int editor) {
    char line[64];
    std::snprintf(line, sizeof line, "obTransferFunction %d\n", editor);
    return line;
}

// ---- Presets ----

const char* TransferBuiltInName(int index) {
    return kBuiltIns[std::clamp(index, 0, kTransferBuiltInCount - 1)].name;
}

TransferParams TransferBuiltIn(int index) {
    const TransferBuiltInDef& def = kBuiltIns[std::clamp(index, 0, kTransferBuiltInCount - 1)];
    TransferParams p{};
    for (int i = 0; i < kTransferPoints; ++i)
        p.curve[i] = int8_t(std::clamp(def.shape(i - kTransferCentre), -64, 64));
    p.mirror = 0;
    return p;
}

std::vector<uint8_t> TransferBuiltInRecords() {
    std::vector<uint8_t> all(size_t(kTransferBuiltInCount) * kTransferRecordSize);
    for (int i = 0; i < kTransferBuiltInCount; ++i)
        TransferToRecord(TransferBuiltIn(i), kBuiltIns[i].name,
                         all.data() + size_t(i) * kTransferRecordSize);
    return all;
}

void TransferToRecord(const TransferParams& p, const std::string& name, uint8_t* record,
                      bool swapBytes) {
    std::memset(record, 0, kTransferRecordSize);
    std::memcpy(record, p.curve, kTransferPoints);
    uint32_t flags = p.mirror ? 1u : 0u;
    std::memcpy(record + 132, &flags, 4);
    if (swapBytes) SwapWords32(record, 132, 1);
    StoreFieldText(record + kTransferNameOffset, kPresetNameBytes, name);
}

void TransferFromRecord(const uint8_t* record, bool swapped, TransferParams& p, std::string* name) {
    uint8_t copy[kTransferRecordSize];
    std::memcpy(copy, record, kTransferRecordSize);
    if (swapped) SwapWords32(copy, 132, 1);
    std::memcpy(p.curve, copy, kTransferPoints);
    uint32_t flags = 0;
    std::memcpy(&flags, copy + 132, 4);
    p.mirror = (flags & 1u) ? 1 : 0;
    ClampTransfer(p);
    if (name) *name = FieldText(copy + kTransferNameOffset, kPresetNameBytes);
}

int ReadTransferPreset(const std::string& path, TransferParams& p, std::string* name) {
    uint8_t record[kTransferRecordSize];
    bool swapped = false;
    int result = ReadPresetFile(path, "TRFN", record, kTransferRecordSize, &swapped);
    if (result != kFileOk) return result;
    TransferFromRecord(record, swapped, p, name);
    return kFileOk;
}

int WriteTransferPreset(const std::string& path, const TransferParams& p, const std::string& name,
                        bool bigEndian) {
    uint8_t record[kTransferRecordSize];
    TransferToRecord(p, name, record, bigEndian);
    return WritePresetFile(path, "TRFN", record, kTransferRecordSize, bigEndian);
}

}  // namespace ob
