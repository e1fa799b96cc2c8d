// The dynamics and delay effect previews.
#include "audio/effect_preview.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "audio/player.h"
#include "base/messages.h"
#include "dsp/delay_streams.h"
#include "wave/memory.h"

namespace ob {

namespace {

constexpr uint32_t kLeadInChunk = 4096;

// One channel's engine behind one interface.
class ChannelEngine {
  public:
    virtual ~ChannelEngine() = default;
    virtual void Start(const float* area, uint32_t length) = 0;
    virtual void Run(const float* area, uint32_t begin, uint32_t end, float* out) = 0;
};

class CompressorEngine : public ChannelEngine {
  public:
    CompressorEngine(const CompressorParams& p, uint32_t rate) : p_(p), rate_(rate) {}
    bool Allocate() { return stream_.Allocate(); }
    void Start(const float* area, uint32_t length) override {
        stream_.StartCompressor(p_, rate_, area, length);
    }
    void Run(const float* area, uint32_t begin, uint32_t end, float* out) override {
        if (p_.threshold >= 0)  // the operation does nothing
            std::memcpy(out, area + begin, size_t(end - begin) * sizeof(float));
        else
            stream_.Run(area, begin, end, out);
    }

  private:
    DynamicsStream stream_;
    CompressorParams p_;
    uint32_t rate_;
};

class NoiseGateEngine : public ChannelEngine {
  public:
    NoiseGateEngine(const NoiseGateParams& p, uint32_t rate) : p_(p), rate_(rate) {}
    bool Allocate() { return stream_.Allocate(); }
    void Start(const float* area, uint32_t length) override {
        stream_.StartNoiseGate(p_, rate_, area, length);
    }
    void Run(const float* area, uint32_t begin, uint32_t end, float* out) override {
        stream_.Run(area, begin, end, out);
    }

  private:
    DynamicsStream stream_;
    NoiseGateParams p_;
    uint32_t rate_;
};

template <class Stream, class Plan>
class DelayEngine : public ChannelEngine {
  public:
    explicit DelayEngine(const Plan& plan) : plan_(plan) {}
    bool Allocate() { return stream_.Allocate(plan_); }
    void Start(const float*, uint32_t length) override { stream_.Start(length); }
    void Run(const float* area, uint32_t begin, uint32_t end, float* out) override {
        stream_.Run(area, begin, end, out);
    }

  private:
    Stream stream_;
    Plan plan_;
};

// Makes and allocates an engine; null when out of memory.
template <class Engine, class... Args>
std::unique_ptr<ChannelEngine> Make(Args&&... args) {
    std::unique_ptr<Engine> e(new (std::nothrow) Engine(std::forward<Args>(args)...));
    if (!e || !e->Allocate()) return nullptr;
    return e;
}

}  // namespace

struct EffectEngines {
    std::unique_ptr<ChannelEngine> channel[2];
    uint32_t leadIn = 0;  // frames run before the play position on a change
};

bool HasEffectPreview(OperationId operation) {
    switch (operation) {
        case kOperationCompressor:
        case kOperationNoiseGate:
        case kOperationEcho:
        case kOperationFlange:
        case kOperationChorus:
        case kOperationReverb:
            return true;
        default:
            return false;
    }
}

bool EffectSettingsFrom(OperationId operation, const void* params, EffectSettings* s) {
    if (!HasEffectPreview(operation) || !params) return false;
    s->operation = operation;
    switch (operation) {
        case kOperationCompressor:
            s->compressor = *static_cast<const CompressorParams*>(params);
            break;
        case kOperationNoiseGate:
            s->noiseGate = *static_cast<const NoiseGateParams*>(params);
            break;
        case kOperationEcho:
            s->echo = *static_cast<const EchoParams*>(params);
            break;
        case kOperationReverb:
            s->reverb = *static_cast<const ReverbParams*>(params);
            break;
        default:
            s->sweep = *static_cast<const FlangeParams*>(params);
            break;
    }
    return true;
}

EffectPreviewControl::EffectPreviewControl(WaveRecord& record) {
    if (!WaveHasData(&record)) return;
    uint32_t channels = AffectChannels(record);
    if (!record.rightSamples) channels &= 1u;
    channelCount_ = channels == 3 ? 2 : (channels ? 1 : 0);
    rate_ = record.sampleRate;
    length_ = channels ? AffectRange(record).length : 0;
}

EffectPreviewControl::~EffectPreviewControl() = default;

const char* EffectPreviewControl::Set(const EffectSettings& settings) {
    EffectSettings s = settings;
    const char* refusal = nullptr;
    uint32_t line = 0;  // the longest delay the engines hold
    // The operation's clamps and refusals, and one engine maker per effect.
    std::unique_ptr<ChannelEngine> (*make)(const EffectSettings&, uint32_t, const void*) = nullptr;
    EchoPlan echo;
    SweepPlan sweep;
    ReverbPlan reverb;
    const void* plan = nullptr;
    switch (s.operation) {
        case kOperationCompressor:
            if (!ClampCompressor(s.compressor)) return kTextBadParameter;
            line = 65536;
            make = [](const EffectSettings& e, uint32_t rate, const void*) {
                return Make<CompressorEngine>(e.compressor, rate);
            };
            break;
        case kOperationNoiseGate:
            if (!ClampNoiseGate(s.noiseGate)) return kTextBadParameter;
            line = 65536;
            make = [](const EffectSettings& e, uint32_t rate, const void*) {
                return Make<NoiseGateEngine>(e.noiseGate, rate);
            };
            break;
        case kOperationEcho:
            if (!ClampEcho(s.echo)) return kTextBadParameter;
            refusal = PlanEcho(s.echo, rate_, length_, &echo);
            line = echo.D;
            plan = &echo;
            make = [](const EffectSettings&, uint32_t, const void* p) {
                return Make<DelayEngine<EchoStream, EchoPlan>>(*static_cast<const EchoPlan*>(p));
            };
            break;
        case kOperationFlange:
        case kOperationChorus:
            if (!ClampFlange(s.sweep)) return kTextBadParameter;
            refusal = PlanSweep(s.sweep, s.operation == kOperationFlange, rate_, length_, &sweep);
            line = uint32_t(sweep.D);
            plan = &sweep;
            make = [](const EffectSettings&, uint32_t, const void* p) {
                return Make<DelayEngine<SweepStream, SweepPlan>>(*static_cast<const SweepPlan*>(p));
            };
            break;
        case kOperationReverb:
            if (!ClampReverb(s.reverb)) return kTextBadParameter;
            refusal = PlanReverb(s.reverb, rate_, length_, &reverb);
            line = uint32_t(reverb.P) + reverb.sizes[0];
            plan = &reverb;
            make = [](const EffectSettings&, uint32_t, const void* p) {
                return Make<DelayEngine<ReverbStream, ReverbPlan>>(
                    *static_cast<const ReverbPlan*>(p));
            };
            break;
        default:
            return kTextBadParameter;
    }
    if (refusal) return refusal;
    std::unique_ptr<EffectEngines> engines(new (std::nothrow) EffectEngines);
    if (!engines) return kTextNoMemory;
    for (uint32_t c = 0; c < std::max(channelCount_, 1u); ++c) {
        engines->channel[c] = make(s, rate_, plan);
        if (!engines->channel[c]) return kTextNoMemory;
    }
    engines->leadIn = uint32_t(std::min<uint64_t>(2ull * rate_ + line, UINT32_MAX));
    std::unique_ptr<EffectEngines> old, retired;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::move(pending_);
        retired = std::move(retired_);
        pending_ = std::move(engines);
    }
    return nullptr;  // old and retired are freed here, on the dialog's thread
}

