// The Ensoniq types' parameter controls and own dialog.
#include "app/ensoniq_dialogs.h"

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
#include "sampler/ensoniq_transfer.h"

namespace ob {

namespace {

QSpinBox* NumberBox(QWidget* parent, const char* name, int high) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, high);
    return box;
}

// A row: label with its buddy, the number box, and its Create box when given.
void AddRow(QGridLayout* grid, int row, const char* text, QSpinBox* box, QCheckBox* create) {
    auto* label = new QLabel(text, box->parentWidget());
    label->setBuddy(box);
    grid->addWidget(label, row, 0);
    grid->addWidget(box, row, 1);
    if (create) grid->addWidget(create, row, 2);
}

QCheckBox* CreateBox(QWidget* parent, const char* name) {
    auto* box = new QCheckBox("Create", parent);
    box->setObjectName(name);
    return box;
}

void SetBit(int32_t& word, int32_t bit, bool on) {
    word = on ? (word | bit) : (word & ~bit);
}

}  // namespace

EnsoniqControls::EnsoniqControls(QWidget* parent) : QWidget(parent) {
    setObjectName("ensoniqControls");
    auto* grid = new QGridLayout(this);
    channel_ = NumberBox(this, "ensoniqChannel", 16);
    wave_ = NumberBox(this, "ensoniqWave", 127);
    layer_ = NumberBox(this, "ensoniqLayer", 8);
    instrument_ = NumberBox(this, "ensoniqInstrument", 8);
    createWave_ = CreateBox(this, "ensoniqCreateWave");
    createLayer_ = CreateBox(this, "ensoniqCreateLayer");
    createInstrument_ = CreateBox(this, "ensoniqCreateInstrument");
    AddRow(grid, 0, "&Channel:", channel_, nullptr);
    AddRow(grid, 1, "&Wave:", wave_, createWave_);
    AddRow(grid, 2, "&Layer:", layer_, createLayer_);
    AddRow(grid, 3, "&Instrument:", instrument_, createInstrument_);
    drivers_ = new MidiDriverLists(this, grid, 4, 3, "ensoniq");
    verbose_ = new QCheckBox("Verbose", this);
    verbose_->setObjectName("ensoniqVerbose");
    grid->addWidget(verbose_, 8, 0, 1, 3);
}

void EnsoniqControls::Fill(TransferContext& c) {
    channel_->setValue(std::clamp(c.channel(), 1, 16));
    wave_->setValue(std::clamp(c.sampleNumber(), 1, 127));
    layer_->setValue(std::clamp(c.words[kWordLayer], 1, 8));
    instrument_->setValue(std::clamp(c.words[kWordInstrument], 1, 8));
    const int32_t options = c.optionFlags();
    createWave_->setChecked((options & kOptionCreateWavesample) != 0);
    createLayer_->setChecked((options & kOptionCreateLayer) != 0);
    createInstrument_->setChecked((options & kOptionCreateInstrument) != 0);
    verbose_->setChecked((c.messageFlags() & int32_t(kMessageQuiet)) == 0);
    drivers_->Fill(c);
}

void EnsoniqControls::ReadBack(TransferContext& c) const {
    c.channel() = channel_->value();
    c.sampleNumber() = wave_->value();
    c.words[kWordLayer] = layer_->value();
    c.words[kWordInstrument] = instrument_->value();
    SetBit(c.optionFlags(), kOptionCreateWavesample, createWave_->isChecked());
    SetBit(c.optionFlags(), kOptionCreateLayer, createLayer_->isChecked());
    SetBit(c.optionFlags(), kOptionCreateInstrument, createInstrument_->isChecked());
    SetBit(c.messageFlags(), int32_t(kMessageQuiet), !verbose_->isChecked());
    drivers_->ReadBack(c);
}

QString EnsoniqDialogTitle(int32_t direction, const TransferContext& context) {
    return QString("%1: %2").arg(direction == 1 ? "Receive" : "Send",
                                 QString::fromStdString(context.typeName));
}

EnsoniqParamDialog::EnsoniqParamDialog(QWidget* parent, int32_t direction, TransferContext& context)
    : QDialog(parent), context_(context) {
    setObjectName("ensoniqParamDialog");
    setWindowTitle(EnsoniqDialogTitle(direction, context));
    auto* layout = new QVBoxLayout(this);
    controls_ = new EnsoniqControls(this);
    layout->addWidget(controls_);
    AddOkCancel(this, layout);
    controls_->Fill(context_);
}

void EnsoniqParamDialog::accept() {
    controls_->ReadBack(context_);
    QDialog::accept();
}

}  // namespace ob
