// The previews of the dynamics and delay effects (Compressor, Noise Gate,
// Echo, Flange, Chorus, Reverb): the affect area played through the player's
// block entry (PlayBlocks) with a filler that runs the effect's own engines
// (dsp/dynamics.h, dsp/delay_streams.h) on the unchanged wave, buffer by
// buffer, so a preview sounds exactly like the edit.
//
// The dialog may change the settings while the preview plays. Each change
// prepares new engines on the dialog's thread (all allocation happens
// there); the filler takes them at its next buffer without waiting for the
// dialog (when the dialog is writing at that moment, the buffer keeps the
// engines it has). New engines restart the effect on the rest of the area
// from up to two seconds (plus the longest delay line) before the play
// position, so the gain, the echoes and the reverb tail are already built up
// when they are heard; that lead-in is computed, not played.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "dsp/delay.h"
#include "dsp/dynamics.h"
#include "dsp/operation_table.h"
#include "wave/wave_record.h"

namespace ob {

// One effect and its settings: the member that `operation` names is used.
struct EffectSettings {
    OperationId operation = kOperationEcho;
    CompressorParams compressor;
    NoiseGateParams noiseGate;
    EchoParams echo;
    FlangeParams sweep;  // Flange and Chorus
    ReverbParams reverb;
};
// Whether the operation has an effect preview.
bool HasEffectPreview(OperationId operation);
// The settings of an operation's parameter struct; false when it has no preview.
bool EffectSettingsFrom(OperationId operation, const void* params, EffectSettings* settings);

// The engines of one set of settings for every played channel (opaque).
struct EffectEngines;

// The settings shared by the dialog (writer) and the filler (reader) of one
// affect area.
class EffectPreviewControl {
  public:
    // The area of `record` (AffectRange, AffectChannels) fixes the rate, the
    // length the refusals are judged on and the channels.
    explicit EffectPreviewControl(WaveRecord& record);
    ~EffectPreviewControl();
    // Prepares engines for `settings` (clamped as the operation clamps
    // them). Null when the filler will take them; otherwise the text the
    // operation would refuse with ("Parameter Can't Be 0 or 100%", ...) or
    // the out-of-memory text, and the preview keeps its current engines.
    const char* Set(const EffectSettings& settings);
    // For the filler: the engines prepared since the last call, when they are
    // not being written; the engines it gives back are freed by the next Set
    // or with the control.
    std::unique_ptr<EffectEngines> Take(std::unique_ptr<EffectEngines> retired);

    uint32_t Rate() const { return rate_; }
    uint32_t Length() const { return length_; }
    uint32_t ChannelCount() const { return channelCount_; }

  private:
    std::mutex mutex_;
    std::unique_ptr<EffectEngines> pending_, retired_;
    uint32_t rate_ = 0, length_ = 0, channelCount_ = 0;
};

// Plays the effect over one sound's affect area, buffer by buffer.
class EffectPreviewFiller {
  public:
    EffectPreviewFiller(WaveRecord& record, std::shared_ptr<EffectPreviewControl> control);
    ~EffectPreviewFiller();
    EffectPreviewFiller(const EffectPreviewFiller&) = delete;
    EffectPreviewFiller& operator=(const EffectPreviewFiller&) = delete;
    // 0 when the area has no channel to play.
    uint32_t Channels() const { return channels_ == 3 ? 2 : (channels_ ? 1 : 0); }
    bool HasEngines() const { return engines_ != nullptr; }
    // Puts up to `frames` processed frames into left (and right for two
    // channels); returns the frames given, fewer at the end of the area.
    uint32_t Fill(float* left, float* right, uint32_t frames);
    // The frame of the area the engines in use started from (0 unless the
    // settings changed while playing).
    uint32_t Origin() const { return origin_; }

  private:
    void TakeEngines();

    float* source_[2] = {nullptr, nullptr};
    bool shared_[2] = {false, false};  // a reference to the record's buffer is held
    uint32_t channels_ = 0;            // bit 0 left, bit 1 right
    uint32_t start_ = 0, length_ = 0, position_ = 0, origin_ = 0;
    std::shared_ptr<EffectPreviewControl> control_;
    std::unique_ptr<EffectEngines> engines_;
    std::unique_ptr<float[]> scratch_;  // the discarded lead-in
};

// Starts the preview (stopping any playback): a player result code (0 when
// playing); kEffectPreviewNothing when the area or the channels are empty;
// kEffectPreviewRefused when the control holds no engines (its Set refused).
constexpr int kEffectPreviewNothing = -1;
constexpr int kEffectPreviewRefused = -2;
int PlayEffectPreview(WaveRecord& record, std::shared_ptr<EffectPreviewControl> control);

}  // namespace ob
