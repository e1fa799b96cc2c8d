// The Envelope Generator dialog: the curve drawing area (400 x 121, code = y),
// the curve operations (Zero It, Trace, Invert, Shift Up/Down, Reverse), the
// scale, Preview, and the "ENVG" presets. OK applies the curve through the
// operation table like every processing dialog; a successful Load records
// obLoadEnvGenPreset with the file's path.
#include <QButtonGroup>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "app/curve_editor.h"
#include "app/editor_window.h"
#include "app/operation_dialog.h"
#include "audio/curve_preview.h"
#include "audio/player.h"
#include "dsp/curve_model.h"
#include "dsp/envelope.h"

namespace ob {

namespace {

DialogForm EnvelopeForm(QVBoxLayout* body, EditorWindow* editor) {
    auto* curve = new CurveEditor(kEnvelopeGeometry);
    curve->setObjectName("envelopeCurve");
    auto* top = new QLabel;
    auto* bottom = new QLabel;
    top->setObjectName("topLabel");
    bottom->setObjectName("bottomLabel");
    auto* labels = new QVBoxLayout;
    labels->addWidget(top, 0, Qt::AlignTop);
    labels->addStretch(1);
    labels->addWidget(new QLabel("0 dB"), 0, Qt::AlignVCenter);
    labels->addStretch(1);
    labels->addWidget(bottom, 0, Qt::AlignBottom);
    auto* row = new QHBoxLayout;
    row->addWidget(curve);
    row->addLayout(labels);
    body->addLayout(row);

    auto* scaleBox = new QGroupBox("Scale: dB/Step");
    auto* scaleRow = new QHBoxLayout(scaleBox);
    auto* scales = new QButtonGroup(scaleBox);
    const char* scaleTexts[kEnvelopeScaleCount] = {"1/&4 dB", "1/&2 dB", "&1 dB"};
    for (int s = 0; s < kEnvelopeScaleCount; ++s) {
        auto* b = new QRadioButton(scaleTexts[s]);
        b->setObjectName(QString("scale%1").arg(s));
        scales->addButton(b, s);
        scaleRow->addWidget(b);
    }

    auto* buttons = new QGridLayout;
    auto button = [&](const char* name, const char* text, int r, int c) {
        auto* b = new QPushButton(text);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b, r, c);
        return b;
    };
    QPushButton* zero = button("zeroIt", "&Zero It", 0, 0);
    QPushButton* trace = button("trace", "&Trace", 0, 1);
    QPushButton* invert = button("invert", "&Invert", 0, 2);
    QPushButton* up = button("shiftUp", "Shift &Up", 1, 0);
    QPushButton* down = button("shiftDown", "Shift &Down", 1, 1);
    QPushButton* reverse = button("reverse", "&Reverse", 1, 2);
    auto* lower = new QHBoxLayout;
    lower->addWidget(scaleBox);
    lower->addLayout(buttons);
    body->addLayout(lower);

    // The curve and scale the controls show, as the parameter struct.
    auto read = [curve, scales] {
        EnvelopeParams p{};
        const std::vector<int>& v = curve->Values();
        for (int i = 0; i < kEnvelopePoints; ++i) p.curve[i] = uint8_t(std::clamp(v[i], 0, 120));
        p.scale = std::max(0, scales->checkedId());
        return p;
    };
    auto show = [curve, scales, top, bottom](const EnvelopeParams& p) {
        curve->SetValues(std::vector<int>(p.curve, p.curve + kEnvelopePoints));
        int s = std::clamp<int32_t>(p.scale, 0, kEnvelopeScaleCount - 1);
        if (auto* b = scales->button(s)) b->setChecked(true);
        top->setText(EnvelopeScaleLabel(s));
        bottom->setText(QString("-") + EnvelopeScaleLabel(s));
    };
    auto apply = [read, show](void (*op)(EnvelopeParams&)) {
        EnvelopeParams p = read();
        op(p);
        show(p);
    };
    QObject::connect(scales, &QButtonGroup::idClicked, scaleBox,
                     [read, show](int) { show(read()); });
    QObject::connect(zero, &QPushButton::clicked, zero, [apply] { apply(EnvelopeZero); });
    QObject::connect(invert, &QPushButton::clicked, invert, [apply] { apply(EnvelopeInvert); });
    QObject::connect(up, &QPushButton::clicked, up,
                     [apply] { apply([](EnvelopeParams& p) { EnvelopeShift(p, -1); }); });
    QObject::connect(down, &QPushButton::clicked, down,
                     [apply] { apply([](EnvelopeParams& p) { EnvelopeShift(p, +1); }); });
    QObject::connect(reverse, &QPushButton::clicked, reverse, [apply] { apply(EnvelopeReverse); });
    QPointer<EditorWindow> owner(editor);
    QObject::connect(trace, &QPushButton::clicked, trace, [owner, read, show] {
        WaveRecord* record = owner ? owner->Record() : nullptr;
        EnvelopeParams p = read();
        if (record && EnvelopeTraceRecord(p, *record)) show(p);
    });
    DialogForm form;
    form.load = [show](const void* params) { show(*static_cast<const EnvelopeParams*>(params)); };
    form.store = [read](void* params) {
        *static_cast<EnvelopeParams*>(params) = read();
        return QString();
    };
    return form;
}

std::vector<uint8_t> BuiltIns() {
    return EnvelopeBuiltInRecords();
}
bool FromRecord(const uint8_t* record, void* params) {
    EnvelopeFromRecord(record, false, *static_cast<EnvelopeParams*>(params), nullptr);
    return true;
}
int Read(const std::string& path, void* params, std::string* name) {
    return ReadEnvelopePreset(path, *static_cast<EnvelopeParams*>(params), name);
}
int Write(const std::string& path, const void* params, const std::string& name) {
    return WriteEnvelopePreset(path, *static_cast<const EnvelopeParams*>(params), name);
}

const DialogPresets kEnvelopePresets = {
    kEnvelopeRecordSize, kEnvelopeNameOffset, BuiltIns, FromRecord, Read, Write, nullptr, nullptr,
    "obLoadEnvGenPreset"};

QString StartPreview(WaveRecord& record, const void* params) {
    int result = PlayEnvelopePreview(record, *static_cast<const EnvelopeParams*>(params));
    return result == kPlayOk ? QString() : PlayResultText(result > 0 ? result : kPlayBadRange);
}
void UpdatePreview(const void* params) {
    UpdateEnvelopePreview(*static_cast<const EnvelopeParams*>(params));
}
const DialogPreview kEnvelopePreview = {StartPreview, UpdatePreview, CurvePreviewPlaying,
                                        StopCurvePreview};

}  // namespace

extern const DialogDef kEnvelopeDialog = {kOperationEnvelopeGenerator,
                                          "Envelope Generator",
                                          EnvelopeForm,
                                          &kEnvelopePresets,
                                          nullptr,
                                          &kEnvelopePreview};

}  // namespace ob
