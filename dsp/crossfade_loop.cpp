// Loop crossfade.
#include "dsp/crossfade_loop.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "dsp/frame.h"
#include "dsp/operation.h"
#include "wave/change_notice.h"
#include "wave/memory.h"
#include "wave/record_report.h"
#include "wave/undo.h"

namespace ob {

namespace {

// The seam and the fade lengths of one crossfade.
struct Plan {
    uint64_t s = 0;  // the frame before the loop start
    uint64_t e = 0;  // the loop end
    uint64_t n = 0;  // frame count
    uint64_t fade = 0;
    uint64_t after = 0;  // frames faded back after the seam (at most fade)
};

bool MakePlan(const WaveRecord& record, const CrossfadeLoopParams& p, Plan& plan) {
    if (!WaveHasData(&record)) return false;
    const int16_t id = p.sustain ? record.sustainLoopId : record.releaseLoopId;
    // FindLoop only reads the list.
    const LoopNode* loop = id >= 0 ? FindLoop(const_cast<WaveRecord&>(record), id) : nullptr;
    if (!loop) return false;
    plan.n = record.frameCount;
    plan.s = loop->start == 0 ? 0 : uint64_t(loop->start) - 1;
    plan.e = loop->end;
    if (plan.s < 2 || plan.s + 3 >= plan.e || plan.e >= plan.n || plan.s >= plan.n) return false;
    const uint64_t half = (plan.e - plan.s + 1) / 2;
    uint64_t fade = p.amount < 2 ? plan.s : uint64_t(p.amount);
    plan.fade = std::min({fade, half, plan.s});
    plan.after = std::min(plan.n - plan.e, plan.fade);
    return true;
}

// The weight of one blend: linear (y = (1 - w) y + w x, w in 0..strength) or
// logarithmic (y = ((1024 - w) y + w x) / 1024, w in 0..1024 x strength).
struct Weight {
    bool logarithmic = false;
    double strength = 1.0;  // 1 full, 0.5 for Both
    double w = 0;
    double step = 0;  // linear: added; logarithmic: factor

