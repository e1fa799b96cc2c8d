// The equalization preview filler.
#include "audio/eq_preview.h"

#include <algorithm>
#include <cstring>

#include "audio/player.h"
#include "wave/memory.h"

namespace ob {

void EqPreviewControl::Set(const EqPreviewSettings& s) {
    std::lock_guard<std::mutex> lock(mutex_);
    settings_ = s;
    ++version_;
}

bool EqPreviewControl::TakeIfChanged(EqPreviewSettings& out, uint64_t* seen) {
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (!lock.owns_lock() || version_ == *seen) return false;
    out = settings_;
    *seen = version_;
    return true;
}

EqPreviewFiller::EqPreviewFiller(WaveRecord& record, std::shared_ptr<EqPreviewControl> control)
    : control_(std::move(control)) {
    if (!WaveHasData(&record)) return;
    FrameRange area = AffectRange(record);
    channels_ = AffectChannels(record);
    if (!record.rightSamples) channels_ &= 1u;
    rate_ = record.sampleRate;
    start_ = area.start;
    length_ = channels_ ? area.length : 0;
    if (channels_ == 2) {  // the right channel alone plays as the one channel
        Hold(0, record.rightSamples);
    } else {
        Hold(0, record.leftSamples);
        if (channels_ == 3) Hold(1, record.rightSamples);
    }
    control_->TakeIfChanged(settings_, &seen_);
    sections_ = EqPreviewSections(settings_, rate_);
    // The history of each channel starts from the two samples before the area
    // (silence when the area starts at frame 0 or 1).
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < kMaxEqSections; ++k) {
            states_[c][k] = SectionState{};
            if (source_[c] && start_ >= 2) {
                const float* before = source_[c] + start_;
                states_[c][k] = {before[-1], before[-2], before[-1], before[-2]};
            }
        }
}

EqPreviewFiller::~EqPreviewFiller() {
    for (float* samples : shared_)
        if (samples) Release(samples, 0, kAllocLarge);
}

void EqPreviewFiller::Hold(int channel, float* samples) {
    if (!samples) return;
    if (ShareBlock(samples)) {
        shared_[channel] = samples;
        source_[channel] = samples;
        return;
    }
    // Not a shared block: a copy of the area and the two frames before it
    // (the filler reads nothing else), at the same offsets.
    const uint32_t first = start_ >= 2 ? start_ - 2 : 0;
    copy_[channel].assign(size_t(start_) + length_, 0.0f);
    std::memcpy(copy_[channel].data() + first, samples + first,
                (size_t(start_) + length_ - first) * sizeof(float));
    source_[channel] = copy_[channel].data();
}

uint32_t EqPreviewFiller::Fill(float* left, float* right, uint32_t frames) {
    uint32_t n = std::min(frames, length_ - position_);
    if (n == 0) return 0;
    // One copy of the settings for this whole buffer.
    if (control_->TakeIfChanged(settings_, &seen_)) sections_ = EqPreviewSections(settings_, rate_);
    float* out[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
        if (!source_[c] || !out[c]) continue;
        std::memcpy(out[c], source_[c] + start_ + position_, size_t(n) * sizeof(float));
        RunEqSections(sections_, states_[c], out[c], n);
    }
    position_ += n;
    return n;
}

int PlayEqPreview(WaveRecord& record, std::shared_ptr<EqPreviewControl> control) {
    auto filler = std::make_shared<EqPreviewFiller>(record, control);
    EqPreviewSettings s;
    uint64_t seen = 0;
    control->TakeIfChanged(s, &seen);
    if (filler->Channels() == 0 || !EqPreviewAvailable(s)) return kEqPreviewNothing;
    return PlayBlocks(record.sampleRate, filler->Channels(),
                      [filler](float* l, float* r, uint32_t n) { return filler->Fill(l, r, n); });
}

}  // namespace ob
