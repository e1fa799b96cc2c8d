// The equalization dialogs: Bass and Treble, Filters, GraFreq, Parametric and
// the Vari-Time Filter (forms of the shared operation dialog), with their
// presets and, for the first four, the preview that plays the affect area
// through the filters (audio/eq_preview.h) while the dialog stays open.
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <memory>

#include "app/effect_preset_binding.h"
#include "app/operation_dialog.h"
#include "audio/eq_preview.h"
#include "audio/player.h"
#include "dsp/equalization.h"

namespace ob {

namespace {

constexpr int kLowestHz = 5;
constexpr int kHighestHz = 32767;

// ---- Controls shared by the forms ----

// A gain slider in tenths of a dB, -20 to +20 dB (page 1 dB, ticks every
// 5 dB), with its readout "%.1f dB".
struct GainControl {
    QSlider* slider;
    QLabel* readout;
    void Load(double dB) const {
        long position = std::isfinite(dB) ? std::lround(dB * 10.0) : 0;
        slider->setValue(int(std::clamp<long>(position, -200, 200)));
        Show();
    }
    double Value() const { return slider->value() / 10.0; }
    void Show() const { readout->setText(QString::asprintf("%.1f dB", Value())); }
};
GainControl AddGain(QFormLayout* rows, const QString& name, const QString& label) {
    auto* line = new QHBoxLayout;
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(-200, 200);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    slider->setTickInterval(50);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setMinimumWidth(200);
    auto* readout = new QLabel;
    readout->setObjectName(name + "Readout");
    readout->setMinimumWidth(60);
    line->addWidget(slider, 1);
    line->addWidget(readout);
    rows->addRow(label, line);
    GainControl control{slider, readout};
    QObject::connect(slider, &QSlider::valueChanged, readout, [control] { control.Show(); });
    return control;
}

// A width slider in hundredths of an octave, 0.10 to 3.00, with its readout
// "Octaves: %.2f".
struct WidthControl {
    QSlider* slider;
    QLabel* readout;
    void Load(double octaves) const {
        long position = std::isfinite(octaves) ? std::lround(octaves * 100.0) : 100;
        slider->setValue(int(std::clamp<long>(position, 10, 300)));
        Show();
    }
    double Value() const { return slider->value() / 100.0; }
    void Show() const { readout->setText(QString::asprintf("Octaves: %.2f", Value())); }
};
WidthControl AddWidth(QFormLayout* rows, const QString& name) {
    auto* line = new QHBoxLayout;
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(10, 300);
    slider->setSingleStep(1);
    slider->setPageStep(10);
    slider->setTickInterval(50);
    slider->setTickPosition(QSlider::TicksBelow);
    auto* readout = new QLabel;
    readout->setObjectName(name + "Readout");
    readout->setMinimumWidth(90);
    line->addWidget(slider, 1);
    line->addWidget(readout);
    rows->addRow("Width:", line);
    WidthControl control{slider, readout};
    QObject::connect(slider, &QSlider::valueChanged, readout, [control] { control.Show(); });
    return control;
}

// A frequency field: whole hertz up to 32767; smaller entries become 5.
QLineEdit* AddHz(QFormLayout* rows, const QString& name, const QString& label) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    rows->addRow(label, field);
    return field;
}
void LoadHz(QLineEdit* field, int32_t hz) {
    field->setText(QString::number(hz));
}
bool ReadHz(QLineEdit* field, const QString& what, int32_t& hz, QString& refusal) {
    double value = 0;
    if (!ReadNumber(field, -1e9, kHighestHz, what, value, refusal)) {
        refusal = QString("%1 must be between %2 and %3").arg(what).arg(kLowestHz).arg(kHighestHz);
        return false;
    }
    hz = std::max(kLowestHz, int32_t(value));  // truncated toward zero
    return true;
}

QCheckBox* AddCheck(QVBoxLayout* body, const char* name, const char* text) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    body->addWidget(box);
    return box;
}

