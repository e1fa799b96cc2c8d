// The Envelope Generator: gain table, apply, presets.
#include "dsp/envelope.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/operation.h"
#include "dsp/preset_file.h"
#include "wave/file_result.h"

namespace ob {

namespace {

constexpr double kStepBase[kEnvelopeScaleCount] = {0.0125, 0.025, 0.05};  // log10 of one step

int32_t ClampScale(int32_t scale) {
    return std::clamp<int32_t>(scale, 0, kEnvelopeScaleCount - 1);
}

using Shape = uint8_t (*)(int i);

struct EnvelopeBuiltInDef {
    const char* name;
    int32_t scale;
    Shape shape;
};

uint8_t Code(int v) {
    return uint8_t(std::clamp(v, 0, 120));
}

// The 15-character pattern "<x<x<x<x<x<x<x<" repeated over the 100 points.
uint8_t Chop(int i) {
    return (i % 15) % 2 == 0 ? kEnvelopeUnity : kEnvelopeSilence;
}

uint8_t Isolate(int i) {
    if (i < 5) return 120;
    if (i < 10) return Code(110 - 10 * (i - 5));
    if (i < 90) return 60;
    if (i < 95) return Code(70 + 10 * (i - 90));
    return 120;
}

uint8_t Soften(int i) {
    constexpr uint8_t kAttack[9] = {120, 112, 104, 96, 88, 80, 72, 66, 62};
    return i < 9 ? kAttack[i] : 60;
}

// The last built-in (ours): a slow swell from silence to unity at the middle
// and back to silence at the end.
uint8_t Swell(int i) {
    return i < 50 ? Code(120 - i * 60 / 49) : Code(60 + (i - 50) * 60 / 49);
}

const EnvelopeBuiltInDef kBuiltIns[kEnvelopeBuiltInCount] = {
    {"Fade In (Slow, 30 dB)", 1, [](int i) { return Code(i < 60 ? 120 - i : 60); }},
    {"Fade Out (Slow, 30 dB)", 1, [](int i) { return Code(i < 40 ? 60 : i + 21); }},
    {"Fade In, Fade Out (Moderate, 30 dB)", 1,
     [](int i) {
         return Code(i < 30 ? 120 - 2 * i : i < 70 ? 60 : 2 * i - 78);
     }},
    {"Fade In (Moderate, 30 dB)", 1, [](int i) { return Code(i < 30 ? 120 - 2 * i : 60); }},
    {"Fade Out (Moderate, 30 dB)", 1, [](int i) { return Code(i < 70 ? 60 : 2 * i - 78); }},
    {"Fade In (Fast, 30 dB)", 1, [](int i) { return Code(i < 15 ? 120 - 4 * i : 60); }},
    {"Fade Out (Fast, 30 dB)", 1, [](int i) { return Code(i < 85 ? 60 : 4 * i - 276); }},
    {"Fade In, Fade Out (Fast, 30 dB)", 1,
     [](int i) {
         return Code(i < 15 ? 120 - 4 * i : i < 85 ? 60 : 4 * i - 276);
     }},
    {"Gain of -10 dB", 0, [](int) { return uint8_t(100); }},
    {"Isolate", 2, Isolate},
    {"Soften attack", 0, Soften},
    {"The big ramp", 0, [](int i) { return Code(120 - i); }},
    {"Turn it on, turn it off, chop it up...", 2, Chop},
    {"Swell In and Out (Slow, 30 dB)", 1, Swell},
};

}  // namespace

void ClampEnvelope(EnvelopeParams& p) {
    for (uint8_t& v : p.curve) v = std::min(v, kEnvelopeSilence);
    p.scale = ClampScale(p.scale);
}

void EnvelopeGainTable(const EnvelopeParams& p, double gains[kEnvelopePoints]) {
    const double s = std::pow(10.0, kStepBase[ClampScale(p.scale)]);
    for (int k = 0; k < kEnvelopePoints; ++k) {
        int v = std::min(p.curve[k], kEnvelopeSilence);
        if (v == kEnvelopeSilence)
            gains[k] = 0.0;
        else if (v == kEnvelopeUnity)
            gains[k] = 1.0;
        else if (v < kEnvelopeUnity)
            gains[k] = std::pow(s, kEnvelopeUnity - v);
        else
            gains[k] = 1.0 / std::pow(s, v - kEnvelopeUnity);
    }
}

const char* EnvelopeScaleLabel(int32_t scale) {
    static const char* const kLabels[kEnvelopeScaleCount] = {"15 dB", "30 dB", "60 dB"};
    return kLabels[ClampScale(scale)];
}

namespace {

// The point index of sample i: trunc(i / step), taken modulo 256.
inline uint32_t PointOf(uint32_t i, double step) {
    return uint32_t(int64_t(double(i) / step)) & 0xFF;
}

}  // namespace

double EnvelopeGainAt(const double g[kEnvelopePoints], uint32_t i, uint32_t length) {
    if (length <= uint32_t(kEnvelopePoints)) return g[std::min<uint32_t>(i, kEnvelopePoints - 1)];
    const double step = double(length) / 99.0;
    uint32_t k = PointOf(i, step);
    if (k < 99) return g[k] + (double(i) - double(k) * step) * (g[k + 1] - g[k]) / step;
    return g[99];
}

void EnvelopeRun(const double g[kEnvelopePoints], uint32_t length, uint32_t first, const float* in,
                 float* out, uint32_t n) {
    if (length <= uint32_t(kEnvelopePoints)) {
        for (uint32_t j = 0; j < n; ++j) {
            uint32_t i = std::min<uint32_t>(first + j, kEnvelopePoints - 1);
            out[j] = float(double(in[j]) * g[i]);
        }
        return;
    }
    // Segment by segment: within one point the gain is a straight line, so
    // the loop is a plain multiply-add the vectorizer takes.
    const double step = double(length) / 99.0;
    uint32_t j = 0;
    while (j < n) {
        const uint32_t i0 = first + j;
        const uint32_t k = PointOf(i0, step);
        // The end of the run of samples that fall on point k.
        uint32_t end = n;
        if (k < 98) {
            double edge = std::ceil(double(k + 1) * step);
            int64_t b = int64_t(edge);
            while (b > int64_t(i0) + 1 && PointOf(uint32_t(b - 1), step) != k) --b;
            while (b < int64_t(first) + n && PointOf(uint32_t(b), step) == k) ++b;
            end = uint32_t(std::min<int64_t>(b - int64_t(first), n));
            if (end <= j) end = j + 1;
        }
        if (k < 99) {
            const double base = g[k];
            const double slope = (g[k + 1] - g[k]) / step;
            const double origin = double(k) * step;
            for (uint32_t m = j; m < end; ++m) {
                double gain = base + (double(first + m) - origin) * slope;
                out[m] = float(double(in[m]) * gain);
            }
        } else {
            for (uint32_t m = j; m < end; ++m) out[m] = float(double(in[m]) * g[99]);
        }
        j = end;
    }
}

int ApplyEnvelope(WaveRecord& record, const EnvelopeParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    double gains[kEnvelopePoints];
    EnvelopeGainTable(params, gains);
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpEnvelopeGenerator, kBackupRange, edit, true)) return kEditNothing;
    return WalkAreaEditFrom(edit, [&](float* dst, const float* src, uint32_t length, bool) {
        ProgressCounter progress{length / 20};
        float* const base = dst;
        return ForEachBlockFrom(dst, src, length, progress,
                                [&](float* d, const float* s, uint32_t n) {
                                    EnvelopeRun(gains, length, uint32_t(d - base), s, d, n);
                                });
    });
}

