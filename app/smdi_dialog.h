// The SMDI parameter controls (shared by the "Sampler Transfer" dialog and
// the type's own "Send: SMDI" / "Receive: SMDI" dialog): "&Sound Number:"
// 0..32000, "&Device ID:", "&Logical Unit (LUN):" and "Host &Adapter:"
// 0..16, "&Verbose Messages" (message flag bit 0 inverted) and the list of
// devices a bus scan found. Without SCSI pass-through the controls give way
// to "SCSI pass-through is not available.".
#pragma once

#include <QDialog>
#include <QWidget>
#include <vector>

#include "sampler/smdi_transfer.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace ob {

class SmdiControls : public QWidget {
    Q_OBJECT
  public:
    explicit SmdiControls(QWidget* parent);
    // From the context, then a scan of the bus: the first device found is
    // selected and its target and adapter go into the fields.
    void Fill(TransferContext& context);
    void ReadBack(TransferContext& context) const;
    // Scans the bus again (also run by Fill).
    void Scan();
    QListWidget* Devices() const { return devices_; }
    bool PassThrough() const { return passThrough_; }

  private:
    void Choose(int row);

    QWidget* fields_ = nullptr;
    QLabel* unavailable_ = nullptr;
    QSpinBox* sound_ = nullptr;     // 6103
    QSpinBox* device_ = nullptr;    // 6106
    QSpinBox* lun_ = nullptr;       // 6109
    QSpinBox* adapter_ = nullptr;   // 6112
    QCheckBox* verbose_ = nullptr;  // 6114
    QListWidget* devices_ = nullptr;
    std::vector<SmdiFoundDevice> found_;
    bool passThrough_ = false;
};

class SmdiParamWindow : public QDialog {
    Q_OBJECT
  public:
    SmdiParamWindow(QWidget* parent, int32_t direction, TransferContext& context);
    void accept() override;
    SmdiControls* Controls() const { return controls_; }

  private:
    TransferContext& context_;
    SmdiControls* controls_ = nullptr;
};

// The hook the core calls for the type's own dialog: true for OK.
bool RunSmdiParamDialog(int32_t direction, TransferContext& context);

}  // namespace ob
