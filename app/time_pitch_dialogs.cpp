// The dialogs of time and pitch: Sample Rate Transpose (a rate in Hz, a
// period in nanoseconds or a quick pitch in cents, with its "SRTR" presets),
// Time Stretch and Pitch Shift (a slider with its readouts and the two engine
// choices). Forms of the shared operation dialog (app/operation_dialog.h).
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>
#include <cmath>
#include <cstring>

#include "app/editor_window.h"
#include "app/operation_dialog.h"
#include "dsp/preset_file.h"
#include "dsp/time_stretch.h"
#include "dsp/transpose.h"
#include "wave/file_result.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

QButtonGroup* AddRadioGroup(QVBoxLayout* body, const QString& title, const char* name,
                            std::initializer_list<const char*> texts) {
    auto* box = new QGroupBox(title);
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    group->setObjectName(name);
    int id = 0;
    for (const char* text : texts) {
        auto* button = new QRadioButton(text);
        button->setObjectName(QString("%1%2").arg(name).arg(id));
        group->addButton(button, id++);
        column->addWidget(button);
    }
    body->addWidget(box);
    return group;
}

void Check(QButtonGroup* group, int id) {
    if (QAbstractButton* button = group->button(id))
        button->setChecked(true);
    else if (QAbstractButton* first = group->button(0))
        first->setChecked(true);
}

QCheckBox* AddCheckBox(QVBoxLayout* body, const char* name, const char* text) {
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    body->addWidget(box);
    return box;
}

uint32_t RateOf(EditorWindow* editor) {
    WaveRecord* record = editor ? editor->Record() : nullptr;
    return record ? record->sampleRate : 0;
}

// ---- Sample Rate Transpose ----

DialogForm TransposeForm(QVBoxLayout* body, EditorWindow* editor) {
    const uint32_t rate = RateOf(editor);
    auto* present = new QLabel;
    present->setObjectName("presentRate");
    body->addWidget(present);
    auto* rows = new QFormLayout;
    auto* value = new QSpinBox;
    value->setObjectName("value");
    value->setRange(INT_MIN, INT_MAX);
    value->setAccelerated(true);
    rows->addRow("&New Rate, Period or Pitch Shift:", value);
    body->addLayout(rows);
    QButtonGroup* methods = AddRadioGroup(body, "Transpose Type", "method",
                                          {"&Linear Interpolation", "&Resample",
                                           "Rate &Only, Not Data", "&Quick Pitch ( in cents )"});
    QButtonGroup* units =
        AddRadioGroup(body, "Units", "units", {"Sample Rate in &Hertz", "&Period in nanoSeconds"});
    QCheckBox* adjust = AddCheckBox(body, "adjust", "&Adjust Loops and Markers");
    QCheckBox* preFilter = AddCheckBox(body, "preFilter", "Pre-&Filter");

    auto showPresent = [present, units, rate] {
        if (units->checkedId() == kTransposePeriod)
            present->setText(QString("Present Period: %1 nSec").arg(TransposePeriod(rate)));
        else
            present->setText(QString("Present Rate: %1 Hz").arg(rate));
    };
    QObject::connect(units, &QButtonGroup::idToggled, present, [showPresent](int, bool on) {
        if (on) showPresent();
    });
    // A click on the other unit turns the rate or period shown into the other
    // one, so the value keeps meaning the same new rate.
    QObject::connect(units, &QButtonGroup::idClicked, value, [value, methods](int) {
        if (methods->checkedId() != kTransposeQuickPitch && value->value() > 0)
            value->setValue(int(TransposePeriod(uint32_t(value->value()))));
    });
    DialogForm form;
    form.load = [=](const void* params) {
        const auto* s = static_cast<const TransposeSettings*>(params);
        value->setValue(s->value);
        Check(methods, s->method);
        Check(units, s->units);
        adjust->setChecked(s->options & kTransposeAdjust);
        preFilter->setChecked(s->options & kTransposePreFilter);
        showPresent();
    };
    form.store = [=](void* params) {
        auto* s = static_cast<TransposeSettings*>(params);
        s->value = value->value();
        s->method = methods->checkedId() < 0 ? kTransposeLinear : methods->checkedId();
        s->units = units->checkedId() < 0 ? kTransposeHertz : units->checkedId();
        s->options = (adjust->isChecked() ? kTransposeAdjust : 0u) |
                     (preFilter->isChecked() ? kTransposePreFilter : 0u);
        s->quiet = false;
        return QString();
    };
    return form;
}

