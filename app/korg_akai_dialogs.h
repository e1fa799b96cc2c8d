// The parameter controls of the Korg DSS-1, Korg DSM-1 and Akai S612 types
// (the same in the "Sampler Transfer" dialog and in the type's own dialog
// "Send: Korg DSS1", "Receive: Akai S612" and so on).
#pragma once

#include <QDialog>
#include <QWidget>

#include "sampler/transfer_context.h"

class QCheckBox;
class QListWidget;
class QSpinBox;

namespace ob {

class MidiDriverLists;

// DSS-1: "&Channel:" 1..16, "&Sound:" 1..16, "&MultiSound:" 1..16, "Chop To
// Fit", "Verbose" (the quiet bit inverted), the drivers. DSM-1: the same with
// "&MultiSound:" 1..8 and "&Bank:" 1..4. S612: "&Channel:" 1..9 and the drivers.
class KorgAkaiControls : public QWidget {
    Q_OBJECT
  public:
    KorgAkaiControls(QWidget* parent, int32_t type);
    int32_t type() const { return type_; }
    // From the context: each number shown within its range, a device index
    // past its list 0.
    void Fill(TransferContext& context);
    // Into the context: the numbers within their ranges, the selected
    // devices, option bit 0 from Chop To Fit, message bit 0 from Verbose.
    void ReadBack(TransferContext& context) const;

  private:
    int32_t type_;
    QSpinBox* channel_ = nullptr;
    QSpinBox* sound_ = nullptr;
    QSpinBox* multisound_ = nullptr;
    QSpinBox* bank_ = nullptr;
    QCheckBox* chop_ = nullptr;
    QCheckBox* verbose_ = nullptr;
    MidiDriverLists* drivers_ = nullptr;
};

bool IsKorgAkaiType(int32_t type);

// The type's own dialog.
class KorgAkaiParamDialog : public QDialog {
    Q_OBJECT
  public:
    KorgAkaiParamDialog(QWidget* parent, int32_t direction, TransferContext& context);
    void accept() override;

  private:
    TransferContext& context_;
    KorgAkaiControls* controls_ = nullptr;
};
// "Send: Korg DSS1", "Receive: Korg DSM1", "Send: Akai S612".
QString KorgAkaiDialogTitle(int32_t direction, int32_t type);
bool RunKorgAkaiParamDialog(int32_t direction, TransferContext& context);

}  // namespace ob
