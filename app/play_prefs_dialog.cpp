// The "Playback Preferences" dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>

#include "app/audio_dialogs.h"
#include "audio/audio_device.h"
#include "script/play_commands.h"

namespace ob {

namespace {
constexpr int kAttenuations[4] = {0, 6, 12, 18};

QComboBox* Choices(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const char* item : items) box->addItem(item);
    return box;
}
}  // namespace

QString AskPresetPath(QWidget* parent, bool save) {
    QFileDialog dialog(
        parent, save ? "Save Preset As:" : "Open Preset:", QString::fromStdString(gPresetsFolder));
    dialog.setObjectName("presetFileDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({"Orbick Presets (*.obx*)", "All Files (*.*)"});
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().first();
}

PlayPrefsDialog::PlayPrefsDialog(QWidget* parent) : QDialog(parent), started_(gPlayPrefs) {
    setObjectName("playPrefsDialog");
    setWindowTitle("Playback Preferences");
    auto* form = new QFormLayout;
    channel_ = Choices(this, "channel", {"Auto", "Left Only", "Right Only"});
    loopChoice_ = Choices(this, "loopChoice", {"Auto", "One-Shot", "Release"});
    loopDirection_ = Choices(this, "loopDirection", {"Auto", "Forward", "Forward-Backward"});
    bufferSize_ = Choices(this, "bufferSize", {"Small", "Medium", "Large"});
    attenuation_ = Choices(this, "attenuation", {"0 dB", "-6 dB", "-12 dB", "-18 dB"});
    iterations_ = new QSpinBox(this);
    iterations_->setObjectName("iterations");
    iterations_->setRange(0, 1000000);
    transpose_ = new QSpinBox(this);
    transpose_->setObjectName("transpose");
    transpose_->setRange(-128, 127);
    transpose_->setSuffix(" semitones");
    showPosition_ = new QCheckBox("Show &Position", this);
    showPosition_->setObjectName("showPosition");
    lock44k_ = new QCheckBox("&Lock to 44.1 kHz", this);
    lock44k_->setObjectName("lock44k");
    highRes_ = new QCheckBox("24 &Bit High Res", this);
    highRes_->setObjectName("highRes");
    driver_ = new QComboBox(this);
    driver_->setObjectName("driver");
    for (const std::string& name : Audio().OutputDevices())
        driver_->addItem(QString::fromStdString(name));
    form->addRow("&Channel:", channel_);
    form->addRow("Loop C&hoice:", loopChoice_);
    form->addRow("Loop &Direction:", loopDirection_);
    form->addRow("Buffer &Size:", bufferSize_);
    form->addRow("&Attenuation:", attenuation_);
    form->addRow("&Iterations:", iterations_);
    form->addRow("&Transpose:", transpose_);
    form->addRow(QString(), showPosition_);
    form->addRow(QString(), lock44k_);
    form->addRow(QString(), highRes_);
    form->addRow("D&river:", driver_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* save = buttons->addButton("Sa&ve Pref", QDialogButtonBox::ActionRole);
    save->setObjectName("savePref");
    QPushButton* load = buttons->addButton("L&oad Pref", QDialogButtonBox::ActionRole);
    load->setObjectName("loadPref");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, &PlayPrefsDialog::SavePref);
    connect(load, &QPushButton::clicked, this, &PlayPrefsDialog::LoadPref);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    Show(gPlayPrefs);
}

void PlayPrefsDialog::Show(const PlayPrefs& p) {
    channel_->setCurrentIndex(std::clamp(p.channel, 0, 2));
    loopChoice_->setCurrentIndex(std::clamp(p.loopChoice, 0, 2));
    loopDirection_->setCurrentIndex(std::clamp(p.loopDirection, 0, 2));
    bufferSize_->setCurrentIndex(std::clamp(p.bufferSize, 1, 3) - 1);
    int attenuation = 0;
    for (int i = 0; i < 4; ++i)
        if (AttenuationShift(p.attenuation) == i) attenuation = i;
    attenuation_->setCurrentIndex(attenuation);
    iterations_->setValue(p.iterations);
    transpose_->setValue(p.transpose);
    showPosition_->setChecked(p.flags & kPlayShowPosition);
    lock44k_->setChecked(p.flags & kPlayLock44k);
    highRes_->setChecked(p.flags & kPlay24Bit);
    // A device number outside the list shows as device 0.
    driver_->setCurrentIndex(p.device >= 0 && p.device < driver_->count() ? p.device : 0);
}

PlayPrefs PlayPrefsDialog::Values() const {
    PlayPrefs p = gPlayPrefs;
    p.channel = channel_->currentIndex();
    p.loopChoice = loopChoice_->currentIndex();
    p.loopDirection = loopDirection_->currentIndex();
    p.bufferSize = bufferSize_->currentIndex() + 1;
    p.attenuation = kAttenuations[std::clamp(attenuation_->currentIndex(), 0, 3)];
    p.iterations = iterations_->value();
    p.transpose = transpose_->value();
    p.flags = 0;
    if (showPosition_->isChecked()) p.flags |= kPlayShowPosition;
    if (lock44k_->isChecked()) p.flags |= kPlayLock44k;
    if (highRes_->isChecked()) p.flags |= kPlay24Bit;
    p.device = std::max(driver_->currentIndex(), 0);
    return p;
}

void PlayPrefsDialog::SavePref() {
    const QString path = askPath(this, true);
    if (path.isEmpty()) return;
    // The file holds what the dialog shows; the settings change only on OK.
    const PlayPrefs current = gPlayPrefs;
    gPlayPrefs = Values();
    SavePlayPrefsCommand(path.toStdString());
    gPlayPrefs = current;
}

void PlayPrefsDialog::LoadPref() {
    const QString path = askPath(this, false);
    if (path.isEmpty()) return;
    if (LoadPlayPrefsCommand(path.toStdString())) Show(gPlayPrefs);
}

void PlayPrefsDialog::done(int result) {
    // OK keeps the values; Cancel restores those the dialog started with
    // (also after Load Pref applied a file).
    gPlayPrefs = result == QDialog::Accepted ? Values() : started_;
    QDialog::done(result);
}

void RunPlayPrefsDialog(QWidget* parent) {
    PlayPrefsDialog dialog(parent);
    dialog.exec();
}

}  // namespace ob
