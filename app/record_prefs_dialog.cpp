// The "Record Preferences" dialog with its "RCPF" presets.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "app/audio_dialogs.h"
#include "audio/audio_device.h"
#include "base/messages.h"
#include "dsp/preset_dialog.h"
#include "dsp/preset_file.h"

namespace ob {

namespace {

const PresetKindInfo& RecordKind() {
    for (const PresetKindInfo& kind : kPresetKinds)
        if (std::strcmp(kind.kind, "RCPF") == 0) return kind;
    return kPresetKinds[0];
}

constexpr uint32_t kNameOffset = 24;  // six fields, then the 80-byte name

QGroupBox* Group(QWidget* parent, const char* title, std::initializer_list<QWidget*> items,
                 bool row = true) {
    auto* box = new QGroupBox(title, parent);
    QBoxLayout* layout = row ? static_cast<QBoxLayout*>(new QHBoxLayout(box))
                             : static_cast<QBoxLayout*>(new QVBoxLayout(box));
    for (QWidget* w : items) layout->addWidget(w);
    return box;
}

QRadioButton* Radio(QWidget* parent, const char* text, const char* name) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(name);
    return button;
}

}  // namespace

RecordPrefsDialog::RecordPrefsDialog(QWidget* parent, const PresetList& presets)
    : QDialog(parent), presets_(presets) {
    setObjectName("recordPrefsDialog");
    setWindowTitle("Record Preferences");
    const std::vector<std::string> devices = Audio().InputDevices();
    inputDevices_ = int(devices.size());

    preset_ = new QComboBox(this);
    preset_->setObjectName("preset");
    preset_->setEditable(true);
    preset_->setInsertPolicy(QComboBox::NoInsert);
    for (uint32_t i = 0; i < presets_.count; ++i)
        preset_->addItem(QString::fromStdString(presets_.Name(i, kNameOffset)));
    auto* load = new QPushButton("&Load Preset", this);
    load->setObjectName("loadPreset");
    auto* save = new QPushButton("&Save Preset", this);
    save->setObjectName("savePreset");
    auto* presetBox = new QGroupBox("Presets", this);
    auto* presetLayout = new QHBoxLayout(presetBox);
    presetLayout->addWidget(preset_, 1);
    presetLayout->addWidget(load);
    presetLayout->addWidget(save);

    mono_ = Radio(this, "&Mono", "mono");
    stereo_ = Radio(this, "S&tereo", "stereo");
    small_ = Radio(this, "S&mall", "small");
    large_ = Radio(this, "L&arge", "large");
    static const char* const kRates[4] = {"11.025 kHz", "22.05 kHz", "44.1 kHz", "&Custom"};
    static const char* const kRateNames[4] = {"rate11k", "rate22k", "rate44k", "rateCustom"};
    for (int i = 0; i < 4; ++i) rate_[i] = Radio(this, kRates[i], kRateNames[i]);
    customRate_ = new QLineEdit(this);
    customRate_->setObjectName("customRate");
    customRate_->setValidator(new QIntValidator(0, 200000, customRate_));
    customRate_->setMaximumWidth(90);
    for (auto [a, b] : {std::pair{mono_, stereo_}, std::pair{small_, large_}}) {
        auto* group = new QButtonGroup(this);
        group->addButton(a);
        group->addButton(b);
    }
    auto* rates = new QButtonGroup(this);
    for (QRadioButton* r : rate_) rates->addButton(r);
    highRes_ = new QCheckBox("&24 Bit High Res", this);
    highRes_->setObjectName("highRes");
    driver_ = new QComboBox(this);
    driver_->setObjectName("driver");
    for (const std::string& name : devices) driver_->addItem(QString::fromStdString(name));
    if (devices.empty()) driver_->addItem("None Available");

    auto* rateBox = new QGroupBox("Sample Rate", this);
    auto* rateLayout = new QHBoxLayout(rateBox);
    for (QRadioButton* r : rate_) rateLayout->addWidget(r);
    rateLayout->addWidget(customRate_);
    rateLayout->addWidget(new QLabel("Hz", this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(load, &QPushButton::clicked, this, &RecordPrefsDialog::LoadPreset);
    connect(save, &QPushButton::clicked, this, &RecordPrefsDialog::SavePreset);
    connect(preset_, qOverload<int>(&QComboBox::activated), this, &RecordPrefsDialog::ChoosePreset);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(presetBox);
    auto* row = new QHBoxLayout;
    row->addWidget(Group(this, "Channels", {mono_, stereo_}));
    row->addWidget(Group(this, "Buffer Size", {small_, large_}));
    layout->addLayout(row);
    layout->addWidget(rateBox);
    layout->addWidget(highRes_);
    auto* driverRow = new QHBoxLayout;
    auto* driverLabel = new QLabel("&Driver:", this);
    driverLabel->setBuddy(driver_);
    driverRow->addWidget(driverLabel);
    driverRow->addWidget(driver_, 1);
    layout->addLayout(driverRow);
    layout->addWidget(buttons);
    Show(gRecordPrefs);
    preset_->setEditText(QString::fromStdString(gRecordPrefs.name));
}

void RecordPrefsDialog::Show(const RecordPrefs& p) {
    (p.channels == 2 ? stereo_ : mono_)->setChecked(true);
    (p.bufferSize ? large_ : small_)->setChecked(true);
    rate_[std::clamp(p.rateChoice, 0, 3)]->setChecked(true);
    customRate_->setText(QString::number(p.customRate));
    highRes_->setChecked(p.flags & kRecord24Bit);
    driver_->setCurrentIndex(p.device >= 0 && p.device < inputDevices_ ? p.device : 0);
}

RecordPrefs RecordPrefsDialog::Values() const {
    RecordPrefs p;
    p.channels = stereo_->isChecked() ? 2 : 1;
    p.bufferSize = large_->isChecked() ? 1 : 0;
    p.rateChoice = 2;
    for (int i = 0; i < 4; ++i)
        if (rate_[i]->isChecked()) p.rateChoice = i;
    // A custom rate below 100 becomes 100.
    p.customRate = std::max(customRate_->text().toInt(), 100);
    p.device = inputDevices_ > 0 ? std::max(driver_->currentIndex(), 0) : 0;
    p.flags = highRes_->isChecked() ? kRecord24Bit : 0;
    p.name = preset_->currentText().left(79).toStdString();
    return p;
}

void RecordPrefsDialog::ChoosePreset(int index) {
    if (index < 0 || uint32_t(index) >= presets_.count) return;
    RecordPrefs p = Values();
    if (RecordPrefsFromRecord(presets_.Record(uint32_t(index)), false, inputDevices_, p) == 0)
        Show(p);
}

void RecordPrefsDialog::LoadPreset() {
    const QString path = askPath(this, false);
    if (path.isEmpty()) return;
    RecordPrefs p = Values();
    if (ReadRecordPrefsFile(path.toStdString(), inputDevices_, p) != 0) {
        ReportMessage(this, kPresetErrorCaption, "Error Reading Record Preferences Preset File");
        return;
    }
    Show(p);
    preset_->setEditText(QString::fromStdString(p.name));
}

void RecordPrefsDialog::SavePreset() {
    const QString path = askPath(this, true);
    if (path.isEmpty()) return;
    if (WriteRecordPrefsFile(path.toStdString(), Values()) != 0)
        ReportMessage(this, kPresetErrorCaption, "Error Writing Record Preferences Preset File");
}

void RecordPrefsDialog::accept() {
    gRecordPrefs = Values();
    QDialog::accept();
}

void RunRecordPrefsDialog(QWidget* parent) {
    std::vector<uint8_t> builtIns(size_t(kRecordPresetCount) * kRecordPrefsBytes);
    for (int i = 0; i < kRecordPresetCount; ++i)
        RecordPrefsToRecord(kRecordPresets[i], builtIns.data() + size_t(i) * kRecordPrefsBytes);
    OpenPresetDialog(nullptr, kDialogRecordPreferences, RecordKind(), builtIns.data(),
                     [&](PresetList& list) {
                         RecordPrefsDialog dialog(parent, list);
                         dialog.exec();
                     });
}

}  // namespace ob
