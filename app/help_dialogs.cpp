// Help texts and the tip of the day.
#include "app/help_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

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

const char* const kHelpContents =
    "<h3>Sample Orbick 24/96</h3>"
    "<p>Each editor window holds one sound. Open files with File &gt; Open or by dropping "
    "them on the window; save with File &gt; Save or Save As (the type list picks the "
    "format).</p>"
    "<p>Operations change the <b>affect area</b> (Setup &gt; Affect) of the <b>edit "
    "channels</b> (Setup &gt; Edit Left/Right). Every edit can be undone (Edit &gt; Undo) "
    "as far as the Backups setting allows.</p>"
    "<p>Macros in the Basic dialect drive every command; see Setup for recording, "
    "assigning and loading them.</p>";
const char* const kHelpFaqs =
    "<h3>FAQs</h3>"
    "<p><b>Where are my settings?</b> In orbick.ini of the settings folder: "
    "$ORBICK_HOME, else $XDG_CONFIG_HOME/orbick, else ~/.config/orbick.</p>"
    "<p><b>A file opens as RAW.</b> Its header was not recognised; choose the sample "
    "format in the RAW dialog.</p>";
const char* const kHelpHowTos =
    "<h3>How To's</h3>"
    "<p><b>Silence a passage:</b> drag over it, then Edit &gt; Mute.</p>"
    "<p><b>Convert a file:</b> open it, choose Save As and pick the type.</p>"
    "<p><b>Record a macro:</b> Setup &gt; Auto-Record Macro, work, then switch it off.</p>";
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
    QDialog dialog(parent);
    dialog.setObjectName("helpViewer");
    dialog.setWindowTitle("Sample Orbick Help");
    auto* layout = new QVBoxLayout(&dialog);
    auto* browser = new QTextBrowser;
    browser->setHtml(topic == HelpTopic::Faqs     ? kHelpFaqs
                     : topic == HelpTopic::HowTos ? kHelpHowTos
                                                  : kHelpContents);
    layout->addWidget(browser);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(520, 380);
    dialog.exec();
}

void ShowAbout(QWidget* parent) {
    QMessageBox::about(parent, "About Sample Orbick",
                       QString("<b>Sample Orbick 24/96</b><p>%1</p>"
                               "<p>A sample editor for musicians who build sounds for "
                               "hardware samplers.</p>")
                           .arg(VersionText()));
}

}  // namespace ob
