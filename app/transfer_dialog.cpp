// The Transfer Function dialog: the curve drawing area (256 x 256, output
// upwards), Mirror, Preview and the "TRFN" presets. OK applies the curve
// through the operation table like every processing dialog; a successful Load
// records obLoadTransFuncPreset with the file's path.
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/curve_editor.h"
#include "app/editor_window.h"
#include "app/operation_dialog.h"
#include "audio/curve_preview.h"
#include "audio/player.h"
#include "dsp/curve_model.h"
#include "dsp/transfer_function.h"

namespace ob {

namespace {

DialogForm TransferForm(QVBoxLayout* body, EditorWindow*) {
    auto* curve = new CurveEditor(kTransferGeometry);
    curve->setObjectName("transferCurve");
    body->addWidget(curve, 0, Qt::AlignHCenter);
    auto* row = new QHBoxLayout;
    auto* mirror = new QCheckBox("&Mirror");
    mirror->setObjectName("mirror");
    row->addWidget(mirror);
    row->addStretch(1);
    body->addLayout(row);

    auto read = [curve, mirror] {
        TransferParams p{};
        const std::vector<int>& v = curve->Values();
        for (int i = 0; i < kTransferPoints; ++i) p.curve[i] = int8_t(std::clamp(v[i], -64, 64));
        p.mirror = mirror->isChecked() ? 1 : 0;
        return p;
    };
    DialogForm form;
    form.load = [curve, mirror](const void* params) {
        const auto& p = *static_cast<const TransferParams*>(params);
        curve->SetValues(std::vector<int>(p.curve, p.curve + kTransferPoints));
        mirror->setChecked(p.mirror != 0);
    };
    form.store = [read](void* params) {
        *static_cast<TransferParams*>(params) = read();
        return QString();
    };
    return form;
}

std::vector<uint8_t> BuiltIns() {
    return TransferBuiltInRecords();
}
bool FromRecord(const uint8_t* record, void* params) {
    TransferFromRecord(record, false, *static_cast<TransferParams*>(params), nullptr);
    return true;
}
int Read(const std::string& path, void* params, std::string* name) {
    return ReadTransferPreset(path, *static_cast<TransferParams*>(params), name);
}
int Write(const std::string& path, const void* params, const std::string& name) {
    return WriteTransferPreset(path, *static_cast<const TransferParams*>(params), name);
}

const DialogPresets kTransferPresets = {kTransferRecordSize,
                                        kTransferNameOffset,
                                        BuiltIns,
                                        FromRecord,
                                        Read,
                                        Write,
                                        nullptr,
                                        nullptr,
                                        "obLoadTransFuncPreset"};

QString StartPreview(WaveRecord& record, const void* params) {
    int result = PlayTransferPreview(record, *static_cast<const TransferParams*>(params));
    return result == kPlayOk ? QString() : PlayResultText(result > 0 ? result : kPlayBadRange);
}
void UpdatePreview(const void* params) {
    UpdateTransferPreview(*static_cast<const TransferParams*>(params));
}
const DialogPreview kTransferPreview = {StartPreview, UpdatePreview, CurvePreviewPlaying,
                                        StopCurvePreview};

}  // namespace

extern const DialogDef kTransferDialog = {
    kOperationTransferFunction, "Transfer Function", TransferForm, &kTransferPresets, nullptr,
    &kTransferPreview};

}  // namespace ob