// ---- Bass and Treble ----
DialogForm BassTrebleForm(QVBoxLayout* body, EditorWindow*) {
    QCheckBox* useBass = AddCheck(body, "useBass", "Use &Bass");
    auto* bassRows = new QFormLayout;
    GainControl bassGain = AddGain(bassRows, "bassGain", "Bass gain:");
    QLineEdit* bassHz = AddHz(bassRows, "bassHz", "Bass frequency (Hz):");
    body->addLayout(bassRows);
    QCheckBox* useTreble = AddCheck(body, "useTreble", "Use &Treble");
    auto* trebleRows = new QFormLayout;
    GainControl trebleGain = AddGain(trebleRows, "trebleGain", "Treble gain:");
    QLineEdit* trebleHz = AddHz(trebleRows, "trebleHz", "Treble frequency (Hz):");
    body->addLayout(trebleRows);
    DialogForm form;
    form.load = [=](const void* params) {
        const auto& p = *static_cast<const BassTrebleParams*>(params);
        useBass->setChecked(p.use & kUseBass);
        useTreble->setChecked(p.use & kUseTreble);
        bassGain.Load(p.bassDb);
        trebleGain.Load(p.trebleDb);
        LoadHz(bassHz, p.bassHz);
        LoadHz(trebleHz, p.trebleHz);
    };
    form.store = [=](void* params) {
        auto& p = *static_cast<BassTrebleParams*>(params);
        if (!useBass->isChecked() && !useTreble->isChecked())
            return QString("Neither Bass nor Treble is selected");
        QString refusal;
        int32_t bass = 0, treble = 0;
        if (!ReadHz(bassHz, "Bass Frequency", bass, refusal) ||
            !ReadHz(trebleHz, "Treble Frequency", treble, refusal))
            return refusal;
        p.use = (useBass->isChecked() ? kUseBass : 0) | (useTreble->isChecked() ? kUseTreble : 0);
        p.bassHz = bass;
        p.bassDb = bassGain.Value();
        p.trebleHz = treble;
        p.trebleDb = trebleGain.Value();
        return QString();
    };
    return form;
}

// ---- Filters ----
QButtonGroup* AddOrders(QVBoxLayout* body, const char* name, const char* const texts[3]) {
    auto* group = new QButtonGroup(body);
    group->setObjectName(name);
    const int orders[3] = {1, 2, 5};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(texts[i]);
        button->setObjectName(QString("%1%2").arg(name).arg(orders[i]));
        group->addButton(button, orders[i]);
        body->addWidget(button);
    }
    return group;
}
void LoadOrder(QButtonGroup* group, int order) {
    QAbstractButton* button = group->button(order);
    if (!button) button = group->button(2);
    button->setChecked(true);
}

DialogForm FiltersForm(QVBoxLayout* body, EditorWindow*) {
    static const char* const kHighTexts[3] = {
        "1st Order,     6 dB/Octave", "2nd Order,   12 dB/Octave", "5th Order,    30 dB/Octave"};
    static const char* const kLowTexts[3] = {
        "1st Order,     -6 dB/Octave", "2nd Order,   -12 dB/Octave", "5th Order,    -30 dB/Octave"};
    QCheckBox* useHigh = AddCheck(body, "useHighPass", "Use &High Pass");
    auto* highBox = new QGroupBox;
    auto* highColumn = new QVBoxLayout(highBox);
    QButtonGroup* highOrder = AddOrders(highColumn, "highOrder", kHighTexts);
    auto* highRows = new QFormLayout;
    QLineEdit* highHz = AddHz(highRows, "highHz", "Frequency (Hz):");
    highColumn->addLayout(highRows);
    body->addWidget(highBox);
    QCheckBox* useLow = AddCheck(body, "useLowPass", "&Use Low Pass");
    auto* lowBox = new QGroupBox;
    auto* lowColumn = new QVBoxLayout(lowBox);
    QButtonGroup* lowOrder = AddOrders(lowColumn, "lowOrder", kLowTexts);
    auto* lowRows = new QFormLayout;
    QLineEdit* lowHz = AddHz(lowRows, "lowHz", "Frequency (Hz):");
    lowColumn->addLayout(lowRows);
    body->addWidget(lowBox);
    DialogForm form;
    form.load = [=](const void* params) {
        const auto& p = *static_cast<const FiltersParams*>(params);
        useHigh->setChecked(p.use & kUseHighPass);
        useLow->setChecked(p.use & kUseLowPass);
        LoadOrder(highOrder, p.highOrder);
        LoadOrder(lowOrder, p.lowOrder);
        LoadHz(highHz, p.highHz);
        LoadHz(lowHz, p.lowHz);
    };
    form.store = [=](void* params) {
        auto& p = *static_cast<FiltersParams*>(params);
        if (!useHigh->isChecked() && !useLow->isChecked())
            return QString("Neither High Pass\nnor Low Pass\nis selected");
        QString refusal;
        int32_t high = 0, low = 0;
        if (!ReadHz(highHz, "High Pass Frequency", high, refusal) ||
            !ReadHz(lowHz, "Low Pass Frequency", low, refusal))
            return refusal;
        p.use = (useHigh->isChecked() ? kUseHighPass : 0) | (useLow->isChecked() ? kUseLowPass : 0);
        p.highOrder = highOrder->checkedId() < 0 ? 2 : highOrder->checkedId();
        p.highHz = high;
        p.lowOrder = lowOrder->checkedId() < 0 ? 2 : lowOrder->checkedId();
        p.lowHz = low;
        return QString();
    };
    return form;
}