// On OK: the new rate must differ from the present one and be one a sound
// can have; the dialog stays open otherwise.
QString TransposeCheck(WaveRecord& record, const void* params) {
    const char* refusal =
        TransposeRefusal(record.sampleRate, *static_cast<const TransposeSettings*>(params));
    return refusal ? QString(refusal) : QString();
}

// "SRTR" records: the four fields and the name at byte 16.
std::vector<uint8_t> TransposeBuiltIns() {
    const uint8_t* records = TransposeBuiltInRecords();
    return std::vector<uint8_t>(records, records + kTransposeBuiltInCount * kTransposeRecordSize);
}
bool TransposeRecordToParams(const uint8_t* record, void* params) {
    return TransposeFromRecord(record, false, *static_cast<TransposeSettings*>(params));
}
int ReadTransposePreset(const std::string& path, void* params, std::string* name) {
    uint8_t record[kTransposeRecordSize];
    bool swapped = false;
    int result = ReadPresetFile(path, "SRTR", record, kTransposeRecordSize, &swapped);
    if (result != kFileOk) return result;
    auto* s = static_cast<TransposeSettings*>(params);
    if (!TransposeFromRecord(record, swapped, *s)) return kCorruptFile;
    if (name) *name = FieldText(s->name, sizeof s->name);
    return kFileOk;
}
int WriteTransposePreset(const std::string& path, const void* params, const std::string& name) {
    TransposeSettings s = *static_cast<const TransposeSettings*>(params);
    std::memset(s.name, 0, sizeof s.name);
    std::memcpy(s.name, name.data(), std::min(name.size(), sizeof s.name - 1));
    uint8_t record[kTransposeRecordSize];
    TransposeToRecord(s, record);
    return WritePresetFile(path, "SRTR", record, kTransposeRecordSize);
}
const DialogPresets kTransposePresets = {kTransposeRecordSize, 16,
                                         TransposeBuiltIns,    TransposeRecordToParams,
                                         ReadTransposePreset,  WriteTransposePreset};

// ---- Time Stretch and Pitch Shift ----

// The slider row: the slider, then its readouts in a column beside it.
QSlider* AddSliderRow(QVBoxLayout* body, const char* name, int low, int high, int page, int ticks,
                      std::initializer_list<QLabel*> readouts) {
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(low, high);
    slider->setSingleStep(1);
    slider->setPageStep(page);
    slider->setTickInterval(ticks);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setMinimumWidth(320);
    body->addWidget(slider);
    auto* column = new QVBoxLayout;
    for (QLabel* label : readouts) column->addWidget(label);
    body->addLayout(column);
    return slider;
}

QLabel* Readout(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    return label;
}

// The affect area's duration in seconds.
double AreaSeconds(EditorWindow* editor) {
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!record || record->sampleRate == 0) return 0.0;
    return double(AffectRange(*record).length) / double(record->sampleRate);
}

