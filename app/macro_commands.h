// The macro commands of the Setup menu: Assign Macros, Save Macros, Load
// Macros, Auto-Record Macro (with its Auto-Assign choice and the menu text
// that becomes "Stop Recording"), Run Macro and the Macro Editor.
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace ob {

class MainFrame;

// Menu texts of the recorder command.
constexpr const char* kRecordMacroText = "Auto-Record Macro...";
constexpr const char* kStopRecordingText = "Stop Recording";

// The "Assign Macros" dialog: eleven paths beside "Browse F2" .. "Browse F12".
class AssignMacrosDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AssignMacrosDialog(QWidget* parent = nullptr);
    QLineEdit* Field(int slot) const { return fields_[slot]; }
    void Browse(int slot);
    void accept() override;

  private:
    QLineEdit* fields_[11];
};

// Runs the dialog under its guard; OK stores the eleven paths.
void RunAssignMacrosDialog(QWidget* parent);
void SaveMacrosWithDialog(MainFrame* frame);
void LoadMacrosWithDialog(MainFrame* frame);
// The "Record Macro File As:" dialog; `autoAssign` gets -1 (None) or the key
// slot 0..10 (F2..F12). False when cancelled.
bool AskRecordMacroFile(QWidget* parent, QString& path, int& autoAssign);
// Starts or stops the recorder; a finished recording opens in the macro editor.
void ToggleMacroRecorder(MainFrame* frame);
// Sets the recorder command's menu text to the recorder's state.
void RefreshRecorderText(MainFrame* frame);
// Run Macro: a file dialog, then the macro with the frame as owner.
void RunMacroWithDialog(MainFrame* frame);
// The command numbers of Run Macro and Macro Editor (free numbers of the
// Setup range).
constexpr int kRunMacroCommand = 40116;
constexpr int kMacroEditorCommand = 40118;

}  // namespace ob