// ---- GraFreq ----
DialogForm GraFreqForm(QVBoxLayout* body, EditorWindow*) {
    std::vector<GainControl> gains;
    std::vector<QLineEdit*> fields;
    for (int band = 0; band < kGraFreqBands; ++band) {
        const QChar letter('A' + band);
        auto* box = new QGroupBox(QString("Band %1").arg(letter));
        auto* rows = new QFormLayout(box);
        fields.push_back(
            AddHz(rows, QString("hz%1").arg(letter), QString("&%1: Frequency").arg(letter)));
        gains.push_back(AddGain(rows, QString("gain%1").arg(letter), "Gain:"));
        body->addWidget(box);
    }
    DialogForm form;
    form.load = [=](const void* params) {
        const auto& p = *static_cast<const GraFreqParams*>(params);
        for (int band = 0; band < kGraFreqBands; ++band) {
            gains[band].Load(p.db[band]);
            LoadHz(fields[band], p.hz[band]);
        }
    };
    form.store = [=](void* params) {
        auto& p = *static_cast<GraFreqParams*>(params);
        int32_t hz[kGraFreqBands];
        QString refusal;
        for (int band = 0; band < kGraFreqBands; ++band)
            if (!ReadHz(fields[band], QString("Band %1 Frequency").arg(QChar('A' + band)), hz[band],
                        refusal))
                return refusal;
        for (int band = 0; band < kGraFreqBands; ++band) {
            p.hz[band] = hz[band];
            p.db[band] = gains[band].Value();
        }
        return QString();
    };
    return form;
}

// ---- Parametric ----
struct BandControls {
    QCheckBox* use;
    GainControl gain;
    QLineEdit* hz;
    WidthControl width;
};
BandControls AddBand(QVBoxLayout* body, char letter) {
    BandControls band;
    band.use = AddCheck(body, letter == 'A' ? "useA" : "useB", letter == 'A' ? "Use &A" : "Use &B");
    auto* box = new QGroupBox;
    auto* rows = new QFormLayout(box);
    band.gain = AddGain(rows, QString("gain%1").arg(letter), "Gain:");
    band.hz = AddHz(rows, QString("hz%1").arg(letter), "Frequency (Hz):");
    band.width = AddWidth(rows, QString("width%1").arg(letter));
    body->addWidget(box);
    return band;
}