// The two check boxes both engines take.
template <class P>
DialogForm WithEngineChoices(QVBoxLayout* body, DialogForm form) {
    QCheckBox* bass = AddCheckBox(body, "extendedBass", "&Extended Bass Response");
    QCheckBox* lock = AddCheckBox(body, "stereoLock", "Stereo &Lock");
    auto load = form.load;
    auto store = form.store;
    form.load = [load, bass, lock](const void* params) {
        load(params);
        const auto* p = static_cast<const P*>(params);
        bass->setChecked(p->extendedBass);
        lock->setChecked(p->stereoLock);
    };
    form.store = [store, bass, lock](void* params) {
        QString refusal = store(params);
        auto* p = static_cast<P*>(params);
        p->extendedBass = bass->isChecked();
        p->stereoLock = lock->isChecked();
        p->quiet = false;
        return refusal;
    };
    return form;
}

// Tenths of a percent, 75.0 to 125.0 (page 2 %, ticks every 5 %).
DialogForm TimeStretchForm(QVBoxLayout* body, EditorWindow* editor) {
    const double seconds = AreaSeconds(editor);
    QLabel* percent = Readout("readout");
    QLabel* now = Readout("now");
    QLabel* result = Readout("result");
    QSlider* slider = AddSliderRow(body, "stretch", 750, 1250, 20, 50, {percent, now, result});
    auto show = [=](int position) {
        double p = position / 10.0;
        percent->setText(QString::asprintf("%.1f%%", p));
        now->setText(QString::asprintf("Now: %.2f sec", seconds));
        result->setText(QString::asprintf("Result: %.2f sec", seconds * p / 100.0));
    };
    QObject::connect(slider, &QSlider::valueChanged, percent, show);
    DialogForm form;
    form.load = [slider, show](const void* params) {
        double p = static_cast<const TimeStretchParams*>(params)->percent;
        long position = std::isfinite(p) ? std::lround(p * 10.0) : 1100;
        slider->setValue(int(std::clamp<long>(position, 750, 1250)));
        show(slider->value());
    };
    form.store = [slider](void* params) {
        double p = slider->value() / 10.0;
        if (const char* refusal = TimeStretchRefusal(p)) return QString(refusal);
        static_cast<TimeStretchParams*>(params)->percent = p;
        return QString();
    };
    return WithEngineChoices<TimeStretchParams>(body, form);
}

// Cents, -400 to 400.
DialogForm PitchShiftForm(QVBoxLayout* body, EditorWindow*) {
    QLabel* cents = Readout("readout");
    QLabel* result = Readout("result");
    QSlider* slider = AddSliderRow(body, "shift", -400, 400, 50, 100, {cents, result});
    auto show = [=](int position) {
        cents->setText(QString::asprintf("%.f Cents", double(position)));
        double semitones = position / 100.0;
        result->setText(position < 0
                            ? QString::asprintf("Result: %.2f semitones flat", -semitones)
                            : QString::asprintf("Result: %.2f semitones sharp", semitones));
    };
    QObject::connect(slider, &QSlider::valueChanged, cents, show);
    DialogForm form;
    form.load = [slider, show](const void* params) {
        double c = static_cast<const PitchShiftParams*>(params)->cents;
        long position = std::isfinite(c) ? std::lround(c) : 100;
        slider->setValue(int(std::clamp<long>(position, -400, 400)));
        show(slider->value());
    };
    form.store = [slider](void* params) {
        double c = double(slider->value());
        if (const char* refusal = PitchShiftRefusal(c)) return QString(refusal);
        static_cast<PitchShiftParams*>(params)->cents = c;
        return QString();
    };
    return WithEngineChoices<PitchShiftParams>(body, form);
}

}  // namespace

extern const DialogDef kTimePitchDialogs[] = {
    {kOperationSampleRateTranspose, "Sample Rate Transpose", TransposeForm, &kTransposePresets,
     nullptr, nullptr, TransposeCheck},
    {kOperationTimeStretch, "Time Stretch", TimeStretchForm, nullptr, nullptr, nullptr},
    {kOperationPitchShift, "Pitch Shift", PitchShiftForm, nullptr, nullptr, nullptr},
};
extern const size_t kTimePitchDialogCount = sizeof kTimePitchDialogs / sizeof kTimePitchDialogs[0];

}  // namespace ob
