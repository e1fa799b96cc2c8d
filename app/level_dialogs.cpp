// The dialogs of the level and simple functions: Gain, Normalize, DC Offset,
// Replicate, Insert Silence, Stereo to Mono, Mono to Stereo, Combine Samples
// and Key Map (forms of the shared operation dialog), and the Name dialog and
// the Wave Information report.
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/operation_dialog.h"
#include "dsp/combine.h"
#include "dsp/insert.h"
#include "dsp/key_map.h"
#include "dsp/level.h"
#include "dsp/statistics.h"
#include "dsp/stereo.h"
#include "wave/record_report.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

// ---- Gain and Normalize: a vertical slider of tenths of a dB, upside down
// (position p gives p / -10 dB), page 30, ticks every 100. ----
template <class P>
DialogForm LevelSliderForm(QVBoxLayout* body, int low, int high, bool percent) {
    auto* row = new QHBoxLayout;
    auto* slider = new QSlider(Qt::Vertical);
    slider->setObjectName("level");
    slider->setRange(low, high);
    slider->setPageStep(30);
    slider->setSingleStep(1);
    slider->setTickInterval(100);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setInvertedAppearance(true);  // the largest dB value at the top
    slider->setMinimumHeight(200);
    auto* readouts = new QVBoxLayout;
    auto* dB = new QLabel;
    dB->setObjectName("readout");
    QLabel* ratio = nullptr;
    readouts->addStretch();
    readouts->addWidget(dB);
    if (percent) {
        ratio = new QLabel;
        ratio->setObjectName("percentReadout");
        readouts->addWidget(ratio);
    }
    readouts->addStretch();
    row->addWidget(slider);
    row->addLayout(readouts);
    body->addLayout(row);
    auto show = [dB, ratio](int position) {
        double level = position / -10.0;
        dB->setText(QString::asprintf("%.1f dB", level));
        if (ratio)
            ratio->setText(QString::asprintf("%d %%", int(std::pow(10.0, level / 20.0) * 100.0)));
    };
    QObject::connect(slider, &QSlider::valueChanged, dB, show);
    DialogForm form;
    form.load = [slider, show](const void* params) {
        double level = static_cast<const P*>(params)->dB;
        long position = std::isfinite(level) ? std::lround(level * -10.0) : 0;
        slider->setValue(int(std::clamp<long>(position, slider->minimum(), slider->maximum())));
        show(slider->value());
    };
    form.store = [slider](void* params) {
        static_cast<P*>(params)->dB = slider->value() / -10.0;
        return QString();
    };
    return form;
}

DialogForm GainForm(QVBoxLayout* body, EditorWindow*) {
    return LevelSliderForm<GainParams>(body, -300, 300, false);
}
DialogForm NormalizeForm(QVBoxLayout* body, EditorWindow*) {
    return LevelSliderForm<NormalizeParams>(body, 0, 400, true);
}

// ---- DC Offset: the percent; an empty field removes each channel's mean. ----
DialogForm DcOffsetForm(QVBoxLayout* body, EditorWindow*) {
    auto* rows = new QFormLayout;
    QLineEdit* field = AddNumberField(rows, "offset", "DC &Offset (%):");
    body->addLayout(rows);
    body->addWidget(new QLabel("An empty field or 0 removes the DC offset of each channel."));
    DialogForm form;
    form.load = [field](const void* params) {
        const auto* p = static_cast<const DcOffsetParams*>(params);
        double percent = p->unit == kDcSixteenBit ? p->offset / 327.67 : p->offset;
        SetNumber(field, "%.4f", percent);
    };
    form.store = [field](void* params) {
        auto* p = static_cast<DcOffsetParams*>(params);
        QString refusal;
        double percent = 0;
        if (!ReadNumber(field, -100.0, 100.0, "DC Offset", percent, refusal, true, 0.0))
            return refusal;
        p->offset = percent;
        p->unit = kDcPercent;
        return QString();
    };
    return form;
}