std::unique_ptr<EffectEngines> EffectPreviewControl::Take(std::unique_ptr<EffectEngines> retired) {
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || !pending_) return retired;  // nothing new: keep what it has
    if (retired) retired_ = std::move(retired);
    return std::move(pending_);
}

EffectPreviewFiller::EffectPreviewFiller(WaveRecord& record,
                                         std::shared_ptr<EffectPreviewControl> control)
    : control_(std::move(control)) {
    scratch_.reset(new (std::nothrow) float[kLeadInChunk]);
    if (!WaveHasData(&record) || !scratch_) return;
    FrameRange area = AffectRange(record);
    channels_ = AffectChannels(record);
    if (!record.rightSamples) channels_ &= 1u;
    if (channels_ == 2) {  // the right channel alone plays as the one channel
        source_[0] = record.rightSamples;
    } else {
        source_[0] = record.leftSamples;
        source_[1] = channels_ == 3 ? record.rightSamples : nullptr;
    }
    // A reference to each buffer, so an edit never frees what is played.
    for (int c = 0; c < 2; ++c) shared_[c] = source_[c] && ShareBlock(source_[c]);
    start_ = area.start;
    length_ = channels_ ? area.length : 0;
    TakeEngines();
}

EffectPreviewFiller::~EffectPreviewFiller() {
    for (int c = 0; c < 2; ++c)
        if (shared_[c]) Release(source_[c], 0, kAllocLarge);
}

// New engines start on the rest of the area a lead-in before the position.
void EffectPreviewFiller::TakeEngines() {
    std::unique_ptr<EffectEngines> before = std::move(engines_);
    EffectEngines* previous = before.get();
    engines_ = control_->Take(std::move(before));
    if (!engines_ || engines_.get() == previous) return;
    origin_ = position_ - std::min(position_, engines_->leadIn);
    for (int c = 0; c < 2; ++c) {
        ChannelEngine* e = engines_->channel[c].get();
        if (!source_[c] || !e) continue;
        const float* area = source_[c] + start_ + origin_;
        e->Start(area, length_ - origin_);
        for (uint32_t at = 0; at < position_ - origin_;) {
            uint32_t n = std::min(kLeadInChunk, position_ - origin_ - at);
            e->Run(area, at, at + n, scratch_.get());
            at += n;
        }
    }
}

uint32_t EffectPreviewFiller::Fill(float* left, float* right, uint32_t frames) {
    uint32_t n = std::min(frames, length_ - position_);
    if (n == 0) return 0;
    TakeEngines();
    float* out[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
        if (!source_[c] || !out[c]) continue;
        const float* area = source_[c] + start_ + origin_;
        ChannelEngine* e = engines_ ? engines_->channel[c].get() : nullptr;
        if (e)
            e->Run(area, position_ - origin_, position_ - origin_ + n, out[c]);
        else
            std::memcpy(out[c], area + (position_ - origin_), size_t(n) * sizeof(float));
    }
    position_ += n;
    return n;
}

int PlayEffectPreview(WaveRecord& record, std::shared_ptr<EffectPreviewControl> control) {
    auto filler = std::make_shared<EffectPreviewFiller>(record, control);
    if (filler->Channels() == 0 || control->Length() == 0) return kEffectPreviewNothing;
    if (!filler->HasEngines()) return kEffectPreviewRefused;
    return PlayBlocks(record.sampleRate, filler->Channels(),
                      [filler](float* l, float* r, uint32_t n) { return filler->Fill(l, r, n); });
}

}  // namespace ob