    void Start(uint64_t count) {
        SetStep(count);
        w = step;
    }
    void SetStep(uint64_t count) {
        step = logarithmic ? std::pow(1024.0 * strength, 1.0 / double(count))
                           : strength / double(count);
    }
    double Limit() const { return logarithmic ? 1024.0 * strength : strength; }
    void Grow() {
        w = logarithmic ? w * step : w + step;
        if (w > Limit()) w = Limit();
    }
    void Shrink() {
        w = logarithmic ? w / step : w - step;
        if (w < 0) w = 0;
    }
    float Blend(float y, float x) const {
        if (logarithmic) return float(((1024.0 - w) * double(y) + w * double(x)) / 1024.0);
        return float((1.0 - w) * double(y) + w * double(x));
    }
};

// y[i] blended toward x[i] for `count` frames, the weight growing (rise) or
// shrinking (fall) after each. False when aborted.
bool Run(float* y, const float* x, uint64_t count, Weight& weight, bool rise) {
    for (uint64_t i = 0; i < count; ++i) {
        y[i] = weight.Blend(y[i], x[i]);
        if (rise)
            weight.Grow();
        else
            weight.Shrink();
        if ((i + 1) % kAbortBlock == 0 && AbortRequested()) return false;
    }
    return true;
}

// Start: the F frames before s toward the F frames before e, then back over
// the frames after s toward those after e.
bool FadeStart(float* y, const Plan& plan, Weight weight, bool tailor, int midProgress) {
    const uint64_t f = plan.fade;
    weight.Start(f);
    if (!Run(y + (plan.s - f), y + (plan.e - f), f, weight, true)) return false;
    SetProgressPercent(midProgress);
    if (tailor && plan.after > 0) weight.SetStep(plan.after);
    return Run(y + plan.s, y + plan.e, plan.after, weight, false);
}

// End: the F frames before e toward `source` (the frames from s - F on), then
// back over `fallCount` frames from e on. Tailor fits the fall to
// `tailorCount` when that is below F.
bool FadeEnd(float* y, const float* source, const Plan& plan, Weight weight, uint64_t fallCount,
             bool tailor, int midProgress) {
    const uint64_t f = plan.fade;
    weight.Start(f);
    if (!Run(y + (plan.e - f), source, f, weight, true)) return false;
    SetProgressPercent(midProgress);
    const uint64_t tailorCount = fallCount;
    if (tailor && tailorCount > 0 && tailorCount < f) weight.SetStep(tailorCount);
    // A linear weight that reached 0 changes nothing more.
    if (!weight.logarithmic) fallCount = std::min(fallCount, f + 1);
    return Run(y + plan.e, source + f, fallCount, weight, false);
}

}  // namespace

CrossfadeSpan CrossfadeLoopSpan(const WaveRecord& record, const CrossfadeLoopParams& params) {
    Plan plan;
    if (!MakePlan(record, params, plan)) return {};
    CrossfadeSpan span;
    switch (params.area) {
        case kCrossfadeEnd:
            span.first = uint32_t(plan.e - plan.fade);
            span.end = uint32_t(plan.n);
            break;
        case kCrossfadeBoth:
            span.first = uint32_t(plan.s - plan.fade);
            span.end = uint32_t(plan.e + plan.after);
            break;
        default:
            span.first = uint32_t(plan.s - plan.fade);
            span.end = uint32_t(plan.s + plan.after);
            break;
    }
    return span;
}

int CrossfadeLoop(WaveRecord& record, const CrossfadeLoopParams& params) {
    if (!WaveHasData(&record)) return kEditNothing;
    Plan plan;
    if (params.area < kCrossfadeStart || params.area > kCrossfadeBoth ||
        !MakePlan(record, params, plan)) {
        ReportMessage(record, kTextCantCrossfade);
        return kEditRefused;
    }
    const bool left = gEditing.editChannel & 1;
    const bool right = (gEditing.editChannel & 2) && record.rightSamples;
    if (!left && !right) return kEditNothing;

    // Both reads the unchanged frames from s - F on after the first pass has
    // changed them: the copy is made before anything changes, so a refusal
    // for memory leaves the sound (and the undo history) as it was.
    float* copy = nullptr;
    size_t copyBytes = 0;
    if (params.area == kCrossfadeBoth) {
        const uint64_t frames = plan.fade + std::min(plan.n - plan.e + 1, plan.fade);
        copyBytes = size_t(frames) * sizeof(float);
        copy = static_cast<float*>(Allocate(copyBytes, kAllocLarge));
        if (!copy) {
            ReportMessage(record, kTextNoMemory);
            return kEditNoMemory;
        }
    }

    EditToken token = BeginEdit(&record, kOpCrossfadeLoop, kBackupWholeAllChannels);
    if (!token) {
        Release(copy, copyBytes, kAllocLarge);
        return kEditNothing;
    }
    Weight full{params.logarithmic, 1.0};
    Weight half{params.logarithmic, 0.5};
    bool aborted = false;
    for (int c = 0; c < 2 && !aborted; ++c) {
        if (!(c == 0 ? left : right)) continue;
        if (left && right) ShowEditStatus(c == 0 ? kStatusLeft : kStatusRight);
        float* y = c == 0 ? record.leftSamples : record.rightSamples;
        switch (params.area) {
            case kCrossfadeStart:
                SetProgressPercent(10);
                aborted = !FadeStart(y, plan, full, params.tailor, 60);
                break;
            case kCrossfadeEnd:
                SetProgressPercent(10);
                aborted = !FadeEnd(y, y + (plan.s - plan.fade), plan, full, plan.n - plan.e,
                                   params.tailor, 60);
                break;
            default: {
                SetProgressPercent(5);
                const uint64_t frames = copyBytes / sizeof(float);
                std::copy(y + (plan.s - plan.fade), y + (plan.s - plan.fade + frames), copy);
                aborted = !FadeStart(y, plan, half, params.tailor, 30);
                if (aborted) break;
                SetProgressPercent(55);
                aborted = !FadeEnd(y, copy, plan, half, plan.after, params.tailor, 80);
                break;
            }
        }
    }
    if (!aborted) SetProgressPercent(100);
    Release(copy, copyBytes, kAllocLarge);
    // The changed frames lie around the loop, wherever the affect area is.
    const CrossfadeSpan span = CrossfadeLoopSpan(record, params);
    const uint32_t channels = (left ? 1u : 0u) | (right ? 2u : 0u);
    UpdateOverview(record, span.first, span.end - span.first, channels);
    EndEdit(token);
    NotifyChange(ChangeNotice{&record, kChangeSamples, span.first, span.end});
    return aborted ? kEditAborted : kEditDone;
}

}  // namespace ob
