// The one dialog of every processing command, driven by the operation's entry
// in the operation table (dsp/operation_table.h). A dialog only supplies its
// controls (a DialogDef: caption, form builder, preset binding); the rest is
// shared here and the same for every operation:
//   - the one-at-a-time guard of the entry's dialog, with its guard text;
//   - the parameter struct filled from the entry's current settings (kept
//     between dialog uses; the script functions never change them);
//   - the preset box with Load and Save when the operation has a preset kind;
//   - OK: the form reads its controls (a value outside its range is refused
//     with a message naming the range, and the dialog stays open), the
//     entry's Validate, the settings stored back, the entry's run function (the
//     one the script host calls) on the editor, and the entry's recorder line;
//   - Cancel changes nothing; closing the editor cancels the dialog;
//   - Pre&view (a DialogDef with a DialogPreview: the equalizers, the dynamics
//     and delay effects) plays the affect area with the dialog's current values
//     without changing the wave; a change of a value while it plays is heard
//     from the next buffer; pressing it again, the end of the area, OK, Cancel
//     and closing stop it.
// See docs/DIALOGS.md.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dsp/operation_table.h"

class QButtonGroup;
class QComboBox;
class QFormLayout;
class QPushButton;
class QTimer;
class QLineEdit;
class QVBoxLayout;

namespace ob {

class EditorWindow;

// What a dialog's controls do with the operation's parameter struct.
struct DialogForm {
    // The struct into the controls (at open, and after a preset is chosen).
    std::function<void(const void* params)> load;
    // The controls into the struct. An empty result accepts; any other text is
    // the refusal, reported with the editor's title, and the dialog stays open.
    std::function<QString(void* params)> store;
};

// How an operation's preset records map to its parameter struct.
struct DialogPresets {
    uint32_t recordSize;
    uint32_t nameOffset;                                      // of the 80-byte name in a record
    std::vector<uint8_t> (*builtIns)();                       // the built-in records, back to back
    bool (*fromRecord)(const uint8_t* record, void* params);  // a list entry (this byte order)
    // Preset files in either byte order: a file result code (0 = read/written).
    int (*readFile)(const std::string& path, void* params, std::string* name);
    int (*writeFile)(const std::string& path, const void* params, const std::string& name);
    // The texts of a failed read and write when they are not the usual
    // "Error Reading <dialog> Preset File" / "Error Writing ...".
    const char* readErrorText = nullptr;
    const char* writeErrorText = nullptr;
    // The script function a successful Load records with the file's path
    // ("obLoadEnvGenPreset"); null: a Load records nothing.
    const char* loadFunction = nullptr;
};

// A preview that plays the dialog's settings without changing the wave
// ("Pre&view"). While it plays, every change of a control hands the new
// settings to it; OK, Cancel and closing the dialog stop it.
struct DialogPreview {
    // Starts playing `params` (validated) from `record`: an empty text when it
    // plays, else the refusal to report (the dialog stays open).
    QString (*start)(WaveRecord& record, const void* params);
    // The controls changed while it plays (validated settings).
    void (*update)(const void* params);
    // True while this preview plays.
    bool (*playing)();
    // Stops it; nothing when it does not play.
    void (*stop)();
};

// The controls of one operation's dialog.
struct DialogDef {
    OperationId operation;
    const char* caption;
    // Adds the controls to `body` (a vertical layout in the dialog).
    DialogForm (*build)(QVBoxLayout* body, EditorWindow* editor);
    const DialogPresets* presets;  // null when the operation has no preset kind
    // Optional: values that come from the editor's wave rather than the kept
    // settings (the key map shows the wave's own keys).
    void (*fromWave)(const WaveRecord& record, void* params);
    // Optional: the Preview button and what it plays.
    const DialogPreview* preview = nullptr;
    // Optional: on OK only (not on preset save), a refusal that depends on the
    // wave (the rate transpose refuses the present rate); empty accepts.
    QString (*check)(WaveRecord& record, const void* params) = nullptr;
};

// The definition of an operation's dialog; null when it has none here.
const DialogDef* FindDialogDef(OperationId operation);

class OperationDialog : public QDialog {
    Q_OBJECT
  public:
    OperationDialog(EditorWindow* editor, const OperationEntry& entry, const DialogDef& def);

    const OperationEntry& Entry() const { return entry_; }
    // The dialog's copy of the parameters (what the controls show after load).
    void* Params() { return params_.data(); }
    // The EditResult of the run on OK; -1 until then.
    int Result() const { return result_; }

    // Preset box and buttons (what Load and Save do after their file dialog).
    QComboBox* PresetBox() const { return presetBox_; }
    // The preview button (null without a preview) and whether a preview plays.
    QPushButton* PreviewButton() const { return previewButton_; }
    // From a started preview until the dialog stopped it or noticed its end.
    bool Previewing() const { return previewing_; }
    bool LoadPresetFile(const QString& path);
    bool SavePresetFile(const QString& path);
    void ChoosePreset(int index);
    // What the Preview button does: stops a playing preview, else starts one
    // with the controls' settings (a refusal is reported). True when it plays.
    bool TogglePreview();

  public slots:
    void accept() override;
    void done(int result) override;

  private:
    void BuildPresetRow(QVBoxLayout* layout);
    void ReportRefusal(const QString& text);
    // The controls' settings, validated, without moving the focus: false when
    // they are refused (`refusal` holds the text).
    bool ReadControls(std::vector<uint8_t>& params, QString* refusal);
    void ControlsChanged();
    void StopPreview();

    QPointer<EditorWindow> editor_;
    const OperationEntry& entry_;
    const DialogDef& def_;
    std::vector<uint8_t> params_;
    DialogForm form_;
    QComboBox* presetBox_ = nullptr;
    std::vector<uint8_t> presetRecords_;
    int result_ = -1;
    QPushButton* previewButton_ = nullptr;
    QTimer* previewTimer_ = nullptr;  // notices the end of the area
    bool previewing_ = false;
};

// The one way into a processing dialog: guard, dialog, run and recorder line.
// Returns the EditResult of the run; -1 when cancelled, or refused by the guard
// (its text is reported).
int RunOperationDialog(EditorWindow* editor, OperationId operation);
// The command handler of an operation's menu command (Mono/Stereo picks its
// direction by the wave's channels; Statistics is a guarded report).
void RunOperationCommand(EditorWindow* editor, int command);
// Whether the menu command has a dialog here.
bool HasCommandDialog(int command);

// The two reports and the Name dialog (no operation-table entry of their own
// for Name and Wave Information).
void RunWaveInformation(EditorWindow* editor);
void RunNameDialog(EditorWindow* editor);

// Helpers of the forms. A number field in a form row; its object name is
// `name` (tests find the controls by it).
QLineEdit* AddNumberField(QFormLayout* form, const char* name, const QString& label);
// A group box of exclusive choices in `body`; the buttons' ids are the values
// and their object names `name` followed by the id.
QButtonGroup* AddChoices(QVBoxLayout* body, const QString& title, const char* name,
                         std::initializer_list<std::pair<int, const char*>> choices);
// Checks the button of `id`, else that of `fallback`.
void Choose(QButtonGroup* group, int id, int fallback);
void SetNumber(QLineEdit* field, const char* format, double value);
// Reads a number in lo..hi; otherwise `refusal` becomes "<what> must be
// between <lo> and <hi>" and false is returned. An empty field reads as
// `empty` when `emptyAllowed`.
bool ReadNumber(QLineEdit* field, double lo, double hi, const QString& what, double& value,
                QString& refusal, bool emptyAllowed = false, double empty = 0.0);

}  // namespace ob
