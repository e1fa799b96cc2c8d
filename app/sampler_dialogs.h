// The sampler transfer dialogs: the "Sampler Transfer" dialog (sampler type,
// "DUMP" presets, the type's parameter controls) and the SDS types' own
// "MIDI Sample Dump Standard" dialog, both over the transfer context the core
// keeps (sampler/transfer_commands.h); the Sampler menu's commands; and the
// installation of the window side of transfers (the dialog hooks, the
// window's transfer clock, waits after the sampler's WAIT left to the user).
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

#include "app/command_table.h"
#include "sampler/transfer_commands.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QRadioButton;
class QSpinBox;
class QStackedWidget;

namespace ob {

class MainFrame;
class EnsoniqControls;
class KorgAkaiControls;
class MidiDriverLists;

class SmdiControls;

// The parameter controls of the SDS types (the same in both dialogs):
// "&Channel:" 1..16, "&Sample:" 0..16384, "&Input Driver" and "&Output
// Driver" (the MIDI devices, or "None Available"), and "Tell Sampler to
// &Wait between packets".
class SdsControls : public QWidget {
    Q_OBJECT
  public:
    explicit SdsControls(QWidget* parent);
    // From the context: a channel of 0 shows 1, a negative sample number 0,
    // a device index past its list 0.
    void Fill(TransferContext& context);
    // Into the context: channel 1..16, sample number 0..16383, the selected
    // devices (none selected = 0), option bit 0.
    void ReadBack(TransferContext& context) const;

  private:
    QSpinBox* channel_ = nullptr;
    QSpinBox* sample_ = nullptr;
    MidiDriverLists* drivers_ = nullptr;
    QCheckBox* wait_ = nullptr;
};

// A file question for Load Preset and Save Preset: the path, or empty.
using SamplerPresetPath = std::function<QString(QWidget* parent, bool save)>;

class SamplerTransferDialog : public QDialog {
    Q_OBJECT
  public:
    // `state` comes from BeginTransferDialog; the dialog works on it and on
    // the program's transfer context.
    SamplerTransferDialog(QWidget* parent, TransferDialogState& state);

    // Shows the type's controls and fills them from the context.
    void ShowType(int32_t code);
    // A row of the preset list (as the combo box's selection does).
    void ChoosePreset(int index);
    bool LoadPreset(const QString& path);
    bool SavePreset(const QString& path);
    QComboBox* PresetBox() const { return presets_; }
    SmdiControls* Smdi() const { return smdi_; }
    SamplerPresetPath askPath;

    void accept() override;  // reads the controls back into the context

  private:
    void ShowState();
    void ReadShownControls();
    KorgAkaiControls* KorgAkaiPage(int32_t code) const;

    TransferDialogState& state_;
    QComboBox* presets_ = nullptr;
    std::vector<QRadioButton*> radios_;
    QStackedWidget* pages_ = nullptr;
    SdsControls* sds_ = nullptr;
    EnsoniqControls* ensoniq_ = nullptr;
    SmdiControls* smdi_ = nullptr;
    QLabel* notBuilt_ = nullptr;
    std::vector<KorgAkaiControls*> korgAkai_;
};

// The SDS types' own dialog, titled by direction and type ("Send: MIDI SDS
// 16 bit").
class SdsParamDialog : public QDialog {
    Q_OBJECT
  public:
    SdsParamDialog(QWidget* parent, int32_t direction, TransferContext& context);
    void accept() override;

  private:
    TransferContext& context_;
    SdsControls* controls_ = nullptr;
};
QString SdsDialogTitle(int32_t direction, int32_t type);

// The frame every sampler parameter dialog shares: OK and Cancel (named
// "ok" and "cancel") added to `layout`, wired to the dialog's accept and
// reject; and the window such a dialog opens over (the wave's editor, else
// the main frame).
void AddOkCancel(QDialog* dialog, QBoxLayout* layout);
QWidget* SamplerDialogParent(const TransferContext& context);

// The hooks the core calls (installed by InstallSamplerWindowSide).
int32_t RunSamplerTransferDialog(int32_t direction, WaveRecord& wave);
bool RunSdsParamDialog(int32_t direction, TransferContext& context);

// Installs the hooks, the window's transfer clock and the unlimited wait
// after the sampler's WAIT (abort ends it); Remove undoes it.
void InstallSamplerWindowSide();
void RemoveSamplerWindowSide();

// Send (40005), Receive (40006), the Sampler menu's type items (40300 ..
// 40309) and "Dynamic Dialog" (40310).
void InstallSamplerCommands(std::vector<Command>& table);

}  // namespace ob
