// The "&Input Driver" and "&Output Driver" lists of a MIDI sampler type's
// controls: the context's devices (or "None Available"), a chosen row going
// to the context at once, and the selected rows read back (none = 0).
#pragma once

#include <QObject>
#include <QString>
#include <vector>

#include "sampler/midi_devices.h"
#include "sampler/transfer_context.h"

class QGridLayout;
class QListWidget;
class QWidget;

namespace ob {

// One device list: single selection, 60 to 110 pixels high.
QListWidget* MidiDeviceList(QWidget* parent, const char* name);
// Fills the list; a stored index at or past the device count (or negative)
// becomes 0 and is selected.
void FillMidiDeviceList(QListWidget* list, const std::vector<MidiDevice>& devices, int32_t& index);
// The selected row; none selected reads as 0.
int32_t SelectedDeviceRow(const QListWidget* list);

class MidiDriverLists : public QObject {
    Q_OBJECT
  public:
    // Adds both labels and lists to `grid` in four rows from `row`, over
    // `span` columns. The lists are named "inputDriver" and "outputDriver",
    // or prefix + "InputDriver" / "OutputDriver".
    MidiDriverLists(QWidget* owner, QGridLayout* grid, int row, int span,
                    const QString& prefix = QString());
    void Fill(TransferContext& context);
    void ReadBack(TransferContext& context) const;
    QListWidget* Inputs() const { return inputs_; }
    QListWidget* Outputs() const { return outputs_; }

  private:
    QListWidget* inputs_ = nullptr;
    QListWidget* outputs_ = nullptr;
    TransferContext* context_ = nullptr;
};

}  // namespace ob
