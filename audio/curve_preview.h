// The previews of the Envelope Generator and the Transfer Function: the
// affect area of the edit channels, copied when the preview starts (the wave
// may change or go away while it plays), played through the envelope's gains
// or the transfer curve taken at that moment, each sample saturated to the
// 16-bit range (a curve may reach 32768, or a gain may lift a sample beyond
// full scale; neither wraps). The wave itself is never changed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "dsp/envelope.h"
#include "dsp/transfer_function.h"
#include "wave/wave_record.h"

namespace ob {

class CurvePreviewFiller {
  public:
    CurvePreviewFiller(WaveRecord& record, const EnvelopeParams& envelope);
    CurvePreviewFiller(WaveRecord& record, const TransferParams& transfer);
    uint32_t Channels() const { return channels_; }
    uint32_t Length() const { return length_; }
    // Up to `frames` frames into left (and right for two channels); fewer at
    // the end of the area.
    uint32_t Fill(float* left, float* right, uint32_t frames);
    // New settings of the same kind, taken at the start of the next Fill
    // (called from the dialog's thread while the device thread fills).
    void Replace(const EnvelopeParams& envelope);
    void Replace(const TransferParams& transfer);

  private:
    void CopyArea(WaveRecord& record);
    void TakePending();
    std::mutex mutex_;
    std::atomic<bool> pending_{false};
    double pendingGains_[kEnvelopePoints] = {};
    TransferTable pendingTable_{};
    bool envelope_ = true;
    double gains_[kEnvelopePoints] = {};
    TransferTable table_{};
    std::vector<float> source_[2];
    uint32_t channels_ = 0;  // 0, 1 or 2
    uint32_t length_ = 0, position_ = 0;
};

// A sample saturated to the 16-bit range, as the device will take it (/ 32768).
float Saturate16(double level);

// The preview of the curve dialogs: one at a time. Start stops any playback
// first and gives a player result code, 0 when playing, kCurvePreviewNothing
// when the area or its channels are empty.
constexpr int kCurvePreviewNothing = -1;
int PlayEnvelopePreview(WaveRecord& record, const EnvelopeParams& p);
int PlayTransferPreview(WaveRecord& record, const TransferParams& p);
// The playing preview follows new settings from its next buffer on; nothing
// when none plays or it plays the other kind.
void UpdateEnvelopePreview(const EnvelopeParams& p);
void UpdateTransferPreview(const TransferParams& p);
// True while a curve preview plays.
bool CurvePreviewPlaying();
// Stops the curve preview; any other playback is left alone.
void StopCurvePreview();

}  // namespace ob