DialogForm ParametricForm(QVBoxLayout* body, EditorWindow*) {
    BandControls a = AddBand(body, 'A');
    BandControls b = AddBand(body, 'B');
    DialogForm form;
    form.load = [=](const void* params) {
        const auto& p = *static_cast<const ParametricParams*>(params);
        a.use->setChecked(p.use & kUseBandA);
        b.use->setChecked(p.use & kUseBandB);
        const ParametricBand* bands[2] = {&p.a, &p.b};
        const BandControls* controls[2] = {&a, &b};
        for (int i = 0; i < 2; ++i) {
            controls[i]->gain.Load(bands[i]->db);
            LoadHz(controls[i]->hz, bands[i]->hz);
            controls[i]->width.Load(bands[i]->octaves);
        }
    };
    form.store = [=](void* params) {
        auto& p = *static_cast<ParametricParams*>(params);
        if (!a.use->isChecked() && !b.use->isChecked())
            return QString("Neither Band A nor B is selected");
        QString refusal;
        int32_t hzA = 0, hzB = 0;
        if (!ReadHz(a.hz, "Band A Frequency", hzA, refusal) ||
            !ReadHz(b.hz, "Band B Frequency", hzB, refusal))
            return refusal;
        p.use = (a.use->isChecked() ? kUseBandA : 0) | (b.use->isChecked() ? kUseBandB : 0);
        p.a = {hzA, a.gain.Value(), a.width.Value()};
        p.b = {hzB, b.gain.Value(), b.width.Value()};
        return QString();
    };
    return form;
}

// ---- Vari-Time Filter ----
DialogForm VariTimeForm(QVBoxLayout* body, EditorWindow*) {
    auto* group = new QButtonGroup(body);
    group->setObjectName("kind");
    auto* high = new QRadioButton("&High Pass (filter bass)");
    high->setObjectName("kind1");
    auto* low = new QRadioButton("&Low Pass (filter treble)");
    low->setObjectName("kind2");
    group->addButton(high, kVariTimeHighPass);
    group->addButton(low, kVariTimeLowPass);
    body->addWidget(high);
    body->addWidget(low);
    auto* rows = new QFormLayout;
    QLineEdit* startHz = AddHz(rows, "startHz", "Start &Frequency (Hz):");
    QLineEdit* endHz = AddHz(rows, "endHz", "&End Frequency (Hz):");
    body->addLayout(rows);
    DialogForm form;
    form.load = [=](const void* params) {
        const auto& p = *static_cast<const VariTimeParams*>(params);
        (p.kind == kVariTimeHighPass ? high : low)->setChecked(true);
        LoadHz(startHz, p.startHz);
        LoadHz(endHz, p.endHz);
    };
    form.store = [=](void* params) {
        auto& p = *static_cast<VariTimeParams*>(params);
        QString refusal;
        int32_t start = 0, end = 0;
        if (!ReadHz(startHz, "Start Frequency", start, refusal) ||
            !ReadHz(endHz, "End Frequency", end, refusal))
            return refusal;
        p.kind = high->isChecked() ? kVariTimeHighPass : kVariTimeLowPass;
        p.startHz = start;
        p.endHz = end;
        return QString();
    };
    return form;
}

// ---- Presets ----
const DialogPresets kBassTreblePresets =
    EffectPresets<BassTrebleParams, kBassTreblePreset, BassTrebleToFields,
                  BassTrebleFromFields>::Binding();
const DialogPresets kGraFreqPresets =
    EffectPresets<GraFreqParams, kGraFreqPreset, GraFreqToFields, GraFreqFromFields>::Binding();
const DialogPresets kParametricPresets =
    EffectPresets<ParametricParams, kParametricPreset, ParametricToFields,
                  ParametricFromFields>::Binding();

// Filters: an order other than 1, 2 or 5 makes the record unusable.
using FiltersBase =
    EffectPresets<FiltersParams, kFiltersPreset, FiltersToFields, FiltersFromFields>;
