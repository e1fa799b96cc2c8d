// The curve previews.
#include "audio/curve_preview.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "audio/player.h"

namespace ob {

float Saturate16(double level) {
    if (!(level == level)) return 0.0f;
    double v = std::trunc(std::clamp(level, -32768.0, 32767.0));
    return float(v / 32768.0);
}

void CurvePreviewFiller::CopyArea(WaveRecord& record) {
    if (!WaveHasData(&record)) return;
    const FrameRange area = AffectRange(record);
    uint32_t wanted = AffectChannels(record);
    if (!record.rightSamples) wanted &= 1u;
    const float* from[2] = {nullptr, nullptr};
    if (wanted == 3) {
        from[0] = record.leftSamples, from[1] = record.rightSamples;
    } else if (wanted == 2) {
        from[0] = record.rightSamples;  // the right channel alone plays as the one channel
    } else if (wanted == 1) {
        from[0] = record.leftSamples;
    }
    for (int c = 0; c < 2; ++c)
        if (from[c]) source_[c].assign(from[c] + area.start, from[c] + area.start + area.length);
    channels_ = from[1] ? 2 : from[0] ? 1 : 0;
    length_ = channels_ ? area.length : 0;
}

CurvePreviewFiller::CurvePreviewFiller(WaveRecord& record, const EnvelopeParams& envelope) {
    envelope_ = true;
    EnvelopeGainTable(envelope, gains_);
    CopyArea(record);
}

CurvePreviewFiller::CurvePreviewFiller(WaveRecord& record, const TransferParams& transfer) {
    envelope_ = false;
    BuildTransferTable(transfer, table_);
    CopyArea(record);
}

void CurvePreviewFiller::Replace(const EnvelopeParams& envelope) {
    if (!envelope_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    EnvelopeGainTable(envelope, pendingGains_);
    pending_ = true;
}

void CurvePreviewFiller::Replace(const TransferParams& transfer) {
    if (envelope_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    BuildTransferTable(transfer, pendingTable_);
    pending_ = true;
}

// The device thread never waits: settings being written are taken next time.
void CurvePreviewFiller::TakePending() {
    if (!pending_ || !mutex_.try_lock()) return;
    if (envelope_)
        std::copy(std::begin(pendingGains_), std::end(pendingGains_), gains_);
    else
        table_ = pendingTable_;
    pending_ = false;
    mutex_.unlock();
}

uint32_t CurvePreviewFiller::Fill(float* left, float* right, uint32_t frames) {
    TakePending();
    const uint32_t n = std::min(frames, length_ - position_);
    if (n == 0) return 0;
    float* out[2] = {left, right};
    for (uint32_t c = 0; c < channels_; ++c) {
        if (!out[c]) continue;
        const float* in = source_[c].data() + position_;
        if (envelope_) {
            EnvelopeRun(gains_, length_, position_, in, out[c], n);
            for (uint32_t i = 0; i < n; ++i) out[c][i] = Saturate16(double(out[c][i]) * 32767.0);
        } else {
            TransferRun16(table_, in, out[c], n);
        }
    }
    position_ += n;
    return n;
}

namespace {

// The filler of the playing curve preview (also held by the device's callback).
std::shared_ptr<CurvePreviewFiller> gCurvePreview;

int Start(std::shared_ptr<CurvePreviewFiller> filler, uint32_t rate) {
    if (filler->Channels() == 0 || filler->Length() == 0) return kCurvePreviewNothing;
    int result = PlayBlocks(rate, filler->Channels(), [filler](float* l, float* r, uint32_t n) {
        return filler->Fill(l, r, n);
    });
    if (result == 0) gCurvePreview = std::move(filler);
    return result;
}

}  // namespace

int PlayEnvelopePreview(WaveRecord& record, const EnvelopeParams& p) {
    StopPlay();
    gCurvePreview.reset();
    return Start(std::make_shared<CurvePreviewFiller>(record, p), record.sampleRate);
}

int PlayTransferPreview(WaveRecord& record, const TransferParams& p) {
    StopPlay();
    gCurvePreview.reset();
    return Start(std::make_shared<CurvePreviewFiller>(record, p), record.sampleRate);
}

void UpdateEnvelopePreview(const EnvelopeParams& p) {
    if (CurvePreviewPlaying()) gCurvePreview->Replace(p);
}

void UpdateTransferPreview(const TransferParams& p) {
    if (CurvePreviewPlaying()) gCurvePreview->Replace(p);
}

bool CurvePreviewPlaying() {
    return gCurvePreview && PlayerOpen() && PlayedEditor() == 0 && PlaybackRunning();
}

void StopCurvePreview() {
    if (!gCurvePreview) return;
    if (PlayerOpen() && PlayedEditor() == 0) StopPlay();
    gCurvePreview.reset();
}

}  // namespace ob
