// The shared processing dialog: guard, kept settings, presets, OK and Cancel.
#include "app/operation_dialog.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>

#include "app/curve_editor.h"
#include "app/editor_window.h"
#include "audio/player.h"
#include "dsp/operation.h"
#include "dsp/preset_file.h"
#include "dsp/preset_list.h"
#include "script/recorder.h"
#include "wave/record_report.h"
#include "wave/wave_record.h"

namespace ob {

// The dialogs of each family.
extern const DialogDef kLevelDialogs[];
extern const size_t kLevelDialogCount;
extern const DialogDef kEffectDialogs[];
extern const size_t kEffectDialogCount;
extern const DialogDef kEqDialogs[];
extern const size_t kEqDialogCount;
extern const DialogDef kTimePitchDialogs[];
extern const size_t kTimePitchDialogCount;
extern const DialogDef kEnvelopeDialog;
extern const DialogDef kTransferDialog;
extern const DialogDef kCrossfadeDialog;

const DialogDef* FindDialogDef(OperationId operation) {
    for (size_t i = 0; i < kLevelDialogCount; ++i)
        if (kLevelDialogs[i].operation == operation) return &kLevelDialogs[i];
    for (size_t i = 0; i < kEffectDialogCount; ++i)
        if (kEffectDialogs[i].operation == operation) return &kEffectDialogs[i];
    for (size_t i = 0; i < kEqDialogCount; ++i)
        if (kEqDialogs[i].operation == operation) return &kEqDialogs[i];
    for (size_t i = 0; i < kTimePitchDialogCount; ++i)
        if (kTimePitchDialogs[i].operation == operation) return &kTimePitchDialogs[i];
    for (const DialogDef* def : {&kEnvelopeDialog, &kTransferDialog, &kCrossfadeDialog})
        if (def->operation == operation) return def;
    return nullptr;
}

namespace {
constexpr const char* kPresetFilter = "Orbick Presets (*.obx*);;All Files (*.*)";
// While above 0, a refused number leaves the focus alone (the preview reads
// the controls at every keystroke; a refusal then must not select the text
// being typed).
int gQuietReads = 0;
}  // namespace

OperationDialog::OperationDialog(EditorWindow* editor, const OperationEntry& entry,
                                 const DialogDef& def)
    : QDialog(editor ? editor->window() : nullptr), editor_(editor), entry_(entry), def_(def) {
    setObjectName("operationDialog");
    setWindowTitle(def.caption);
    setModal(true);
    // The dialog's copy starts from the kept settings (or the start values).
    params_.assign(entry.paramsSize ? entry.paramsSize : 1, 0);
    if (entry.paramsSize) {
        if (entry.current)
            std::memcpy(params_.data(), entry.current(), entry.paramsSize);
        else
            entry.defaults(params_.data());
        WaveRecord* record = editor ? editor->Record() : nullptr;
        if (def.fromWave && record) def.fromWave(*record, params_.data());
    }
    auto* layout = new QVBoxLayout(this);
    if (def.presets) BuildPresetRow(layout);
    form_ = def.build(layout, editor);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &OperationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (def.preview) {
        previewButton_ = buttons->addButton("Pre&view", QDialogButtonBox::ActionRole);
        previewButton_->setObjectName("preview");
        previewButton_->setCheckable(true);
        connect(previewButton_, &QPushButton::clicked, this, [this] { TogglePreview(); });
        // The end of the area ends the preview and releases the button.
        previewTimer_ = new QTimer(this);
        previewTimer_->setInterval(100);
        connect(previewTimer_, &QTimer::timeout, this, [this] {
            if (previewing_ && !def_.preview->playing()) StopPreview();
        });
    }
    layout->addWidget(buttons);
    if (form_.load) form_.load(params_.data());
    if (def.preview) {
        // A playing preview follows every control.
        for (auto* slider : findChildren<QAbstractSlider*>())
            connect(slider, &QAbstractSlider::valueChanged, this, [this] { ControlsChanged(); });
        for (auto* button : findChildren<QAbstractButton*>())
            if (button->isCheckable() && button != previewButton_)
                connect(button, &QAbstractButton::toggled, this, [this] { ControlsChanged(); });
        for (auto* field : findChildren<QLineEdit*>())
            connect(field, &QLineEdit::textChanged, this, [this] { ControlsChanged(); });
        for (auto* curve : findChildren<CurveEditor*>())
            connect(curve, &CurveEditor::changed, this, [this] { ControlsChanged(); });
    }
    // Closing the editor cancels the dialog: nothing runs on a freed wave.
    if (editor) connect(editor, &QObject::destroyed, this, &QDialog::reject);
}

void OperationDialog::BuildPresetRow(QVBoxLayout* layout) {
    const DialogPresets& presets = *def_.presets;
    const PresetKindInfo& kind = kPresetKinds[entry_.info.presetKind];
    std::vector<uint8_t> builtIns = presets.builtIns();
    PresetList list;
    BuildPresetList(gPresetsFolder, kind.kind, presets.recordSize, builtIns.data(),
                    uint32_t(builtIns.size() / presets.recordSize), list);
    presetRecords_ = list.records;
    auto* row = new QHBoxLayout;
    presetBox_ = new QComboBox(this);
    presetBox_->setObjectName("presetBox");
    presetBox_->setEditable(true);
    presetBox_->setMinimumContentsLength(24);
    for (uint32_t i = 0; i < list.count; ++i)
        presetBox_->addItem(QString::fromStdString(list.Name(i, presets.nameOffset)));
    presetBox_->setCurrentIndex(-1);
    connect(presetBox_, QOverload<int>::of(&QComboBox::activated), this,
            &OperationDialog::ChoosePreset);
    auto* load = new QPushButton("&Load...", this);
    load->setObjectName("loadPreset");
    auto* save = new QPushButton("&Save...", this);
    save->setObjectName("savePreset");
    connect(load, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getOpenFileName(
            this, "Open Preset:", QString::fromStdString(gPresetsFolder), kPresetFilter);
        if (!path.isEmpty()) LoadPresetFile(path);
    });
    connect(save, &QPushButton::clicked, this, [this] {
        QString path = QFileDialog::getSaveFileName(
            this, "Save Preset As:", QString::fromStdString(gPresetsFolder), kPresetFilter);
        if (!path.isEmpty()) SavePresetFile(path);
    });
    row->addWidget(presetBox_, 1);
    row->addWidget(load);
    row->addWidget(save);
    layout->addLayout(row);
}

