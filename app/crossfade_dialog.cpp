// The "Crossfade Loop" dialog: fade area, fade type, which loop, Tailor Edges
// and the fade amount (a form of the shared operation dialog).
#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "app/operation_dialog.h"
#include "dsp/crossfade_loop.h"

namespace ob {

namespace {

DialogForm CrossfadeForm(QVBoxLayout* body, EditorWindow*) {
    QButtonGroup* area = AddChoices(
        body, "Fade Area", "fadeArea",
        {{kCrossfadeStart, "&Start"}, {kCrossfadeEnd, "&End"}, {kCrossfadeBoth, "B&oth"}});
    QButtonGroup* type =
        AddChoices(body, "Fade Type", "fadeType", {{0, "&Linear"}, {1, "Lo&garithmic"}});
    QButtonGroup* loop = AddChoices(body, "Loop", "loop", {{1, "S&ustain"}, {0, "&Release"}});
    auto* tailor = new QCheckBox("&Tailor Edges");
    tailor->setObjectName("tailor");
    body->addWidget(tailor);
    auto* form = new QFormLayout;
    auto* amount = new QSpinBox;
    amount->setObjectName("amount");
    amount->setRange(0, INT_MAX);
    amount->setSuffix(" pts");
    form->addRow("Fade &Amount:", amount);
    body->addLayout(form);
    DialogForm f;
    f.load = [=](const void* params) {
        const auto& p = *static_cast<const CrossfadeLoopParams*>(params);
        Choose(area, p.area, kCrossfadeStart);
        Choose(type, p.logarithmic ? 1 : 0, 0);
        Choose(loop, p.sustain ? 1 : 0, 1);
        tailor->setChecked(p.tailor);
        amount->setValue(p.amount);
    };
    f.store = [=](void* params) {
        auto& p = *static_cast<CrossfadeLoopParams*>(params);
        p.area = area->checkedId() < 0 ? kCrossfadeStart : area->checkedId();
        p.logarithmic = type->checkedId() == 1;
        p.sustain = loop->checkedId() != 0;
        p.tailor = tailor->isChecked();
        // A fade amount of 0 is kept as 1.
        p.amount = std::max(1, amount->value());
        return QString();
    };
    return f;
}

}  // namespace

extern const DialogDef kCrossfadeDialog = {kOperationCrossfadeLoop, "Crossfade Loop", CrossfadeForm,
                                           nullptr, nullptr};

}  // namespace ob