std::string EnvelopeMacroLine(int editor) {
    char line[64];
    std::snprintf(line, sizeof line, "obEnvelopeGenerator %d\n", editor);
    return line;
}

// ---- Presets ----

const char* EnvelopeBuiltInName(int index) {
    return kBuiltIns[std::clamp(index, 0, kEnvelopeBuiltInCount - 1)].name;
}

EnvelopeParams EnvelopeBuiltIn(int index) {
    const EnvelopeBuiltInDef& def = kBuiltIns[std::clamp(index, 0, kEnvelopeBuiltInCount - 1)];
    EnvelopeParams p{};
    for (int i = 0; i < kEnvelopePoints; ++i) p.curve[i] = def.shape(i);
    p.scale = def.scale;
    return p;
}

std::vector<uint8_t> EnvelopeBuiltInRecords() {
    std::vector<uint8_t> all(size_t(kEnvelopeBuiltInCount) * kEnvelopeRecordSize);
    for (int i = 0; i < kEnvelopeBuiltInCount; ++i)
        EnvelopeToRecord(EnvelopeBuiltIn(i), kBuiltIns[i].name,
                         all.data() + size_t(i) * kEnvelopeRecordSize);
    return all;
}

void EnvelopeToRecord(const EnvelopeParams& p, const std::string& name, uint8_t* record,
                      bool swapBytes) {
    std::memset(record, 0, kEnvelopeRecordSize);
    std::memcpy(record, p.curve, kEnvelopePoints);
    int32_t scale = ClampScale(p.scale);
    std::memcpy(record + 100, &scale, 4);
    if (swapBytes) SwapWords32(record, 100, 1);
    StoreFieldText(record + kEnvelopeNameOffset, kPresetNameBytes, name);
}

void EnvelopeFromRecord(const uint8_t* record, bool swapped, EnvelopeParams& p, std::string* name) {
    uint8_t copy[kEnvelopeRecordSize];
    std::memcpy(copy, record, kEnvelopeRecordSize);
    if (swapped) SwapWords32(copy, 100, 1);
    std::memcpy(p.curve, copy, kEnvelopePoints);
    std::memcpy(&p.scale, copy + 100, 4);
    ClampEnvelope(p);
    if (name) *name = FieldText(copy + kEnvelopeNameOffset, kPresetNameBytes);
}

int ReadEnvelopePreset(const std::string& path, EnvelopeParams& p, std::string* name) {
    uint8_t record[kEnvelopeRecordSize];
    bool swapped = false;
    int result = ReadPresetFile(path, "ENVG", record, kEnvelopeRecordSize, &swapped);
    if (result != kFileOk) return result;
    EnvelopeFromRecord(record, swapped, p, name);
    return kFileOk;
}

int WriteEnvelopePreset(const std::string& path, const EnvelopeParams& p, const std::string& name,
                        bool bigEndian) {
    uint8_t record[kEnvelopeRecordSize];
    EnvelopeToRecord(p, name, record, bigEndian);
    return WritePresetFile(path, "ENVG", record, kEnvelopeRecordSize, bigEndian);
}

}  // namespace ob
