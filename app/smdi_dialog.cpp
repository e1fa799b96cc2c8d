// The SMDI parameter controls and dialog.
#include "app/smdi_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/sampler_dialogs.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

constexpr int kSoundNumberMax = 32000;
constexpr int kAddressMax = 16;

QSpinBox* Spin(QWidget* parent, const char* name, int max) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(0, max);
    return spin;
}

}  // namespace

SmdiControls::SmdiControls(QWidget* parent) : QWidget(parent) {
    setObjectName("smdiControls");
    auto* outer = new QVBoxLayout(this);
    unavailable_ = new QLabel(kSmdiNoPassThrough, this);
    unavailable_->setObjectName("smdiUnavailable");
    unavailable_->setAlignment(Qt::AlignCenter);
    outer->addWidget(unavailable_);
    fields_ = new QWidget(this);
    outer->addWidget(fields_);
    auto* grid = new QGridLayout(fields_);
    sound_ = Spin(fields_, "soundNumber", kSoundNumberMax);
    device_ = Spin(fields_, "deviceId", kAddressMax);
    lun_ = Spin(fields_, "lun", kAddressMax);
    adapter_ = Spin(fields_, "hostAdapter", kAddressMax);
    const std::pair<const char*, QSpinBox*> rows[] = {{"&Sound Number:", sound_},
                                                      {"&Device ID:", device_},
                                                      {"&Logical Unit (LUN):", lun_},
                                                      {"Host &Adapter:", adapter_}};
    int row = 0;
    for (const auto& [text, spin] : rows) {
        auto* label = new QLabel(text, fields_);
        label->setBuddy(spin);
        grid->addWidget(label, row, 0);
        grid->addWidget(spin, row++, 1);
    }
    verbose_ = new QCheckBox("&Verbose Messages", fields_);
    verbose_->setObjectName("verbose");
    grid->addWidget(verbose_, row++, 0, 1, 2);
    devices_ = new QListWidget(fields_);
    devices_->setObjectName("devicesFound");
    devices_->setSelectionMode(QAbstractItemView::SingleSelection);
    devices_->setMinimumHeight(60);
    devices_->setMaximumHeight(110);
    auto* devicesLabel = new QLabel(kSmdiDevicesLabel, fields_);
    devicesLabel->setBuddy(devices_);
    grid->addWidget(devicesLabel, row++, 0, 1, 2);
    grid->addWidget(devices_, row++, 0, 1, 2);
    connect(devices_, &QListWidget::currentRowChanged, this, [this](int r) { Choose(r); });
}

void SmdiControls::Choose(int row) {
    if (row < 0 || size_t(row) >= found_.size()) return;
    device_->setValue(found_[size_t(row)].value & 0xFF);
    adapter_->setValue(found_[size_t(row)].value >> 8);
}

void SmdiControls::Scan() {
    QSignalBlocker block(devices_);
    devices_->clear();
    found_.clear();
    std::unique_ptr<ScsiBus> bus = NewScsiBus();
    passThrough_ = bus && bus->Available();
    unavailable_->setVisible(!passThrough_);
    fields_->setVisible(passThrough_);
    if (!passThrough_) return;
    found_ = ScanSmdiBus(*bus);
    for (const SmdiFoundDevice& d : found_) {
        auto* item = new QListWidgetItem(QString::fromStdString(d.line), devices_);
        item->setData(Qt::UserRole, d.value);
    }
    if (!found_.empty()) {
        devices_->setCurrentRow(0);
        Choose(0);
    }
}

void SmdiControls::Fill(TransferContext& c) {
    sound_->setValue(std::clamp(c.sampleNumber(), 0, kSoundNumberMax));
    device_->setValue(std::clamp(c.words[kWordLayer], 0, kAddressMax));
    lun_->setValue(std::clamp(c.words[kWordInstrument], 0, kAddressMax));
    adapter_->setValue(std::clamp(c.channel(), 0, kAddressMax));
    verbose_->setChecked((c.messageFlags() & int32_t(kMessageQuiet)) == 0);
    Scan();
}

void SmdiControls::ReadBack(TransferContext& c) const {
    c.sampleNumber() = sound_->value();
    c.words[kWordLayer] = device_->value();
    c.words[kWordInstrument] = lun_->value();
    c.channel() = adapter_->value();
    c.messageFlags() = (c.messageFlags() & ~int32_t(kMessageQuiet)) |
                       (verbose_->isChecked() ? 0 : int32_t(kMessageQuiet));
}

SmdiParamWindow::SmdiParamWindow(QWidget* parent, int32_t direction, TransferContext& context)
    : QDialog(parent), context_(context) {
    setObjectName("smdiParamDialog");
    setWindowTitle(direction == 1 ? "Receive: SMDI" : "Send: SMDI");
    auto* layout = new QVBoxLayout(this);
    controls_ = new SmdiControls(this);
    layout->addWidget(controls_);
    AddOkCancel(this, layout);
    controls_->Fill(context_);
}

void SmdiParamWindow::accept() {
    controls_->ReadBack(context_);
    QDialog::accept();
}

bool RunSmdiParamDialog(int32_t direction, TransferContext& context) {
    SmdiParamWindow dialog(SamplerDialogParent(context), direction, context);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace ob
