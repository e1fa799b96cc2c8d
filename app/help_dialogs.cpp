// The tip of the day, the help commands and About.
#include "app/help_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/help_window.h"
#include "script/host_state.h"
#include "script/settings_store.h"

namespace ob {

namespace {
const char* const kTips[] = {
    "Drop sound files on the window to open each in an editor of its own.",
    "Drag in a waveform to select the Mouse Area; Shift+click extends it and a double "
    "click selects the whole sound.",
    "Ctrl+wheel zooms in time around the pointer, Shift+wheel zooms the level.",
    "Setup > Affect chooses what an operation changes: All, In View, Markers 0,1 or the "
    "Mouse Area.",
    "Setup > Backups sets how many undo steps each editor keeps; Ctrl+Z undoes and Ctrl+Y "
    "redoes.",
    "Setup > Smoothing crossfades the edges of every edit so that no click appears.",
    "Every command can be recorded as a macro: Setup > Auto-Record Macro writes the Basic "
    "lines as you work.",
    "F2 to F12 run the macros assigned to them (Setup > Assign Macros).",
    "A macro named orbick.macroinit in the settings folder runs at every start.",
    "orbick --batch MACRO.bas runs a macro without opening a window.",
    "Save Config keeps the current settings in a file; Load Config brings them back.",
    "Zoombox mode: drag a box to zoom to it. Freehand Draw: draw sample values when zoomed "
    "in to single samples.",
};
constexpr int kTipCount = int(sizeof kTips / sizeof kTips[0]);

}  // namespace

int TipCount() {
    return kTipCount;
}

const char* TipText(int index) {
    if (index < 0 || index >= kTipCount) index = 0;
    return kTips[index];
}

TipOfTheDayDialog::TipOfTheDayDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("tipOfTheDay");
    setWindowTitle("Tip of the Day");
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel;
    text_->setWordWrap(true);
    text_->setMinimumWidth(360);
    layout->addWidget(text_);
    atStartup_ = new QCheckBox("Show tips at &startup");
    atStartup_->setChecked(!(gShellSettings.displayFlags & kFlagNoTips));
    layout->addWidget(atStartup_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* next = buttons->addButton("&Next Tip", QDialogButtonBox::ActionRole);
    connect(next, &QPushButton::clicked, this, &TipOfTheDayDialog::NextTip);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(this, &QDialog::finished, this, [this] {
        uint32_t flags = gShellSettings.displayFlags & ~kFlagNoTips;
        if (!atStartup_->isChecked()) flags |= kFlagNoTips;
        gShellSettings.displayFlags = flags;
    });
    NextTip();
}

void TipOfTheDayDialog::NextTip() {
    int64_t index = gShellSettings.nextTip;
    if (index < 0 || index >= kTipCount) index = 0;
    text_->setText(TipText(int(index)));
    gShellSettings.nextTip = (index + 1) % kTipCount;
}

void ShowHelp(QWidget* parent, HelpTopic topic) {
    ShowHelpWindow(parent, topic == HelpTopic::Faqs     ? "faqs"
                           : topic == HelpTopic::HowTos ? "howtos"
                                                        : "index");
}

void ShowAbout(QWidget* parent) {
    QMessageBox::about(parent, "About Sample Orbick",
                       QString("<b>Sample Orbick 24/96</b><p>%1</p>"
                               "<p>A sample editor for musicians who build sounds for "
                               "hardware samplers.</p>")
                           .arg(VersionText()));
}

}  // namespace ob