void OperationDialog::ChoosePreset(int index) {
    const DialogPresets* presets = def_.presets;
    if (!presets || index < 0 || size_t(index + 1) * presets->recordSize > presetRecords_.size())
        return;
    std::vector<uint8_t> params = params_;
    if (!presets->fromRecord(presetRecords_.data() + size_t(index) * presets->recordSize,
                             params.data()))
        return;
    params_ = params;
    form_.load(params_.data());
}

bool OperationDialog::LoadPresetFile(const QString& path) {
    const DialogPresets* presets = def_.presets;
    if (!presets) return false;
    std::vector<uint8_t> params = params_;
    std::string name;
    if (presets->readFile(path.toStdString(), params.data(), &name) != 0) {
        // The dialog keeps its values.
        ReportMessage(this, kPresetErrorCaption,
                      presets->readErrorText
                          ? std::string(presets->readErrorText)
                          : PresetReadErrorText(kPresetKinds[entry_.info.presetKind].dialog));
        return false;
    }
    params_ = params;
    form_.load(params_.data());
    presetBox_->setEditText(QString::fromStdString(name));
    if (presets->loadFunction)
        RecordLine([&] { return PathLine(presets->loadFunction, path.toStdString()); });
    return true;
}

bool OperationDialog::SavePresetFile(const QString& path) {
    const DialogPresets* presets = def_.presets;
    if (!presets) return false;
    std::vector<uint8_t> params = params_;
    QString refusal = form_.store(params.data());
    if (!refusal.isEmpty()) {
        ReportRefusal(refusal);
        return false;
    }
    if (!entry_.validate(params.data())) return false;
    std::string name = presetBox_->currentText().left(int(kPresetNameBytes) - 1).toStdString();
    if (presets->writeFile(path.toStdString(), params.data(), name) != 0) {
        ReportMessage(this, kPresetErrorCaption,
                      presets->writeErrorText
                          ? std::string(presets->writeErrorText)
                          : PresetWriteErrorText(kPresetKinds[entry_.info.presetKind].dialog));
        return false;
    }
    return true;
}

void OperationDialog::ReportRefusal(const QString& text) {
    WaveRecord* record = editor_ ? editor_->Record() : nullptr;
    if (record)
        ReportMessage(*record, text.toStdString());
    else
        ReportMessage(this, def_.caption, text.toStdString());
}

bool OperationDialog::ReadControls(std::vector<uint8_t>& params, QString* refusal) {
    params = params_;
    *refusal = form_.store ? form_.store(params.data()) : QString();
    if (refusal->isEmpty() && !entry_.validate(params.data()))
        *refusal = QString("The values of %1 are not valid.").arg(def_.caption);
    return refusal->isEmpty();
}

void OperationDialog::ControlsChanged() {
    if (!def_.preview || !def_.preview->playing()) return;
    std::vector<uint8_t> params;
    QString refusal;
    ++gQuietReads;
    bool ok = ReadControls(params, &refusal);
    --gQuietReads;
    // Half-typed or refused values leave the preview as it was.
    if (ok) def_.preview->update(params.data());
}

bool OperationDialog::TogglePreview() {
    if (!def_.preview) return false;
    if (previewing_) {
        StopPreview();
        return false;
    }
    WaveRecord* record = editor_ ? editor_->Record() : nullptr;
    std::vector<uint8_t> params;
    QString refusal;
    if (record && ReadControls(params, &refusal))
        refusal = def_.preview->start(*record, params.data());
    if (!record || !refusal.isEmpty()) {
        previewButton_->setChecked(false);
        if (!refusal.isEmpty()) ReportRefusal(refusal);
        return false;
    }
    previewing_ = true;
    previewButton_->setChecked(true);
    previewTimer_->start();
    return true;
}

