// The Korg DSS-1, DSM-1 and Akai S612 parameter controls and own dialog.
#include "app/korg_akai_dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/midi_driver_lists.h"
#include "app/sampler_dialogs.h"
#include "sampler/korg_transfer.h"
#include "sampler/sampler_types.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

QSpinBox* Spin(QWidget* parent, QGridLayout* grid, int row, const char* label, const char* name,
               int high) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(1, high);
    auto* text = new QLabel(label, parent);
    text->setBuddy(spin);
    grid->addWidget(text, row, 0);
    grid->addWidget(spin, row, 1);
    return spin;
}

}  // namespace

bool IsKorgAkaiType(int32_t type) {
    return type == kSamplerDss1 || type == kSamplerDsm1 || type == kSamplerAkaiS612;
}

KorgAkaiControls::KorgAkaiControls(QWidget* parent, int32_t type) : QWidget(parent), type_(type) {
    const bool korg = type != kSamplerAkaiS612;
    const bool dsm1 = type == kSamplerDsm1;
    setObjectName(dsm1 ? "dsm1Controls" : korg ? "dss1Controls" : "s612Controls");
    auto* grid = new QGridLayout(this);
    int row = 0;
    channel_ = Spin(this, grid, row++, "&Channel:", "channel", korg ? 16 : 9);
    if (korg) {
        sound_ = Spin(this, grid, row++, "&Sound:", "sound", 16);
        multisound_ = Spin(this, grid, row++, "&MultiSound:", "multisound", dsm1 ? 8 : 16);
        if (dsm1) bank_ = Spin(this, grid, row++, "&Bank:", "bank", 4);
        chop_ = new QCheckBox("Chop To Fit", this);
        chop_->setObjectName("chopToFit");
        grid->addWidget(chop_, row++, 0, 1, 2);
        verbose_ = new QCheckBox("Verbose", this);
        verbose_->setObjectName("verbose");
        grid->addWidget(verbose_, row++, 0, 1, 2);
    }
    drivers_ = new MidiDriverLists(this, grid, row, 2);
}

void KorgAkaiControls::Fill(TransferContext& c) {
    // QSpinBox shows any value within its range.
    channel_->setValue(c.channel());
    if (sound_) sound_->setValue(c.sampleNumber());
    if (multisound_) multisound_->setValue(c.words[kWordInstrument]);
    if (bank_) bank_->setValue(c.words[kWordLayer]);
    if (chop_) chop_->setChecked((c.optionFlags() & int32_t(kOptionChopToFit)) != 0);
    if (verbose_) verbose_->setChecked((c.messageFlags() & int32_t(kMessageQuiet)) == 0);
    drivers_->Fill(c);
}

void KorgAkaiControls::ReadBack(TransferContext& c) const {
    c.channel() = channel_->value();
    if (sound_) c.sampleNumber() = sound_->value();
    if (multisound_) c.words[kWordInstrument] = multisound_->value();
    if (bank_) c.words[kWordLayer] = bank_->value();
    if (chop_)
        c.optionFlags() = (c.optionFlags() & ~int32_t(kOptionChopToFit)) |
                          (chop_->isChecked() ? int32_t(kOptionChopToFit) : 0);
    if (verbose_)
        c.messageFlags() = (c.messageFlags() & ~int32_t(kMessageQuiet)) |
                           (verbose_->isChecked() ? 0 : int32_t(kMessageQuiet));
    drivers_->ReadBack(c);
}

QString KorgAkaiDialogTitle(int32_t direction, int32_t type) {
    const char* name = type == kSamplerDsm1       ? "Korg DSM1"
                       : type == kSamplerAkaiS612 ? "Akai S612"
                                                  : "Korg DSS1";
    return QString("%1: %2").arg(direction == 1 ? "Receive" : "Send", name);
}

KorgAkaiParamDialog::KorgAkaiParamDialog(QWidget* parent, int32_t direction,
                                         TransferContext& context)
    : QDialog(parent), context_(context) {
    setObjectName("korgAkaiParamDialog");
    setWindowTitle(KorgAkaiDialogTitle(direction, context.samplerType));
    auto* layout = new QVBoxLayout(this);
    controls_ = new KorgAkaiControls(this, context.samplerType);
    layout->addWidget(controls_);
    AddOkCancel(this, layout);
    controls_->Fill(context_);
}

void KorgAkaiParamDialog::accept() {
    controls_->ReadBack(context_);
    QDialog::accept();
}

bool RunKorgAkaiParamDialog(int32_t direction, TransferContext& context) {
    KorgAkaiParamDialog dialog(SamplerDialogParent(context), direction, context);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace ob
