// The "Playback Preferences" and "Record Preferences" dialogs. Both edit the
// player's and the recorder's current settings (gPlayPrefs, gRecordPrefs);
// the file questions go through replaceable functions so tests can answer
// them.
#pragma once

#include <QDialog>
#include <functional>

#include "audio/play_prefs.h"
#include "audio/record_prefs.h"
#include "dsp/preset_list.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace ob {

// A file question: the path, or empty for Cancel. `save` asks for a file to
// write ("Save Preset As:"), else one to read ("Open Preset:").
using PresetPathQuestion = std::function<QString(QWidget* parent, bool save)>;
QString AskPresetPath(QWidget* parent, bool save);

class PlayPrefsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PlayPrefsDialog(QWidget* parent);
    // The controls as a record (the area field is kept from gPlayPrefs).
    PlayPrefs Values() const;
    void Show(const PlayPrefs& prefs);
    PresetPathQuestion askPath = AskPresetPath;

    void done(int result) override;

  private:
    void SavePref();
    void LoadPref();

    PlayPrefs started_;
    QComboBox* channel_ = nullptr;
    QComboBox* loopChoice_ = nullptr;
    QComboBox* loopDirection_ = nullptr;
    QComboBox* bufferSize_ = nullptr;
    QComboBox* attenuation_ = nullptr;
    QSpinBox* iterations_ = nullptr;
    QSpinBox* transpose_ = nullptr;
    QCheckBox* showPosition_ = nullptr;
    QCheckBox* lock44k_ = nullptr;
    QCheckBox* highRes_ = nullptr;
    QComboBox* driver_ = nullptr;
};
void RunPlayPrefsDialog(QWidget* parent);

class RecordPrefsDialog : public QDialog {
    Q_OBJECT
  public:
    // `presets`: the files of kind "RCPF" in the presets folder, then the
    // built-ins.
    RecordPrefsDialog(QWidget* parent, const PresetList& presets);
    RecordPrefs Values() const;
    void Show(const RecordPrefs& prefs);
    PresetPathQuestion askPath = AskPresetPath;

    void accept() override;

  private:
    void ChoosePreset(int index);
    void SavePreset();
    void LoadPreset();

    const PresetList& presets_;
    int inputDevices_ = 0;
    QComboBox* preset_ = nullptr;
    QRadioButton* mono_ = nullptr;
    QRadioButton* stereo_ = nullptr;
    QRadioButton* small_ = nullptr;
    QRadioButton* large_ = nullptr;
    QRadioButton* rate_[4] = {};
    QLineEdit* customRate_ = nullptr;
    QCheckBox* highRes_ = nullptr;
    QComboBox* driver_ = nullptr;
};
// With the guard "Record Preferences area already in use".
void RunRecordPrefsDialog(QWidget* parent);

}  // namespace ob