bool FiltersFromRecord(const uint8_t* record, void* params) {
    FiltersParams p;
    if (!FiltersBase::FromRecord(record, &p)) return false;
    auto valid = [](int order) { return order == 1 || order == 2 || order == 5; };
    if (!valid(p.highOrder) || !valid(p.lowOrder)) return false;
    *static_cast<FiltersParams*>(params) = p;
    return true;
}
int ReadFilters(const std::string& path, void* params, std::string* name) {
    return ReadFiltersPreset(path, static_cast<FiltersParams*>(params), name);
}
DialogPresets FiltersBinding() {
    DialogPresets binding = FiltersBase::Binding();
    binding.fromRecord = FiltersFromRecord;
    binding.readFile = ReadFilters;
    return binding;
}
const DialogPresets kFiltersPresets = FiltersBinding();

// The Vari-Time Filter's failures have their own texts.
DialogPresets VariTimeBinding() {
    DialogPresets binding = EffectPresets<VariTimeParams, kVariTimePreset, VariTimeToFields,
                                          VariTimeFromFields>::Binding();
    binding.readErrorText = "Error Reading Vari-Time Filters Preset File";
    binding.writeErrorText = "Error Writing EQ: Vari-Time Filters Preset File";
    return binding;
}
const DialogPresets kVariTimePresets = VariTimeBinding();

// ---- Preview ----
// The settings of the playing preview; null when none plays.
std::shared_ptr<EqPreviewControl> gPreview;

bool PreviewPlaying() {
    return gPreview && PlayerOpen() && PlayedEditor() == 0 && PlaybackRunning();
}
void StopPreview() {
    if (!gPreview) return;
    if (PlayerOpen() && PlayedEditor() == 0) StopPlay();
    gPreview.reset();
}

template <EqPreviewFunction F>
EqPreviewSettings PreviewSettings(const void* params) {
    EqPreviewSettings s;
    s.function = F;
    if constexpr (F == kEqPreviewBassTreble)
        s.bassTreble = *static_cast<const BassTrebleParams*>(params);
    else if constexpr (F == kEqPreviewFilters)
        s.filters = *static_cast<const FiltersParams*>(params);
    else if constexpr (F == kEqPreviewGraFreq)
        s.graFreq = *static_cast<const GraFreqParams*>(params);
    else
        s.parametric = *static_cast<const ParametricParams*>(params);
    return s;
}

template <EqPreviewFunction F>
QString StartPreview(WaveRecord& record, const void* params) {
    StopPreview();
    EqPreviewSettings s = PreviewSettings<F>(params);
    if (!EqPreviewAvailable(s)) return kEqPreviewOrderFiveText;
    auto control = std::make_shared<EqPreviewControl>(s);
    int result = PlayEqPreview(record, control);
    if (result == kEqPreviewNothing) return PlayResultText(kPlayBadRange);
    if (result != kPlayOk) {
        StopPlay();
        return PlayResultText(result);
    }
    gPreview = control;
    return QString();
}

template <EqPreviewFunction F>
void UpdatePreview(const void* params) {
    EqPreviewSettings s = PreviewSettings<F>(params);
    // An order-5 side chosen while it plays keeps the last settings it could play.
    if (gPreview && EqPreviewAvailable(s)) gPreview->Set(s);
}

template <EqPreviewFunction F>
constexpr DialogPreview kPreview = {StartPreview<F>, UpdatePreview<F>, PreviewPlaying, StopPreview};

}  // namespace

extern const DialogDef kEqDialogs[] = {
    {kOperationBassTreble, "EQ: Bass and Treble", BassTrebleForm, &kBassTreblePresets, nullptr,
     &kPreview<kEqPreviewBassTreble>},
    {kOperationFilters, "EQ: Filters", FiltersForm, &kFiltersPresets, nullptr,
     &kPreview<kEqPreviewFilters>},
    {kOperationGraFreq, "EQ: GraFreq", GraFreqForm, &kGraFreqPresets, nullptr,
     &kPreview<kEqPreviewGraFreq>},
    {kOperationParametric, "EQ: Parametric", ParametricForm, &kParametricPresets, nullptr,
     &kPreview<kEqPreviewParametric>},
    {kOperationVariTime, "Vari-Time Filter", VariTimeForm, &kVariTimePresets, nullptr, nullptr},
};
extern const size_t kEqDialogCount = sizeof kEqDialogs / sizeof kEqDialogs[0];

}  // namespace ob
