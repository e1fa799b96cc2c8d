// Invert, rectify, mute, reverse, differentiate, integrate and unclip.
#include "dsp/simple.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "dsp/operation.h"
#include "wave/undo.h"

namespace ob {

namespace {

const uint32_t kUndoOperation[kSimpleOperationCount] = {
    kOpInvert,  kOpRectifyFull,   kOpRectifyHalf, kOpSilence,
    kOpReverse, kOpDifferentiate, kOpIntegrate,
};
const char* const kMacroNames[kSimpleOperationCount] = {
    "obInvert",  "obRectifyFull",   "obRectifyHalf", "obMute",
    "obReverse", "obDifferentiate", "obIntegrate",
};

void ReversedCopy(float* __restrict dst, const float* __restrict src, uint32_t n) {
    for (uint32_t k = 0; k < n; ++k) dst[k] = src[n - 1 - k];
}

// Reverses src into dst (the same place when in place), pair by pair from the
// ends inwards. After an abort the middle not yet reached keeps its order.
bool ReverseArea(float* dst, const float* src, uint32_t length) {
    uint32_t half = length / 2;
    ProgressCounter progress{length / 40};
    for (uint32_t i = 0; i < half;) {
        uint32_t n = std::min(kAbortBlock, half - i);
        if (dst == src) {
            for (uint32_t k = i; k < i + n; ++k) std::swap(dst[k], dst[length - 1 - k]);
        } else {
            // Two reversed copies of n samples each (the same pairs), which
            // the vectorizer takes.
            ReversedCopy(dst + i, src + length - i - n, n);
            ReversedCopy(dst + length - i - n, src + i, n);
        }
        i += n;
        progress.Advance(n);
        if (AbortRequested()) {
            CopyArea(dst + i, src + i, length - 2 * i);
            return false;
        }
    }
    CopyArea(dst + half, src + half, length - 2 * half);  // the middle sample
    return true;
}

bool DifferentiateArea(float* samples, uint32_t length) {
    if (length == 0) return true;
    float previous = samples[0];
    ProgressCounter progress{length / 20};
    progress.Advance(1);
    return ForEachBlock(samples + 1, length - 1, progress, [&previous](float* p, uint32_t n) {
        float last = previous;
        for (uint32_t i = 0; i < n; ++i) {
            float old = p[i];
            p[i] = old - last;
            last = old;
        }
        previous = last;
    });
}

bool IntegrateArea(float* samples, uint32_t length) {
    if (length == 0) return true;
    float sum = samples[0];
    ProgressCounter progress{length / 20};
    progress.Advance(1);
    return ForEachBlock(samples + 1, length - 1, progress, [&sum](float* p, uint32_t n) {
        float s = sum;
        for (uint32_t i = 0; i < n; ++i) p[i] = s = p[i] + s;
        sum = s;
    });
}

}  // namespace

int RunSimpleOperation(WaveRecord& record, SimpleOperation operation) {
    if (operation < 0 || operation >= kSimpleOperationCount) return kEditRefused;
    uint32_t undo = kUndoOperation[operation];
    switch (operation) {
        case kSimpleInvert:
            return RunBlockOperation(record, undo, kBackupRange,
                                     [](float* dst, const float* src, uint32_t n) {
                                         for (uint32_t i = 0; i < n; ++i) dst[i] = -src[i];
                                     });
        case kSimpleRectifyFull:
            return RunBlockOperation(record, undo, kBackupRange,
                                     [](float* dst, const float* src, uint32_t n) {
                                         for (uint32_t i = 0; i < n; ++i)
                                             dst[i] = std::fabs(src[i]);
                                     });
        case kSimpleRectifyHalf:
            return RunBlockOperation(record, undo, kBackupRange,
                                     [](float* dst, const float* src, uint32_t n) {
                                         for (uint32_t i = 0; i < n; ++i)
                                             dst[i] = src[i] < 0.0f ? 0.0f : src[i];
                                     });
        case kSimpleMute:
            return RunBlockOperation(record, undo, kBackupRange,
                                     [](float* dst, const float*, uint32_t n) {
                                         for (uint32_t i = 0; i < n; ++i) dst[i] = 0.0f;
                                     });
        case kSimpleReverse: {
            AreaEdit edit;
            if (!BeginAreaEdit(record, undo, kBackupRange, edit, true)) return kEditNothing;
            return WalkAreaEditFrom(edit, [](float* dst, const float* src, uint32_t length, bool) {
                return ReverseArea(dst, src, length);
            });
        }
        default:
            break;
    }
    AreaEdit edit;
    if (!BeginAreaEdit(record, undo, kBackupRange, edit)) return kEditNothing;
    return WalkAreaEdit(edit, [operation](float* samples, uint32_t length, bool) {
        if (operation == kSimpleDifferentiate) return DifferentiateArea(samples, length);
        return IntegrateArea(samples, length);
    });
}

std::string SimpleMacroLine(SimpleOperation operation, int editor) {
    if (operation < 0 || operation >= kSimpleOperationCount) return "";
    char line[48];
    std::snprintf(line, sizeof line, "%s %d\n", kMacroNames[operation], editor);
    return line;
}

// ---- Unclip ----

namespace {

bool IsClipped(float x, float threshold) {
    return x >= threshold || x <= -threshold;
}

// Rebuilds samples a+1 .. b-1 from the good samples a and b (both inside
// 0 .. length-1) and their outer neighbours.
void RebuildRun(float* s, uint32_t length, uint32_t a, uint32_t b) {
    double p0 = s[a], p1 = s[b];
    double m0 = a > 0 ? p0 - s[a - 1] : 0.0;
    double m1 = b + 1 < length ? s[b + 1] - p1 : 0.0;
    double span = double(b - a);
    for (uint32_t k = a + 1; k < b; ++k) {
        double t = double(k - a) / span;
        double t2 = t * t, t3 = t2 * t;
        double y = (2 * t3 - 3 * t2 + 1) * p0 + (t3 - 2 * t2 + t) * span * m0 +
                   (-2 * t3 + 3 * t2) * p1 + (t3 - t2) * span * m1;
        double clipped = s[k];
        // The true value was at least as far out as the clipped one.
        if (clipped > 0 ? y < clipped : y > clipped) y = clipped;
        s[k] = float(y);
    }
}

}  // namespace

bool UnclipSamples(float* samples, uint32_t length, float threshold) {
    // Runs do not stop at block borders: rebuild run by run, polling the
    // abort flag and stepping the progress at the block borders passed.
    ProgressCounter progress{length / 20};
    uint32_t i = 0, polled = 0;
    while (i < length) {
        uint32_t next = i + 1;
        if (IsClipped(samples[i], threshold)) {
            bool positive = samples[i] > 0;
            next = i;
            while (next < length && IsClipped(samples[next], threshold) &&
                   (samples[next] > 0) == positive)
                ++next;
            if (i > 0 && next < length && !IsClipped(samples[next], threshold))
                RebuildRun(samples, length, i - 1, next);
        }
        i = next;
        if (i - polled >= kAbortBlock || i == length) {
            progress.Advance(i - polled);
            polled = i;
            if (AbortRequested()) return false;
        }
    }
    return true;
}

int Unclip(WaveRecord& record, const UnclipParams& params) {
    if (!(params.threshold > 0.0 && params.threshold <= 1.0)) return kEditRefused;
    float threshold = float(params.threshold);
    AreaEdit edit;
    if (!BeginAreaEdit(record, kOpUnclip, kBackupRange, edit)) return kEditNothing;
    return WalkAreaEdit(edit, [threshold](float* samples, uint32_t length, bool) {
        return UnclipSamples(samples, length, threshold);
    });
}

std::string UnclipMacroLine(int editor) {
    char line[48];
    std::snprintf(line, sizeof line, "obUnClip %d\n", editor);
    return line;
}

}  // namespace ob