// ---- Replicate: the amount and its three units. ----
DialogForm ReplicateForm(QVBoxLayout* body, EditorWindow*) {
    auto* rows = new QFormLayout;
    QLineEdit* field = AddNumberField(rows, "amount", "&Replicate by:");
    body->addLayout(rows);
    QButtonGroup* units = AddChoices(body, "Units", "unit",
                                     {{kReplicateSeconds, "&Seconds"},
                                      {kReplicateMilliseconds, "&Milliseconds"},
                                      {kReplicateRepetitions, "Re&petitions"}});
    DialogForm form;
    form.load = [field, units](const void* params) {
        const auto* p = static_cast<const ReplicateParams*>(params);
        SetNumber(field, "%.3f", p->amount);
        Choose(units, p->unit, kReplicateRepetitions);
    };
    form.store = [field, units](void* params) {
        auto* p = static_cast<ReplicateParams*>(params);
        QString refusal;
        double amount = 0;
        if (!ReadNumber(field, 0.0, 1e6, "Replication", amount, refusal)) return refusal;
        if (!(amount > 0.0)) return QString("Replication must be greater than 0");
        p->amount = amount;
        p->unit = units->checkedId() < 0 ? kReplicateRepetitions : units->checkedId();
        return QString();
    };
    return form;
}

// ---- Insert Silence: amount, unit, place and the frame of "At position". ----
DialogForm InsertSilenceForm(QVBoxLayout* body, EditorWindow* editor) {
    auto* rows = new QFormLayout;
    QLineEdit* amount = AddNumberField(rows, "amount", "&Amount of silence:");
    body->addLayout(rows);
    QButtonGroup* units = AddChoices(body, "Units", "unit",
                                     {{kInsertSeconds, "&Seconds"},
                                      {kInsertMilliseconds, "&Milliseconds"},
                                      {kInsertSamplePoints, "Sample &Points"}});
    QButtonGroup* places = AddChoices(body, "Insert at", "place",
                                      {{kInsertSampleStart, "Sample S&tart"},
                                       {kInsertSampleEnd, "Sample &End"},
                                       {kInsertAffectStart, "A&ffect Start"},
                                       {kInsertAffectEnd, "Affe&ct End"},
                                       {kInsertAtPosition, "P&osition (sample points):"}});
    auto* positionRow = new QFormLayout;
    QLineEdit* position = AddNumberField(positionRow, "position", "Position:");
    body->addLayout(positionRow);
    QPointer<EditorWindow> owner(editor);
    DialogForm form;
    form.load = [amount, units, places, position](const void* params) {
        const auto* p = static_cast<const InsertSilenceParams*>(params);
        SetNumber(amount, "%f", p->amount);
        Choose(units, p->unit, kInsertSeconds);
        Choose(places, p->place, kInsertSampleStart);
        position->setText(QString::number(p->position));
    };
    form.store = [amount, units, places, position, owner](void* params) {
        auto* p = static_cast<InsertSilenceParams*>(params);
        QString refusal;
        double a = 0;
        if (!ReadNumber(amount, 0.0, 1e9, "Silence", a, refusal) || !(a > 0.0))
            return QString("Silence area must be greater than 0 length");
        int place = places->checkedId() < 0 ? kInsertSampleStart : places->checkedId();
        if (place == kInsertAtPosition) {
            WaveRecord* record = owner ? owner->Record() : nullptr;
            double last = record ? double(record->frameCount) : 0.0;
            double frame = 0;
            if (!ReadNumber(position, 0.0, last, "Position", frame, refusal)) return refusal;
            p->position = uint32_t(frame);
        }
        p->amount = a;
        p->unit = units->checkedId() < 0 ? kInsertSeconds : units->checkedId();
        p->place = place;
        return QString();
    };
    return form;
}

// ---- Stereo to Mono: the five choices. ----
DialogForm StereoToMonoForm(QVBoxLayout* body, EditorWindow*) {
    QButtonGroup* choices = AddChoices(body, "Stereo to Mono", "choice",
                                       {{kStereoKeepLeft, "&Left Channel"},
                                        {kStereoKeepRight, "&Right Channel"},
                                        {kStereoLeftPlusRight, "Left &plus Right"},
                                        {kStereoLeftMinusRight, "Left &minus Right"},
                                        {kStereoSwap, "&Swap Channels"}});
    DialogForm form;
    form.load = [choices](const void* params) {
        Choose(choices, static_cast<const StereoToMonoParams*>(params)->choice, kStereoKeepLeft);
    };
    form.store = [choices](void* params) {
        int id = choices->checkedId();
        static_cast<StereoToMonoParams*>(params)->choice = id < 0 ? kStereoKeepLeft : id;
        return QString();
    };
    return form;
}

