// The dialogs of the dynamics and delay effects: Compressor, Noise Gate,
// Echo, Flange, Chorus and Reverb. Each is a column of number fields with the
// effect's dialog ranges, plus its presets (whole-number preset records,
// dsp/effect_preset.h).
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/effect_preset_binding.h"
#include "app/operation_dialog.h"
#include "audio/effect_preview.h"
#include "audio/player.h"
#include "dsp/delay.h"
#include "dsp/dynamics.h"

namespace ob {

namespace {

// One number field bound to one member of the parameter struct.
struct FieldDef {
    const char* name;    // object name
    const char* label;   // with its mnemonic
    const char* format;  // the shown value
    double low, high;    // the dialog's range
    double (*get)(const void* params);
    void (*set)(void* params, double value);
};
#define OB_FIELD(P, member)                                                   \
    [](const void* p) { return double(static_cast<const P*>(p)->member); },   \
        [](void* p, double v) {                                               \
            static_cast<P*>(p)->member = static_cast<decltype(P::member)>(v); \
        }

template <const FieldDef* Fields, size_t N>
DialogForm FieldsForm(QVBoxLayout* body, EditorWindow*) {
    auto* rows = new QFormLayout;
    std::vector<QLineEdit*> edits;
    for (size_t i = 0; i < N; ++i)
        edits.push_back(AddNumberField(rows, Fields[i].name, Fields[i].label));
    body->addLayout(rows);
    DialogForm form;
    form.load = [edits](const void* params) {
        for (size_t i = 0; i < N; ++i) SetNumber(edits[i], Fields[i].format, Fields[i].get(params));
    };
    form.store = [edits](void* params) {
        double values[N];
        QString refusal;
        for (size_t i = 0; i < N; ++i) {
            QString what = QString(Fields[i].label).remove('&').remove(':');
            if (!ReadNumber(edits[i], Fields[i].low, Fields[i].high, what, values[i], refusal))
                return refusal;
        }
        for (size_t i = 0; i < N; ++i) Fields[i].set(params, values[i]);
        return QString();
    };
    return form;
}

// Adds a check box bound to a bool member to a form.
template <class P, bool P::*Member>
DialogForm WithCheckBox(QVBoxLayout* body, DialogForm form, const char* name, const char* text) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    body->addWidget(box);
    auto load = form.load;
    auto store = form.store;
    form.load = [load, box](const void* params) {
        load(params);
        box->setChecked(static_cast<const P*>(params)->*Member);
    };
    form.store = [store, box](void* params) {
        QString refusal = store(params);
        if (refusal.isEmpty()) static_cast<P*>(params)->*Member = box->isChecked();
        return refusal;
    };
    return form;
}

// ---- Compressor and Noise Gate ----
constexpr FieldDef kCompressorFields[] = {
    {"threshold", "&Threshold (dB):", "%.1f", -60, 0, OB_FIELD(CompressorParams, threshold)},
    {"ratio", "&Ratio:", "%.2f", 0.2, 10, OB_FIELD(CompressorParams, ratio)},
    {"attack", "&Attack Time (mSec):", "%.2f", 0.01, 20, OB_FIELD(CompressorParams, attackMs)},
    {"release", "R&elease Time (Sec):", "%.2f", 0.01, 2, OB_FIELD(CompressorParams, releaseS)},
    {"detection", "&Detection (mSec):", "%.0f", 1, 50, OB_FIELD(CompressorParams, detectionMs)},
};
constexpr FieldDef kNoiseGateFields[] = {
    {"threshold", "&Threshold (dB):", "%.1f", -90, -10, OB_FIELD(NoiseGateParams, threshold)},
    {"attack", "&Attack Time (mSec):", "%.2f", 0.01, 20, OB_FIELD(NoiseGateParams, attackMs)},
    {"release", "R&elease Time (Sec):", "%.2f", 0.01, 2, OB_FIELD(NoiseGateParams, releaseS)},
    {"detection", "&Detection (mSec):", "%.0f", 1, 50, OB_FIELD(NoiseGateParams, detectionMs)},
};

// ---- Echo, Flange, Chorus, Reverb ----
constexpr FieldDef kEchoFields[] = {
    {"delay", "&Delay Time (Sec):", "%.3f", 0.01, 10, OB_FIELD(EchoParams, delayS)},
    {"feedback", "&Feedback (%):", "%.1f", 0, 99, OB_FIELD(EchoParams, feedback)},
    {"loudness", "L&oudness (%):", "%.1f", 1, 100, OB_FIELD(EchoParams, loudness)},
};
constexpr FieldDef kFlangeFields[] = {
    {"delay", "&Delay Time (mSec):", "%.1f", 1, 10, OB_FIELD(FlangeParams, delayMs)},
    {"feedback", "&Feedback (%):", "%.1f", 0, 99, OB_FIELD(FlangeParams, feedback)},
    {"loudness", "L&oudness (%):", "%.1f", 1, 100, OB_FIELD(FlangeParams, loudness)},
    {"speed", "S&weep Speed (Sec):", "%.3f", 0.1, 50, OB_FIELD(FlangeParams, speedS)},
    {"depth", "Sweep D&epth (%):", "%.1f", 1, 99, OB_FIELD(FlangeParams, depth)},
};
constexpr FieldDef kChorusFields[] = {
    {"delay", "&Delay Time (mSec):", "%.1f", 10, 60, OB_FIELD(FlangeParams, delayMs)},
    {"feedback", "&Feedback (%):", "%.1f", 0, 99, OB_FIELD(FlangeParams, feedback)},
    {"loudness", "L&oudness (%):", "%.1f", 1, 100, OB_FIELD(FlangeParams, loudness)},
    {"speed", "S&weep Speed (Sec):", "%.3f", 0.1, 50, OB_FIELD(FlangeParams, speedS)},
    {"depth", "Sweep D&epth (%):", "%.1f", 1, 99, OB_FIELD(FlangeParams, depth)},
};
constexpr FieldDef kReverbFields[] = {
    {"decay", "&Decay Time (Sec):", "%.2f", 0.2, 20, OB_FIELD(ReverbParams, decayS)},
    {"preDelay", "Pre-dela&y (mSec):", "%.1f", 0, 200, OB_FIELD(ReverbParams, preDelayMs)},
    {"damping", "H&F Damping:", "%.1f", 0, 20, OB_FIELD(ReverbParams, damping)},
    {"loudness", "L&oudness (%):", "%.1f", 1, 100, OB_FIELD(ReverbParams, loudness)},
    {"diffusion", "D&iffusion:", "%.1f", 0, 20, OB_FIELD(ReverbParams, diffusion)},
};
#undef OB_FIELD

template <size_t N>
constexpr size_t Count(const FieldDef (&)[N]) {
    return N;
}

DialogForm FlangeForm(QVBoxLayout* body, EditorWindow* editor) {
    DialogForm form = FieldsForm<kFlangeFields, Count(kFlangeFields)>(body, editor);
    return WithCheckBox<FlangeParams, &FlangeParams::invert>(body, form, "invert", "&Invert");
}

DialogForm ReverbForm(QVBoxLayout* body, EditorWindow* editor) {
    DialogForm form = FieldsForm<kReverbFields, Count(kReverbFields)>(body, editor);
    auto* box = new QGroupBox("Enclosure");
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    group->setObjectName("enclosure");
    const char* texts[3] = {"H&all", "&Room", "Sprin&g"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(texts[i]);
        button->setObjectName(QString("enclosure%1").arg(i));
        group->addButton(button, i);
        column->addWidget(button);
    }
    body->addWidget(box);
    auto load = form.load;
    auto store = form.store;
    form.load = [load, group](const void* params) {
        load(params);
        int32_t e = static_cast<const ReverbParams*>(params)->enclosure;
        group->button(e < 0 ? 0 : (e > 2 ? 2 : e))->setChecked(true);
    };
    form.store = [store, group](void* params) {
        QString refusal = store(params);
        if (refusal.isEmpty())
            static_cast<ReverbParams*>(params)->enclosure =
                group->checkedId() < 0 ? kReverbHall : group->checkedId();
        return refusal;
    };
    return form;
}

const DialogPresets kCompressorPresets =
    EffectPresets<CompressorParams, kCompressorPreset, CompressorToFields,
                  CompressorFromFields>::Binding();
const DialogPresets kNoiseGatePresets =
    EffectPresets<NoiseGateParams, kNoiseGatePreset, NoiseGateToFields,
                  NoiseGateFromFields>::Binding();
const DialogPresets kEchoPresets =
    EffectPresets<EchoParams, kEchoPreset, EchoToFields, EchoFromFields>::Binding();
const DialogPresets kFlangePresets =
    EffectPresets<FlangeParams, kFlangePreset, FlangeToFields, FlangeFromFields>::Binding();
const DialogPresets kChorusPresets =
    EffectPresets<FlangeParams, kChorusPreset, ChorusToFields, ChorusFromFields>::Binding();
const DialogPresets kReverbPresets =
    EffectPresets<ReverbParams, kReverbPreset, ReverbToFields, ReverbFromFields>::Binding();

// ---- Preview ----
// The settings of the playing preview; null when none plays.
std::shared_ptr<EffectPreviewControl> gEffectPreview;

bool EffectPreviewPlaying() {
    return gEffectPreview && PlayerOpen() && PlayedEditor() == 0 && PlaybackRunning();
}
void StopEffectPreview() {
    if (!gEffectPreview) return;
    if (PlayerOpen() && PlayedEditor() == 0) StopPlay();
    gEffectPreview.reset();
}

template <OperationId Op>
QString StartEffectPreview(WaveRecord& record, const void* params) {
    StopEffectPreview();
    EffectSettings settings;
    if (!EffectSettingsFrom(Op, params, &settings)) return PlayResultText(kPlayBadRange);
    auto control = std::make_shared<EffectPreviewControl>(record);
    // The operation's own refusals ("Parameter Can't Be 0 or 100%", ...).
    if (const char* refusal = control->Set(settings)) return refusal;
    int result = PlayEffectPreview(record, control);
    if (result != kPlayOk) {
        if (PlayerOpen() && PlayedEditor() == 0) StopPlay();
        return PlayResultText(result > 0 ? result : kPlayBadRange);
    }
    gEffectPreview = control;
    return QString();
}

template <OperationId Op>
void UpdateEffectPreview(const void* params) {
    // Settings the effect refuses leave the preview playing what it plays.
    EffectSettings settings;
    if (gEffectPreview && EffectSettingsFrom(Op, params, &settings)) gEffectPreview->Set(settings);
}

template <OperationId Op>
constexpr DialogPreview kEffectPreview = {StartEffectPreview<Op>, UpdateEffectPreview<Op>,
                                          EffectPreviewPlaying, StopEffectPreview};

}  // namespace

