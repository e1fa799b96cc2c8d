// The parameter controls of the Ensoniq types (in the "Sampler Transfer"
// dialog and in the types' own dialog "Send: Ensoniq EPS" and so on):
// channel, wavesample, layer and instrument numbers with their "Create"
// boxes, the MIDI device lists and "Verbose".
#pragma once

#include <QDialog>
#include <QWidget>

#include "sampler/transfer_context.h"

class QCheckBox;
class QListWidget;
class QSpinBox;

namespace ob {

class MidiDriverLists;

class EnsoniqControls : public QWidget {
    Q_OBJECT
  public:
    explicit EnsoniqControls(QWidget* parent);
    // From the context: the numbers shown within their ranges (channel 1..16,
    // wave 1..127, layer and instrument 1..8), the Create boxes from option
    // bits 0..2, Verbose from the quiet bit inverted, the device lists.
    void Fill(TransferContext& context);
    // Into the context: the numbers, option bits 0..2, the quiet bit, the
    // selected devices.
    void ReadBack(TransferContext& context) const;

  private:
    QSpinBox* channel_ = nullptr;
    QSpinBox* wave_ = nullptr;
    QSpinBox* layer_ = nullptr;
    QSpinBox* instrument_ = nullptr;
    QCheckBox* createWave_ = nullptr;
    QCheckBox* createLayer_ = nullptr;
    QCheckBox* createInstrument_ = nullptr;
    MidiDriverLists* drivers_ = nullptr;
    QCheckBox* verbose_ = nullptr;
};

// The Ensoniq types' own dialog, titled "Send: Ensoniq EPS", "Receive:
// Ensoniq ASR-10" and so on.
class EnsoniqParamDialog : public QDialog {
    Q_OBJECT
  public:
    EnsoniqParamDialog(QWidget* parent, int32_t direction, TransferContext& context);
    void accept() override;

  private:
    TransferContext& context_;
    EnsoniqControls* controls_ = nullptr;
};
QString EnsoniqDialogTitle(int32_t direction, const TransferContext& context);

}  // namespace ob
