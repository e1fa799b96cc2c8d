// The "Generate" dialog and its File-menu command.
#include "app/generate_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/editor_window.h"
#include "app/operation_dialog.h"
#include "base/messages.h"
#include "base/user_interface.h"
#include "dsp/generate_presets.h"
#include "dsp/operation.h"
#include "dsp/preset_dialog.h"
#include "dsp/preset_file.h"
#include "script/recorder.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr uint32_t kNameOffset = 20;
constexpr const char* kWaveExists = "A wave already exists here!\nDo you want to delete it?";

}  // namespace

GenerateSettings& CurrentGenerateSettings() {
    static GenerateSettings settings = GenerateBuiltIn(0);
    return settings;
}

GenerateDialog::GenerateDialog(EditorWindow* editor, const PresetList& presets)
    : QDialog(editor ? editor->window() : nullptr), editor_(editor), presets_(presets) {
    setObjectName("generateDialog");
    setWindowTitle("Generate");
    preset_ = new QComboBox(this);
    preset_->setObjectName("preset");
    preset_->setEditable(true);
    preset_->setInsertPolicy(QComboBox::NoInsert);
    preset_->setMinimumContentsLength(40);
    for (uint32_t i = 0; i < presets_.count; ++i)
        preset_->addItem(QString::fromStdString(presets_.Name(i, kNameOffset)));
    auto* load = new QPushButton("&Load Preset", this);
    load->setObjectName("loadPreset");
    auto* save = new QPushButton("&Save Preset", this);
    save->setObjectName("savePreset");
    auto* presetBox = new QGroupBox("Presets", this);
    auto* presetLayout = new QHBoxLayout(presetBox);
    presetLayout->addWidget(preset_, 1);
    presetLayout->addWidget(load);
    presetLayout->addWidget(save);

    auto* form = new QFormLayout;
    shape_ = new QComboBox(this);
    shape_->setObjectName("shape");
    shape_->addItems({"Sine", "Square", "Triangle", "Sawtooth", "Pulse", "White Noise", "Silence"});
    form->addRow("Wave &Shape:", shape_);
    rate_ = AddNumberField(form, "rate", "Sample &Rate (Hz):");
    frequency_ = AddNumberField(form, "frequency", "&Frequency (Hz):");
    duration_ = AddNumberField(form, "duration", "&Duration (seconds):");
    duty_ = AddNumberField(form, "duty", "D&uty Cycle (%):");
    static const char* const kChordNames[kGenChordTones] = {"chord2", "chord3", "chord4"};
    static const char* const kChordLabels[kGenChordTones] = {
        "Chord Frequency &2 (Hz):", "Chord Frequency &3 (Hz):", "Chord Frequency &4 (Hz):"};
    for (int k = 0; k < kGenChordTones; ++k)
        chord_[k] = AddNumberField(form, kChordNames[k], kChordLabels[k]);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(load, &QPushButton::clicked, this, [this] {
        QString path = askPath(this, false);
        if (!path.isEmpty()) LoadPresetFile(path);
    });
    connect(save, &QPushButton::clicked, this, [this] {
        QString path = askPath(this, true);
        if (!path.isEmpty()) SavePresetFile(path);
    });
    connect(preset_, qOverload<int>(&QComboBox::activated), this, &GenerateDialog::ChoosePreset);
    if (editor) connect(editor, &QObject::destroyed, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(presetBox);
    layout->addLayout(form);
    layout->addWidget(buttons);
    Show(CurrentGenerateSettings());
}

void GenerateDialog::Show(const GenerateSettings& s) {
    shape_->setCurrentIndex(s.shape >= 0 && s.shape < kGenShapeCount ? s.shape : kGenSilence);
    rate_->setText(QString::number(s.rate));
    SetNumber(frequency_, "%.3f", s.frequency / 1000.0);
    SetNumber(duration_, "%.3f", double(s.duration) / 1000.0);
    duty_->setText(QString::number(s.duty));
    for (int k = 0; k < kGenChordTones; ++k)
        SetNumber(chord_[k], "%.3f", s.chord[k] > 1 ? s.chord[k] / 1000.0 : 0.0);
    preset_->setEditText(QString::fromStdString(s.name));
}

GenerateSettings GenerateDialog::Values(QString* refusal) const {
    GenerateSettings s;
    QString why;
    double rate = 0, frequency = 0, duration = 0, duty = 0, chord[kGenChordTones] = {};
    bool ok = ReadNumber(rate_, kGenMinRate, kGenMaxRate, "Sample Rate", rate, why) &&
              ReadNumber(frequency_, 0.001, 2147483.647, "Frequency", frequency, why) &&
              ReadNumber(duration_, 0, 2147483.647, "Duration", duration, why) &&
              ReadNumber(duty_, 1, 99, "Duty Cycle", duty, why);
    for (int k = 0; ok && k < kGenChordTones; ++k)
        ok = ReadNumber(chord_[k], 0, 2147483.647, "Chord Frequency", chord[k], why, true, 0.0);
    if (refusal) *refusal = ok ? QString() : why;
    s.shape = shape_->currentIndex();
    s.rate = int32_t(rate);
    s.frequency = int32_t(frequency * 1000.0);
    s.duration = int64_t(duration * 1000.0);
    s.duty = int32_t(duty);
    for (int k = 0; k < kGenChordTones; ++k) s.chord[k] = int32_t(chord[k] * 1000.0);
    s.name = preset_->currentText().left(79).toStdString();
    return s;
}

void GenerateDialog::ChoosePreset(int index) {
    if (index < 0 || uint32_t(index) >= presets_.count) return;
    Show(GenerateFromRecord(presets_.Record(uint32_t(index)), kGenerateRecordSize, false));
}

bool GenerateDialog::LoadPresetFile(const QString& path) {
    GenerateSettings s;
    if (ReadGeneratePreset(path.toStdString(), s) != 0) {
        ReportMessage(this, kPresetErrorCaption, PresetReadErrorText("Generate"));
        return false;
    }
    Show(s);
    return true;
}

bool GenerateDialog::SavePresetFile(const QString& path) {
    QString refusal;
    GenerateSettings s = Values(&refusal);
    if (!refusal.isEmpty()) {
        Refuse(refusal);
        return false;
    }
    if (WriteGeneratePreset(path.toStdString(), s) != 0) {
        ReportMessage(this, kPresetErrorCaption, PresetWriteErrorText("Generate"));
        return false;
    }
    return true;
}

void GenerateDialog::Refuse(const QString& text) {
    WaveRecord* record = editor_ ? editor_->Record() : nullptr;
    if (record)
        ReportMessage(*record, text.toStdString());
    else
        ReportMessage(this, "Generate", text.toStdString());
}

void GenerateDialog::accept() {
    WaveRecord* record = editor_ ? editor_->Record() : nullptr;
    if (!record) {
        reject();
        return;
    }
    QString refusal;
    GenerateSettings s = Values(&refusal);
    if (!refusal.isEmpty()) {
        Refuse(refusal);
        return;
    }
    if (GenerateFrequencyTooHigh(s)) {
        Refuse(kTextGenerateHalfRate);
        return;
    }
    ClampGenerateSettings(s);
    CurrentGenerateSettings() = s;
    int number = editor_->Number();
    result_ = Generate(*record, s);
    if (result_ == kEditDone) RecordLine([&] { return GenerateMacroLine(number, s); });
    QDialog::accept();
}

int RunGenerateCommand(EditorWindow* editor) {
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!record) return -1;
    if (WaveHasData(record)) {
        if (UI().Ask(record->window, TitleOf(*record), kWaveExists, kButtonsYesNo, kAnswerNo) !=
            kAnswerYes)
            return -1;
        DiscardWave(*record);
        NotifyChange(record, kChangeAll);
    }
    int result = -1;
    OpenPresetDialog(record, kDialogGenerate, kPresetKinds[kPresetKindGenerate],
                     GenerateBuiltInRecords(), [&](PresetList& list) {
                         GenerateDialog dialog(editor, list);
                         if (dialog.exec() == QDialog::Accepted) result = dialog.Result();
                     });
    return result;
}

void InstallGenerateCommand(std::vector<Command>& table) {
    for (Command& c : table)
        if (c.id == 40009) {
            c.handler = [](CommandContext& context) { RunGenerateCommand(context.editor); };
            c.enabled = [](const CommandContext& context) { return context.editor != nullptr; };
            c.missing = nullptr;
        }
}

}  // namespace ob