extern const DialogDef kEffectDialogs[] = {
    {kOperationCompressor, "Compressor", FieldsForm<kCompressorFields, Count(kCompressorFields)>,
     &kCompressorPresets, nullptr, &kEffectPreview<kOperationCompressor>},
    {kOperationNoiseGate, "Noise Gate", FieldsForm<kNoiseGateFields, Count(kNoiseGateFields)>,
     &kNoiseGatePresets, nullptr, &kEffectPreview<kOperationNoiseGate>},
    {kOperationEcho, "Echo", FieldsForm<kEchoFields, Count(kEchoFields)>, &kEchoPresets, nullptr,
     &kEffectPreview<kOperationEcho>},
    {kOperationFlange, "Flange", FlangeForm, &kFlangePresets, nullptr,
     &kEffectPreview<kOperationFlange>},
    {kOperationChorus, "Chorus", FieldsForm<kChorusFields, Count(kChorusFields)>, &kChorusPresets,
     nullptr, &kEffectPreview<kOperationChorus>},
    {kOperationReverb, "Reverb", ReverbForm, &kReverbPresets, nullptr,
     &kEffectPreview<kOperationReverb>},
};
extern const size_t kEffectDialogCount = sizeof kEffectDialogs / sizeof kEffectDialogs[0];

}  // namespace ob
