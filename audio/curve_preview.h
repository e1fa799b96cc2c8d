// The previews of the Envelope Generator and the Transfer Function: the
// affect area of the edit channels, copied when the preview starts (the wave
// may change or go away while it plays), played through the envelope's gains
// or the transfer curve taken at that moment, each sample saturated to the
// 16-bit range (a curve may reach 32768, or a gain may lift a sample beyond
// full scale; neither wraps). The wave itself is never changed.
#pragma once

#include <cstdint>
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

  private:
    void CopyArea(WaveRecord& record);
    bool envelope_ = true;
    double gains_[kEnvelopePoints] = {};
    TransferTable table_{};
    std::vector<float> source_[2];
    uint32_t channels_ = 0;  // 0, 1 or 2
    uint32_t length_ = 0, position_ = 0;
};

// A sample saturated to the 16-bit range, as the device will take it (/ 32768).
float Saturate16(double level);

// Start the preview (stopping any playback first): a player result code, 0
// when playing; kCurvePreviewNothing when the area or its channels are empty.
constexpr int kCurvePreviewNothing = -1;
int PlayEnvelopePreview(WaveRecord& record, const EnvelopeParams& p);
int PlayTransferPreview(WaveRecord& record, const TransferParams& p);

// What a curve dialog started: Stop ends that preview and leaves any other
// playback alone.
struct CurvePreviewState {
    bool started = false;
    void Stop();
};

}  // namespace ob
