// The equalization preview: plays the affect area through the player's block
// entry (PlayBlocks) with a filler that filters each buffer on the fly and
// leaves the wave unchanged. The dialog changes the settings while it plays;
// the filler takes one consistent copy of them per buffer (a buffer never
// mixes old and new coefficients) and never waits for the dialog: when the
// dialog is writing at that moment, the buffer keeps the previous copy.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "dsp/equalization.h"
#include "wave/wave_record.h"

namespace ob {

// The settings shared by the dialog (writer) and the filler (reader).
class EqPreviewControl {
  public:
    explicit EqPreviewControl(const EqPreviewSettings& s) : settings_(s), version_(1) {}
    void Set(const EqPreviewSettings& s);
    // Copies the settings into `out` when they changed since `*seen` and are
    // not being written; true when `out` was refreshed.
    bool TakeIfChanged(EqPreviewSettings& out, uint64_t* seen);

  private:
    std::mutex mutex_;
    EqPreviewSettings settings_;
    uint64_t version_;
};

// Filters frames of one sound's affect area, buffer by buffer.
class EqPreviewFiller {
  public:
    // The area and channels of `record` (AffectRange, AffectChannels).
    EqPreviewFiller(WaveRecord& record, std::shared_ptr<EqPreviewControl> control);
    ~EqPreviewFiller();
    EqPreviewFiller(const EqPreviewFiller&) = delete;
    EqPreviewFiller& operator=(const EqPreviewFiller&) = delete;
    uint32_t Channels() const { return channels_ == 3 ? 2 : 1; }
    // Puts up to `frames` filtered frames into left (and right for two
    // channels); returns the frames given, fewer at the end of the area.
    uint32_t Fill(float* left, float* right, uint32_t frames);
    // The sections the last buffer used.
    const EqSections& Sections() const { return sections_; }

  private:
    // The samples are held, not borrowed: a shared reference to the record's
    // buffer (or a copy of the area when it cannot be shared), so an editor
    // closed while the preview plays never frees what the filler reads.
    void Hold(int channel, float* samples);
    const float* source_[2] = {nullptr, nullptr};
    float* shared_[2] = {nullptr, nullptr};
    std::vector<float> copy_[2];
    uint32_t channels_ = 0;  // bit 0 left, bit 1 right
    uint32_t rate_ = 0;
    uint32_t start_ = 0, length_ = 0, position_ = 0;
    std::shared_ptr<EqPreviewControl> control_;
    EqPreviewSettings settings_;
    uint64_t seen_ = 0;
    EqSections sections_;
    SectionState states_[2][kMaxEqSections];
};

// Starts the preview (stopping any playback): a player result code (0 when
// playing); kEqPreviewNothing when the area or the channels are empty or the
// settings use an order-5 filter (kEqPreviewOrderFiveText).
constexpr int kEqPreviewNothing = -1;
int PlayEqPreview(WaveRecord& record, std::shared_ptr<EqPreviewControl> control);

}  // namespace ob