void OperationDialog::StopPreview() {
    if (!def_.preview) return;
    def_.preview->stop();
    previewing_ = false;
    previewTimer_->stop();
    previewButton_->setChecked(false);
}

void OperationDialog::done(int result) {
    // OK, Cancel and a closed editor stop the preview.
    StopPreview();
    QDialog::done(result);
}

void OperationDialog::accept() {
    StopPreview();
    WaveRecord* record = editor_ ? editor_->Record() : nullptr;
    if (!record) {
        reject();
        return;
    }
    std::vector<uint8_t> params = params_;
    QString refusal = form_.store ? form_.store(params.data()) : QString();
    if (!refusal.isEmpty()) {
        ReportRefusal(refusal);
        return;
    }
    if (!entry_.validate(params.data())) {
        ReportRefusal(QString("The values of %1 are not valid.").arg(def_.caption));
        return;
    }
    if (def_.check) {
        refusal = def_.check(*record, params.data());
        if (!refusal.isEmpty()) {
            ReportRefusal(refusal);
            return;
        }
    }
    params_ = params;
    // Kept for the next use of the dialog (and for its preset box name).
    if (entry_.paramsSize && entry_.current)
        std::memcpy(entry_.current(), params_.data(), entry_.paramsSize);
    int number = editor_->Number();
    result_ = entry_.run(*record, params_.data());
    if ((result_ == kEditDone || result_ == kEditAborted) && entry_.macroLine)
        RecordLine([&] { return entry_.macroLine(number, params_.data()); });
    QDialog::accept();
}

int RunOperationDialog(EditorWindow* editor, OperationId operation) {
    const DialogDef* def = FindDialogDef(operation);
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!def || !record) return -1;
    const OperationEntry& entry = Operation(operation);
    if (!WaveHasData(record)) {
        ReportEmptyEditor(*record);
        return -1;
    }
    int result = -1;
    OpenProcessDialog(record, entry.info.dialog, [&] {
        OperationDialog dialog(editor, entry, *def);
        if (dialog.exec() == QDialog::Accepted) result = dialog.Result();
    });
    return result;
}

void RunOperationCommand(EditorWindow* editor, int command) {
    const OperationEntry* entry = FindOperationByCommand(command);
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!entry || !record) return;
    OperationId id = entry->info.id;
    if (id == kOperationStereoToMono && WaveHasData(record) && !record->rightSamples)
        id = kOperationMonoToStereo;
    if (id == kOperationStatistics) {
        // A report: the guard, then the text in a message box.
        uint8_t none = 0;  // the report has no parameters
        OpenProcessDialog(record, entry->info.dialog, [&] { entry->run(*record, &none); });
        return;
    }
    RunOperationDialog(editor, id);
}

bool HasCommandDialog(int command) {
    const OperationEntry* entry = FindOperationByCommand(command);
    if (!entry) return false;
    return entry->info.id == kOperationStatistics || FindDialogDef(entry->info.id) != nullptr;
}

// A group of exclusive choices; the buttons' ids are the values.
QButtonGroup* AddChoices(QVBoxLayout* body, const QString& title, const char* name,
                         std::initializer_list<std::pair<int, const char*>> choices) {
    auto* box = new QGroupBox(title);
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    group->setObjectName(name);
    for (const auto& [id, text] : choices) {
        auto* button = new QRadioButton(text);
        button->setObjectName(QString("%1%2").arg(name).arg(id));
        group->addButton(button, id);
        column->addWidget(button);
    }
    body->addWidget(box);
    return group;
}
void Choose(QButtonGroup* group, int id, int fallback) {
    QAbstractButton* button = group->button(id);
    if (!button) button = group->button(fallback);
    if (button) button->setChecked(true);
}

QLineEdit* AddNumberField(QFormLayout* form, const char* name, const QString& label) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    form->addRow(label, field);
    return field;
}

void SetNumber(QLineEdit* field, const char* format, double value) {
    field->setText(QString::asprintf(format, value));
}

bool ReadNumber(QLineEdit* field, double lo, double hi, const QString& what, double& value,
                QString& refusal, bool emptyAllowed, double empty) {
    QString text = field->text().trimmed();
    if (text.isEmpty() && emptyAllowed) {
        value = empty;
        return true;
    }
    bool ok = false;
    double v = QLocale::c().toDouble(text, &ok);
    if (!ok) v = QLocale().toDouble(text, &ok);
    if (ok && std::isfinite(v) && v >= lo && v <= hi) {
        value = v;
        return true;
    }
    refusal =
        QString("%1 must be between %2 and %3").arg(what).arg(lo, 0, 'g', 10).arg(hi, 0, 'g', 10);
    if (gQuietReads == 0) {
        field->setFocus();
        field->selectAll();
    }
    return false;
}

}  // namespace ob
