// The "Generate" dialog of the File menu: a new sound in the active editor
// from a preset or the fields (shape, rate, frequency, duration, duty cycle,
// up to three chord frequencies), with "GEN2" presets (Load also takes the
// older "GENE" files). Before it opens, an editor holding a wave asks whether
// to delete it. OK refuses a frequency not below half the rate and keeps the
// dialog open; otherwise it generates and records the line (obGenerate, or
// obGenerate4 for a chord).
#pragma once

#include <QDialog>
#include <QPointer>
#include <vector>

#include "app/audio_dialogs.h"  // PresetPathQuestion, AskPresetPath
#include "app/command_table.h"
#include "dsp/generate.h"
#include "dsp/preset_list.h"

class QComboBox;
class QLineEdit;

namespace ob {

class EditorWindow;

// The settings kept between uses of the dialog (the first built-in at start).
GenerateSettings& CurrentGenerateSettings();

class GenerateDialog : public QDialog {
    Q_OBJECT
  public:
    // `presets`: the "GEN2" files in the presets folder, then the built-ins.
    GenerateDialog(EditorWindow* editor, const PresetList& presets);
    void Show(const GenerateSettings& s);
    // The fields as settings; a non-empty `refusal` names a field out of range.
    GenerateSettings Values(QString* refusal) const;
    // The EditResult of the run on OK; -1 until then.
    int Result() const { return result_; }
    PresetPathQuestion askPath = AskPresetPath;

    void ChoosePreset(int index);
    bool LoadPresetFile(const QString& path);
    bool SavePresetFile(const QString& path);

  public slots:
    void accept() override;

  private:
    void Refuse(const QString& text);

    QPointer<EditorWindow> editor_;
    const PresetList& presets_;
    QComboBox* preset_ = nullptr;
    QComboBox* shape_ = nullptr;
    QLineEdit* rate_ = nullptr;
    QLineEdit* frequency_ = nullptr;
    QLineEdit* duration_ = nullptr;
    QLineEdit* duty_ = nullptr;
    QLineEdit* chord_[kGenChordTones] = {};
    int result_ = -1;
};

// File > Generate on `editor`: the delete question when it holds a wave, the
// dialog under its guard ("Generate area already in use"). The EditResult, or
// -1 when nothing ran.
int RunGenerateCommand(EditorWindow* editor);
// Gives command 40009 its handler (called while the command table is built).
void InstallGenerateCommand(std::vector<Command>& table);

}  // namespace ob
