// The View Options dialog and the view font.
#include "app/view_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>

#include "app/command_table.h"
#include "app/editor_window.h"
#include "app/main_frame.h"
#include "base/dialog_guard.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/time_units.h"
#include "wave/wave_record.h"

namespace ob {

const uint32_t kViewOptionBits[5] = {0x10, 0x04, 0x01, 0x08, 0x02};

namespace {
constexpr const char* kFontKey = "View/Font";

QString StorePath(MainFrame* frame) {
    return frame->SettingsFolder() + "/orbick.ini";
}
QString MenuText(int id) {
    const Command* c = FindCommand(id);
    QString text = c ? QString(c->text) : QString::number(id);
    return text.remove(QRegularExpression("&(?!&)"));
}
QString FontText(const QFont& font) {
    return QString("%1, %2 pt").arg(font.family()).arg(font.pointSizeF());
}
}  // namespace

QFont ViewFont(MainFrame* frame) {
    return frame->Area()->font();
}

void SetViewFont(MainFrame* frame, const QFont& font) {
    // The views inherit the area's font, so editors made later take it too.
    frame->Area()->setFont(font);
    if (!frame->SettingsFolder().isEmpty()) {
        QSettings settings(StorePath(frame), QSettings::IniFormat);
        settings.setValue(kFontKey, font.toString());
    }
    for (EditorWindow* editor : frame->Editors())
        if (editor->Record()) NotifyChange(editor->Record(), kChangeView);
}

void ApplyStoredViewFont(MainFrame* frame) {
    if (frame->SettingsFolder().isEmpty()) return;
    QSettings settings(StorePath(frame), QSettings::IniFormat);
    QString text = settings.value(kFontKey).toString();
    QFont font;
    if (!text.isEmpty() && font.fromString(text)) frame->Area()->setFont(font);
}

void RunSetFontDialog(MainFrame* frame) {
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, ViewFont(frame), frame, "Set Font");
    if (ok) SetViewFont(frame, font);
}

ViewOptionsDialog::ViewOptionsDialog(MainFrame* frame, EditorWindow* editor)
    : QDialog(frame), frame_(frame), editor_(editor), font_(ViewFont(frame)) {
    setObjectName("viewOptionsDialog");
    setWindowTitle("View Options");
    WaveRecord* r = editor->Record();
    auto* form = new QFormLayout(this);
    for (int i = 0; i < 5; ++i) {
        options_[i] = new QCheckBox(MenuText(40605 + i));
        options_[i]->setObjectName(QString("viewOption%1").arg(i + 1));
        options_[i]->setChecked(r && (r->displayOptions & kViewOptionBits[i]));
        form->addRow(options_[i]);
    }
    timeUnit_ = new QComboBox;
    timeUnit_->setObjectName("timeUnit");
    // The menu's short entries ("30", "3&0") rely on their submenu's layout;
    // the list spells the units out.
    static const char* const kTimeUnits[13] = {"Seconds",
                                               "Min:Secs",
                                               "Words (sample points)",
                                               "Frames at 24",
                                               "Frames at 25",
                                               "Frames at 29.97",
                                               "Frames at 30",
                                               "SMPTE 24 (H:M:S:F)",
                                               "SMPTE 25 (H:M:S:F)",
                                               "SMPTE 30 drop frame",
                                               "SMPTE 30 (H:M:S:F)",
                                               "Beats",
                                               "Measures+Beats"};
    for (const char* text : kTimeUnits) timeUnit_->addItem(text);
    // A unit the record does not know shows as the readouts show it: Words.
    timeUnit_->setCurrentIndex(r ? int(TimeUnitOf(*r)) - 1 : int(kTimeWords) - 1);
    form->addRow("&Horizontal units:", timeUnit_);
    levelUnit_ = new QComboBox;
    levelUnit_->setObjectName("levelUnit");
    for (int i = 0; i < 5; ++i) levelUnit_->addItem(MenuText(40800 + i));
    levelUnit_->setCurrentIndex(r ? int(LevelUnitOf(*r)) - 1 : int(kLevelValue) - 1);
    form->addRow("&Vertical units:", levelUnit_);
    fontName_ = new QLabel(FontText(font_));
    fontName_->setObjectName("fontName");
    auto* fontButton = new QPushButton("&Font...");
    connect(fontButton, &QPushButton::clicked, this, [this] {
        bool ok = false;
        QFont font = QFontDialog::getFont(&ok, font_, this, "Set Font");
        if (ok) SetChosenFont(font);
    });
    form->addRow(fontName_, fontButton);
    forNew_ = new QCheckBox("Also for &new editors");
    forNew_->setObjectName("forNewEditors");
    forNew_->setChecked(true);
    form->addRow(forNew_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void ViewOptionsDialog::SetChosenFont(const QFont& font) {
    font_ = font;
    fontName_->setText(FontText(font));
}

void ViewOptionsDialog::accept() {
    WaveRecord* r = editor_->Record();
    uint32_t bits = 0;
    for (int i = 0; i < 5; ++i)
        if (options_[i]->isChecked()) bits |= kViewOptionBits[i];
    const uint32_t all = 0x1f;
    r->displayOptions = (r->displayOptions & ~all) | bits;
    r->timeUnit = uint32_t(timeUnit_->currentIndex() + 1);
    r->levelUnit = uint32_t(levelUnit_->currentIndex() + 1);
    if (forNew_->isChecked() && gEditorSlots[0]) {
        WaveRecord& defaults = *gEditorSlots[0];
        defaults.displayOptions = (defaults.displayOptions & ~all) | bits;
        defaults.timeUnit = r->timeUnit;
        defaults.levelUnit = r->levelUnit;
    }
    if (font_ != ViewFont(frame_)) SetViewFont(frame_, font_);
    NotifyChange(r, kChangeView);
    QDialog::accept();
}

void RunViewOptionsDialog(MainFrame* frame, EditorWindow* editor) {
    if (!editor || !editor->Record()) return;
    OpenProcessDialog(editor->Record(), kDialogViewOptions, [&] {
        ViewOptionsDialog dialog(frame, editor);
        dialog.exec();
    });
}

}  // namespace ob