// The open editors with a wave, by editor number.
QListWidget* AddEditorList(QVBoxLayout* body, const QString& label) {
    auto* caption = new QLabel(label);
    auto* list = new QListWidget;
    list->setObjectName("sources");
    caption->setBuddy(list);
    if (MainFrame* frame = MainFrame::Instance())
        for (EditorWindow* e : frame->Editors()) {
            WaveRecord* r = e->Record();
            if (!WaveHasData(r)) continue;
            auto* item = new QListWidgetItem(QString::fromStdString(TitleOf(*r)), list);
            item->setData(Qt::UserRole, e->Number());
        }
    body->addWidget(caption);
    body->addWidget(list);
    return list;
}
void SelectEditor(QListWidget* list, int number) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toInt() == number) list->setCurrentRow(i);
}
int SelectedEditor(QListWidget* list) {
    QListWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? item->data(Qt::UserRole).toInt() : 0;
}

// ---- Mono to Stereo: the editor whose sound becomes the right channel. ----
DialogForm MonoToStereoForm(QVBoxLayout* body, EditorWindow*) {
    QListWidget* list = AddEditorList(body, "Select Wave for Right Channel:");
    DialogForm form;
    form.load = [list](const void* params) {
        SelectEditor(list, static_cast<const MonoToStereoParams*>(params)->sourceEditor);
    };
    form.store = [list](void* params) {
        int number = SelectedEditor(list);
        if (!number) return QString("No wave for second channel");
        static_cast<MonoToStereoParams*>(params)->sourceEditor = number;
        return QString();
    };
    return form;
}

// ---- Combine Samples (Mix): source, offset, order and mix. ----
DialogForm CombineForm(QVBoxLayout* body, EditorWindow*) {
    QListWidget* list = AddEditorList(body, "Select Wave to Mix In:");
    auto* rows = new QFormLayout;
    QLineEdit* offset = AddNumberField(rows, "offset", "&Offset (sample points):");
    QLineEdit* mix = AddNumberField(rows, "mix", "&Mix (% of this wave):");
    auto* order = new QCheckBox("This wave is the &base");
    order->setObjectName("order");
    rows->addRow(order);
    body->addLayout(rows);
    DialogForm form;
    form.load = [list, offset, mix, order](const void* params) {
        const auto* p = static_cast<const CombineParams*>(params);
        SelectEditor(list, p->sourceEditor);
        offset->setText(QString::number(p->offset));
        SetNumber(mix, "%.0f", p->mix);
        order->setChecked(p->order != 0);
    };
    form.store = [list, offset, mix, order](void* params) {
        auto* p = static_cast<CombineParams*>(params);
        int number = SelectedEditor(list);
        if (!number) return QString("No wave to mix in");
        QString refusal;
        double frames = 0, percent = 0;
        if (!ReadNumber(offset, 0.0, 4294967295.0, "Offset", frames, refusal)) return refusal;
        if (!ReadNumber(mix, 0.0, 100.0, "Mix", percent, refusal)) return refusal;
        p->sourceEditor = number;
        p->offset = int64_t(frames);
        p->mix = std::trunc(percent);  // the recorder line holds whole percents
        p->order = order->isChecked() ? 1 : 0;
        return QString();
    };
    return form;
}

// ---- Key Map: root, low and high key, fine tune; the wave's own values. ----
bool ReadWhole(QLineEdit* field, int lo, int hi, const QString& what, int& value,
               QString& refusal) {
    double v = 0;
    if (!ReadNumber(field, lo, hi, what, v, refusal) || v != std::trunc(v)) {
        refusal = QString("%1 must be a whole number between %2 and %3").arg(what).arg(lo).arg(hi);
        return false;
    }
    value = int(v);
    return true;
}
DialogForm KeyMapForm(QVBoxLayout* body, EditorWindow*) {
    auto* rows = new QFormLayout;
    QLineEdit* root = AddNumberField(rows, "root", "&Root Key:");
    QLineEdit* low = AddNumberField(rows, "low", "&Low Key:");
    QLineEdit* high = AddNumberField(rows, "high", "&High Key:");
    QLineEdit* fine = AddNumberField(rows, "fineTune", "&Fine Tune (cents):");
    body->addLayout(rows);
    DialogForm form;
    form.load = [root, low, high, fine](const void* params) {
        const auto* p = static_cast<const KeyMapParams*>(params);
        root->setText(QString::number(p->root));
        low->setText(QString::number(p->low));
        high->setText(QString::number(p->high));
        fine->setText(QString::asprintf("%+d", p->fineTune));
    };
    form.store = [root, low, high, fine](void* params) {
        auto* p = static_cast<KeyMapParams*>(params);
        QString refusal;
        KeyMapParams k;
        if (!ReadWhole(root, 0, 127, "Root Key", k.root, refusal) ||
            !ReadWhole(low, 0, 127, "Low Key", k.low, refusal) ||
            !ReadWhole(high, 0, 127, "High Key", k.high, refusal) ||
            !ReadWhole(fine, -50, 50, "Fine Tune", k.fineTune, refusal))
            return refusal;
        *p = k;
        return QString();
    };
    return form;
}
void KeyMapFromWave(const WaveRecord& record, void* params) {
    auto* p = static_cast<KeyMapParams*>(params);
    p->low = record.keyLow;
    p->root = record.keyRoot;
    p->high = record.keyHigh;
    p->fineTune = record.fineTune;
    p->keepFineTune = false;
}

}  // namespace

extern const DialogDef kLevelDialogs[] = {
    {kOperationGain, "Gain", GainForm, nullptr, nullptr, nullptr},
    {kOperationNormalize, "Normalize", NormalizeForm, nullptr, nullptr, nullptr},
    {kOperationDcOffset, "DC Offset", DcOffsetForm, nullptr, nullptr, nullptr},
    {kOperationReplicate, "Replicate", ReplicateForm, nullptr, nullptr, nullptr},
    {kOperationInsertSilence, "Insert Silence", InsertSilenceForm, nullptr, nullptr, nullptr},
    {kOperationStereoToMono, "Stereo to Mono", StereoToMonoForm, nullptr, nullptr, nullptr},
    {kOperationMonoToStereo, "Mono to Stereo", MonoToStereoForm, nullptr, nullptr, nullptr},
    {kOperationCombine, "Combine Samples", CombineForm, nullptr, nullptr, nullptr},
    {kOperationKeyMap, "Key Map", KeyMapForm, nullptr, KeyMapFromWave, nullptr},
};
extern const size_t kLevelDialogCount = sizeof kLevelDialogs / sizeof kLevelDialogs[0];

void RunWaveInformation(EditorWindow* editor) {
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!record) return;
    OpenProcessDialog(record, kDialogInfo, [&] { ShowWaveInformation(*record); });
}

void RunNameDialog(EditorWindow* editor) {
    WaveRecord* record = editor ? editor->Record() : nullptr;
    if (!record) return;
    OpenProcessDialog(record, kDialogName, [&] {
        QDialog dialog(editor->window());
        dialog.setObjectName("nameDialog");
        dialog.setWindowTitle("Name");
        auto* layout = new QVBoxLayout(&dialog);
        auto* rows = new QFormLayout;
        auto* field = new QLineEdit(QString::fromStdString(record->name));
        field->setObjectName("name");
        field->setMaxLength(int(kMaxNameLength));
        rows->addRow("&Name of the wave:", field);
        layout->addLayout(rows);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        QPointer<EditorWindow> owner(editor);
        QObject::connect(editor, &QObject::destroyed, &dialog, &QDialog::reject);
        if (dialog.exec() != QDialog::Accepted || !owner) return;
        std::string name = field->text().toStdString();
        SetWaveName(*record, name.empty() ? "Untitled" : name);
    });
}

}  // namespace ob
