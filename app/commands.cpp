// The command table and the handlers of its commands.
#include <QDateTime>
#include <QFileDialog>
#include <QImageWriter>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "app/clip_commands.h"
#include "app/command_table.h"
#include "app/editor_window.h"
#include "app/generate_dialog.h"
#include "app/help_dialogs.h"
#include "app/loop_marker_dialogs.h"
#include "app/loop_window.h"
#include "app/macro_commands.h"
#include "app/macro_editor.h"
#include "app/main_frame.h"
#include "app/operation_dialog.h"
#include "app/sampler_dialogs.h"
#include "app/setup_dialogs.h"
#include "app/spectrum_window.h"
#include "app/transport.h"
#include "app/view_memory.h"
#include "app/view_options.h"
#include "app/view_style.h"
#include "base/messages.h"
#include "dsp/frame.h"
#include "dsp/length_edit.h"
#include "dsp/level.h"
#include "dsp/operation.h"
#if __has_include("dsp/operation_table.h")
#include "dsp/operation_table.h"
#define ORBICK_HAS_OPERATION_TABLE 1
#endif
#include "dsp/preset_list.h"
#include "dsp/simple.h"
#include "formats/format_table.h"
#include "formats/sound_io.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
#include "script/recorder.h"
#include "script/run_macro.h"
#include "script/settings_store.h"
#include "wave/change_notice.h"
#include "wave/record_report.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

using G = CommandGroup;

// ---- helpers of the handlers ----
WaveRecord* RecordOf(const CommandContext& c) {
    return c.editor ? c.editor->Record() : nullptr;
}
bool HasWave(const CommandContext& c) {
    return WaveHasData(RecordOf(c));
}
bool HasEditor(const CommandContext& c) {
    return c.editor != nullptr;
}
// The waveform view offers the named slot (the signature as moc spells it).
bool ViewHas(const CommandContext& c, const char* signature) {
    QWidget* view = c.editor ? c.editor->View() : nullptr;
    return view && view->metaObject()->indexOfMethod(signature) >= 0;
}
void CallView(const CommandContext& c, const char* slot) {
    QMetaObject::invokeMethod(c.editor->View(), slot);
}

// A sample operation on the active editor with its macro-recorder line.
template <class Run, class Line>
void RunEdit(CommandContext& c, Run run, Line line) {
    WaveRecord* record = RecordOf(c);
    if (!WaveHasData(record)) {
        ReportEmptyEditor(*record);
        return;
    }
    // The window says why nothing happens; a macro gets result 0 instead.
    if (AffectRange(*record).length == 0) {
        ReportNoAffectArea(*record);
        return;
    }
    if (AffectChannels(*record) == 0) {
        ReportNoEditChannel(*record);
        return;
    }
    int result = run(*record);
    int number = c.editor->Number();
    if (result == kEditDone || result == kEditAborted) RecordLine([&] { return line(number); });
}
void RunSimple(CommandContext& c, SimpleOperation operation) {
    RunEdit(
        c, [&](WaveRecord& r) { return RunSimpleOperation(r, operation); },
        [&](int n) { return SimpleMacroLine(operation, n); });
}

// Scrolls the view so that `frame` is in its middle.
void ViewFrame(CommandContext& c, uint32_t frame) {
    WaveRecord* record = RecordOf(c);
    if (!WaveHasData(record)) return;
    uint32_t span = record->viewSpan ? record->viewSpan : record->frameCount;
    if (span > record->frameCount) span = record->frameCount;
    uint32_t start = frame > span / 2 ? frame - span / 2 : 0;
    if (start + span > record->frameCount) start = record->frameCount - span;
    record->viewStart = start;
    NotifyChange(record, kChangeView);
}

const char* const kNeedsPlayback = "Not available yet: needs playback";
const char* const kNeedsRecording = "Not available yet: needs recording";
const char* const kNeedsSampler = "Not available yet: needs sampler transfer";
const char* const kNeedsDialog = "Not available yet: needs its processing dialog";

// ---- row builders ----
Command Cmd(int id, const char* text, const char* keys, G group, CommandHandler handler,
            CommandState enabled = nullptr, const char* icon = "") {
    Command c;
    c.id = id;
    c.text = text;
    c.shortcut = keys;
    c.group = group;
    c.handler = handler;
    c.enabled = enabled;
    c.icon = icon;
    return c;
}
Command Check(int id, const char* text, G group, CommandHandler handler, CommandState checked,
              bool radio = false, const char* keys = "") {
    Command c = Cmd(id, text, keys, group, handler);
    c.checked = checked;
    c.radio = radio;
    return c;
}
Command Missing(int id, const char* text, G group, const char* why, const char* keys = "",
                const char* icon = "") {
    Command c = Cmd(id, text, keys, group, nullptr, nullptr, icon);
    c.missing = why;
    return c;
}

// ---- the commands of each group ----
void FileCommands(std::vector<Command>& t) {
    t.push_back(Cmd(
        40001, "&New", "Ctrl+N", G::File, [](CommandContext& c) { c.frame->NewWave(); }, nullptr,
        "document-new"));
    t.push_back(Cmd(
        40002, "&Open...", "Ctrl+O", G::File, [](CommandContext& c) { c.frame->OpenWithDialog(); },
        nullptr, "document-open"));
    t.push_back(Cmd(
        40003, "&Save", "Ctrl+S", G::File,
        [](CommandContext& c) { c.frame->SaveEditor(c.editor, false); }, HasWave, "document-save"));
    t.push_back(Cmd(
        40004, "Save &As...", "Ctrl+Shift+S", G::File,
        [](CommandContext& c) { c.frame->SaveEditor(c.editor, true); }, HasWave,
        "document-save-as"));
    t.push_back(Missing(40005, "Sen&d...", G::File, kNeedsSampler));
    t.push_back(Missing(40006, "Recei&ve...", G::File, kNeedsSampler));
    t.push_back(Missing(40007, "Record &Prefs...", G::File, kNeedsRecording));
    t.push_back(Missing(40008, "&Record...", G::File, kNeedsRecording));
    t.push_back(Missing(40009, "&Generate...", G::File, kNeedsDialog));
    t.push_back(Missing(40010, "Pla&y Prefs...", G::File, kNeedsPlayback));
    t.push_back(Missing(40011, "&Play", G::File, kNeedsPlayback, "Space", "media-playback-start"));
    t.push_back(Missing(40012, "Play &Looped", G::File, kNeedsPlayback, "Shift+Space"));
    t.push_back(Missing(40013, "Play A&ffect", G::File, kNeedsPlayback, "Ctrl+Space"));
    t.push_back(Missing(40014, "S&top Play", G::File, kNeedsPlayback, "", "media-playback-stop"));
    t.push_back(Cmd(
        40015, "Propert&ies...", "", G::File,
        [](CommandContext& c) { RunWaveInformation(c.editor); }, HasWave, "document-properties"));
    t.push_back(Cmd(
        40016, "Na&me...", "", G::File, [](CommandContext& c) { RunNameDialog(c.editor); },
        HasEditor));
    t.push_back(
        Cmd(40022, "New &Editor", "", G::File, [](CommandContext& c) { c.frame->NewEditor(); }));
    t.push_back(Cmd(
        40026, "Pri&nt...", "Ctrl+P", G::File,
        [](CommandContext& c) {
            QPrinter printer;
            QPrintDialog dialog(&printer, c.frame);
            if (dialog.exec() != QDialog::Accepted) return;
            QPainter painter(&printer);
            QRect page = painter.viewport();
            QImage image;
            QMetaObject::invokeMethod(c.editor->View(), "RenderImage", Q_RETURN_ARG(QImage, image),
                                      Q_ARG(QSize, QSize(page.width(), page.height() / 2)));
            painter.drawImage(QPoint(0, 0), image);
        },
        [](const CommandContext& c) { return HasWave(c) && ViewHas(c, "RenderImage(QSize)"); },
        "document-print"));
    t.push_back(Cmd(
        40027, "Save Ima&ge...", "", G::File,
        [](CommandContext& c) {
            QString path = QFileDialog::getSaveFileName(
                c.frame, "Save Image", QString(),
                "PNG Image (*.png);;BMP Image (*.bmp);;JPEG Image (*.jpg *.jpeg)");
            if (path.isEmpty()) return;
            QImage image;
            QMetaObject::invokeMethod(c.editor->View(), "RenderImage", Q_RETURN_ARG(QImage, image),
                                      Q_ARG(QSize, c.editor->View()->size()));
            if (image.isNull() || !image.save(path))
                ReportMessage(c.frame, path.toStdString(), "Error Writing Image File");
        },
        [](const CommandContext& c) { return HasWave(c) && ViewHas(c, "RenderImage(QSize)"); }));
    t.push_back(Cmd(
        40023, "&Close", "Ctrl+W", G::File,
        [](CommandContext& c) {
            if (c.editor && c.editor->parentWidget()) c.editor->parentWidget()->close();
        },
        HasEditor, "document-close"));
    t.push_back(Cmd(
        40024, "E&xit", "Ctrl+Q", G::File, [](CommandContext& c) { c.frame->close(); }, nullptr,
        "application-exit"));
}

void SetupCommands(std::vector<Command>& t) {
    static const char* const kAffect[4] = {"Affect &All", "Affect &In View", "Affect &Markers 0,1",
                                           "Affect M&ouse Area"};
    for (int i = 0; i < 4; ++i)
        t.push_back(Check(
            40100 + i, kAffect[i], G::Setup,
            [](CommandContext& c) {
                gEditing.affectArea = uint16_t(c.id - 40099);
                RecordLine([&] { return SetAffectTypeLine(c.id - 40099); });
                for (int n = 1; n < kEditorSlots; ++n)
                    if (gEditorSlots[n]) NotifyChange(gEditorSlots[n], kChangeView);
            },
            [](const CommandContext& c) { return gEditing.affectArea == c.id - 40099; }, true));
    for (int i = 0; i < 2; ++i)
        t.push_back(Check(
            40104 + i, i == 0 ? "Edit &Left" : "Edit &Right", G::Setup,
            [](CommandContext& c) {
                gEditing.editChannel ^= (c.id == 40104 ? kEditLeft : kEditRight);
                RecordLine([&] { return SetEditChannelLine(int(gEditing.editChannel)); });
                for (int n = 1; n < kEditorSlots; ++n)
                    if (gEditorSlots[n]) NotifyChange(gEditorSlots[n], kChangeView);
            },
            [](const CommandContext& c) {
                return (gEditing.editChannel & (c.id == 40104 ? kEditLeft : kEditRight)) != 0;
            }));
    t.push_back(Check(
        40106, "Edit and &Play", G::Setup,
        [](CommandContext&) { gProcessing.editAndPlay = !gProcessing.editAndPlay; },
        [](const CommandContext&) { return gProcessing.editAndPlay; }));
    t.push_back(Check(
        40107, "A&bortable", G::Setup,
        [](CommandContext&) { gProcessing.abortable = !gProcessing.abortable; },
        [](const CommandContext&) { return gProcessing.abortable; }));
    t.push_back(Check(
        40108, "Auto &Zoom Out", G::Setup,
        [](CommandContext&) { gProcessing.autoZoomOut = !gProcessing.autoZoomOut; },
        [](const CommandContext&) { return gProcessing.autoZoomOut; }));
    t.push_back(Cmd(40109, "Bac&kups...", "", G::Setup,
                    [](CommandContext& c) { RunBackupsDialog(c.frame); }));
    t.push_back(Cmd(40110, "S&moothing...", "", G::Setup,
                    [](CommandContext& c) { RunSmoothingDialog(c.frame); }));
    t.push_back(Cmd(40111, "Sa&ve Config...", "", G::Setup, [](CommandContext& c) {
        QString path = QFileDialog::getSaveFileName(c.frame, "Save Config",
                                                    c.frame->SettingsFolder() + "/orbick.config",
                                                    "Configuration (*.config);;All Files (*)");
        if (!path.isEmpty()) SaveConfigCommand(path.toStdString());
    }));
    t.push_back(Cmd(40112, "Loa&d Config...", "", G::Setup, [](CommandContext& c) {
        QString path =
            QFileDialog::getOpenFileName(c.frame, "Load Config", c.frame->SettingsFolder(),
                                         "Configuration (*.config);;All Files (*)");
        if (path.isEmpty()) return;
        if (LoadConfigCommand(path.toStdString()))
            for (int n = 1; n < kEditorSlots; ++n)
                if (gEditorSlots[n]) NotifyChange(gEditorSlots[n], kChangeView | kChangeUndo);
    }));
    t.push_back(Cmd(40113, "Save Macros...", "", G::Setup,
                    [](CommandContext& c) { SaveMacrosWithDialog(c.frame); }));
    t.push_back(Cmd(40114, "Load Macros...", "", G::Setup,
                    [](CommandContext& c) { LoadMacrosWithDialog(c.frame); }));
    t.push_back(Cmd(40115, "Assign Macros...", "", G::Setup,
                    [](CommandContext& c) { RunAssignMacrosDialog(c.frame); }));
    t.push_back(Cmd(kRunMacroCommand, "R&un Macro...", "", G::Setup,
                    [](CommandContext& c) { RunMacroWithDialog(c.frame); }));
    t.push_back(Cmd(40117, kRecordMacroText, "", G::Setup,
                    [](CommandContext& c) { ToggleMacroRecorder(c.frame); }));
    t.push_back(Cmd(kMacroEditorCommand, "Macro &Editor...", "", G::Setup,
                    [](CommandContext& c) { ShowMacroEditor(c.frame); }));
    static const char* const kKeys[kMacroKeyCount] = {"F2", "F3", "F4",  "F5",  "F6", "F7",
                                                      "F8", "F9", "F10", "F11", "F12"};
    static const char* const kKeyTexts[kMacroKeyCount] = {
        "Macro F2", "Macro F3", "Macro F4",  "Macro F5",  "Macro F6", "Macro F7",
        "Macro F8", "Macro F9", "Macro F10", "Macro F11", "Macro F12"};
    for (int i = 0; i < kMacroKeyCount; ++i)
        t.push_back(Cmd(
            40119 + i, kKeyTexts[i], kKeys[i], G::Setup,
            [](CommandContext& c) { RunMacroKey(c.frame, c.id - 40119); },
            [](const CommandContext& c) { return !gMacroKeys[c.id - 40119].empty(); }));
    t.push_back(Cmd(40130, "Sounds Path...", "", G::Setup, [](CommandContext& c) {
        QString dir = QFileDialog::getExistingDirectory(
            c.frame, "Sounds Path", QString::fromStdString(gShellSettings.soundsFolder));
        if (!dir.isEmpty()) gShellSettings.soundsFolder = dir.toStdString().substr(0, 260);
    }));
    t.push_back(Cmd(40131, "Presets Path...", "", G::Setup, [](CommandContext& c) {
        QString dir = QFileDialog::getExistingDirectory(c.frame, "Presets Path",
                                                        QString::fromStdString(gPresetsFolder));
        if (!dir.isEmpty()) gPresetsFolder = dir.toStdString().substr(0, 260);
    }));
    static const char* const kBars[5] = {"Functions Toolbar", "Effects Toolbar",
                                         "Loops+Markers Toolbar", "Multi-Clips Toolbar",
                                         "Views Toolbar"};
    for (int i = 0; i < 5; ++i)
        t.push_back(Check(
            40132 + i, kBars[i], G::Setup,
            [](CommandContext& c) { c.frame->ToggleToolbar(c.id - 40132); },
            [](const CommandContext& c) { return c.frame->ToolbarVisible(c.id - 40132); }));
}

void FormatCommands(std::vector<Command>& t) {
    for (int i = 0; i < 18; ++i)
        t.push_back(Check(
            40200 + i, kFormatMenu[i].text, G::Format,
            [](CommandContext& c) {
                int code = kFormatMenu[c.id - 40200].code;
                SetDefaultSaveFormat(code);
                RecordLine([&] { return SetFormatTypeLine(code); });
            },
            [](const CommandContext& c) {
                return gEditing.defaultSaveFormat == kFormatMenu[c.id - 40200].code;
            },
            true));
    // WAV options in menu order smpl, inst, cue, INAM with their option bits.
    static const char* const kOptions[4] = {"WAV: write &smpl", "WAV: write &inst",
                                            "WAV: write &cue", "WAV: write I&NAM"};
    for (int i = 0; i < 4; ++i)
        t.push_back(Check(
            40219 + i, kOptions[i], G::Format,
            [](CommandContext& c) {
                static const uint32_t kBits[4] = {2, 1, 4, 8};
                gEditing.wavOptions ^= kBits[c.id - 40219];
            },
            [](const CommandContext& c) {
                static const uint32_t kBits[4] = {2, 1, 4, 8};
                return (gEditing.wavOptions & kBits[c.id - 40219]) != 0;
            }));
}

// Sampler menu order and the sampler codes of its entries.
constexpr int kSamplerCodes[10] = {8, 0, 1, 2, 3, 4, 5, 7, 6, 9};

void SamplerCommands(std::vector<Command>& t) {
    static const char* const kNames[10] = {
        "SMDI",   "SDS 12 Bit", "SDS 16 Bit", "Prophet 2000", "Ensoniq EPS",
        "EPS16+", "ASR10",      "Akai S612",  "Korg DSS1",    "Korg DSM1"};
    for (int i = 0; i < 10; ++i)
        t.push_back(Check(
            40300 + i, kNames[i], G::Sampler,
            [](CommandContext& c) {
                gSamplerType = kSamplerCodes[c.id - 40300];
                RecordLine([&] { return SetSamplerTypeLine(gSamplerType); });
            },
            [](const CommandContext& c) { return gSamplerType == kSamplerCodes[c.id - 40300]; },
            true));
    t.push_back(Missing(40310, "Dynamic Dialog...", G::Sampler, kNeedsSampler));
}

void WindowCommands(std::vector<Command>& t) {
    t.push_back(Cmd(40400, "&Cascade", "", G::Window,
                    [](CommandContext& c) { c.frame->Area()->cascadeSubWindows(); }));
    t.push_back(Cmd(40401, "&Tile", "", G::Window,
                    [](CommandContext& c) { c.frame->Area()->tileSubWindows(); }));
    t.push_back(Cmd(40402, "&Arrange Icons", "", G::Window, [](CommandContext& c) {
        // Minimised editors in a row along the bottom of the area.
        int x = 0;
        QMdiArea* area = c.frame->Area();
        for (QMdiSubWindow* s : area->subWindowList(QMdiArea::CreationOrder)) {
            if (!s->isMinimized()) continue;
            s->move(x, area->viewport()->height() - s->height());
            x += s->width();
        }
    }));
    t.push_back(Cmd(40403, "Close &All", "", G::Window,
                    [](CommandContext& c) { c.frame->CloseAllEditors(); }));
}

void HelpCommands(std::vector<Command>& t) {
    t.push_back(Cmd(40500, "&Contents", "F1", G::Help,
                    [](CommandContext& c) { ShowHelp(c.frame, HelpTopic::Contents); }));
    t.push_back(Cmd(40501, "&FAQs", "", G::Help,
                    [](CommandContext& c) { ShowHelp(c.frame, HelpTopic::Faqs); }));
    t.push_back(Cmd(40502, "&How To's", "", G::Help,
                    [](CommandContext& c) { ShowHelp(c.frame, HelpTopic::HowTos); }));
    t.push_back(Cmd(40503, "&Tip of the Day", "", G::Help,
                    [](CommandContext& c) { c.frame->ShowTipOfTheDay(); }));
    t.push_back(Check(
        40504, "Tips at &Startup", G::Help,
        [](CommandContext&) { gShellSettings.displayFlags ^= kFlagNoTips; },
        [](const CommandContext&) { return !(gShellSettings.displayFlags & kFlagNoTips); }));
    t.push_back(Cmd(40505, "&About Sample Orbick", "", G::Help,
                    [](CommandContext& c) { ShowAbout(c.frame); }));
}

void ViewCommands(std::vector<Command>& t) {
    struct ViewSlot {
        int id;
        const char* text;
        const char* keys;
        const char* slot;
        const char* signature;
        const char* icon;
    };
    static const ViewSlot kSlots[] = {
        {40600, "Show &Full", "Ctrl+F", "ShowFull", "ShowFull()", "zoom-fit-best"},
        {40601, "Zoom In &Horiz", "Ctrl+1", "ZoomIn", "ZoomIn()", "zoom-in"},
        {40602, "Zoom In &Vert", "Shift+Up", "ZoomLevelIn", "ZoomLevelIn()", ""},
        {40603, "Zoom &Out Horiz", "Ctrl+3", "ZoomOut", "ZoomOut()", "zoom-out"},
        {40604, "Zoom Out V&ert", "Shift+Down", "ZoomLevelOut", "ZoomLevelOut()", ""},
    };
    for (const ViewSlot& s : kSlots) {
        Command c = Cmd(
            s.id, s.text, s.keys, G::View,
            [](CommandContext& c) {
                for (const ViewSlot& v : kSlots)
                    if (v.id == c.id) CallView(c, v.slot);
            },
            [](const CommandContext& c) {
                for (const ViewSlot& v : kSlots)
                    if (v.id == c.id) return ViewHas(c, v.signature);
                return false;
            },
            s.icon);
        t.push_back(c);
    }
    // Display options of the editor (and of the default record for new ones).
    static const std::pair<const char*, uint32_t> kOptions[5] = {{"&Box Outline", 0x10},
                                                                 {"&Color Point", 0x04},
                                                                 {"O&verview", 0x01},
                                                                 {"&X-Y Readout", 0x08},
                                                                 {"Edit &Status", 0x02}};
    for (int i = 0; i < 5; ++i)
        t.push_back(Check(
            40605 + i, kOptions[i].first, G::View,
            [](CommandContext& c) {
                uint32_t bit = kOptions[c.id - 40605].second;
                WaveRecord* r = RecordOf(c);
                r->displayOptions ^= bit;
                WaveRecord& defaults = *gEditorSlots[0];
                defaults.displayOptions =
                    (defaults.displayOptions & ~bit) | (r->displayOptions & bit);
                NotifyChange(r, kChangeView);
            },
            [](const CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                return r && (r->displayOptions & kOptions[c.id - 40605].second) != 0;
            }));
    t.push_back(Cmd(40610, "Set Co&lors...", "", G::View,
                    [](CommandContext& c) { RunSetColorsDialog(c.frame); }));
    t.push_back(Cmd(40611, "Set &Font...", "", G::View,
                    [](CommandContext& c) { RunSetFontDialog(c.frame); }));
    t.push_back(Missing(40612, "Set Offset/&Tempo...", G::View,
                        "Not available yet: needs the readout-units dialog"));
    static const char* const kSet[10] = {"Set View 1", "Set View 2", "Set View 3", "Set View 4",
                                         "Set View 5", "Set View 6", "Set View 7", "Set View 8",
                                         "Set View 9", "Set View 10"};
    static const char* const kGet[10] = {"Get View 1", "Get View 2", "Get View 3", "Get View 4",
                                         "Get View 5", "Get View 6", "Get View 7", "Get View 8",
                                         "Get View 9", "Get View 10"};
    for (int i = 0; i < 10; ++i)
        t.push_back(Cmd(
            40613 + i, kSet[i], "", G::View,
            [](CommandContext& c) { SetView(c.id - 40613, *RecordOf(c)); }, HasWave));
    for (int i = 0; i < 10; ++i)
        t.push_back(Cmd(
            40623 + i, kGet[i], "", G::View,
            [](CommandContext& c) { GetView(c.id - 40623, RecordOf(c)); },
            [](const CommandContext& c) { return HasWave(c) && SavedViewAt(c.id - 40623).set; }));
    t.push_back(Cmd(
        40641, "&Options...", "", G::View,
        [](CommandContext& c) { RunViewOptionsDialog(c.frame, c.editor); }, HasEditor));
}

void UnitCommands(std::vector<Command>& t) {
    static const char* const kTime[13] = {
        "&Seconds",    "&Min:Secs", "&Words",   "24 &Frames", "&25 ",   "30 &Drop",   "&30",
        "24 &H:M:S:F", "2&5",       "30 D&rop", "3&0",        "&Beats", "M&eas+Beats"};
    for (int i = 0; i < 13; ++i)
        t.push_back(Check(
            40700 + i, kTime[i], G::HorizontalUnits,
            [](CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                r->timeUnit = uint32_t(c.id - 40699);
                gEditorSlots[0]->timeUnit = r->timeUnit;
                NotifyChange(r, kChangeView);
            },
            [](const CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                return r && r->timeUnit == uint32_t(c.id - 40699);
            },
            true));
    static const char* const kLevel[5] = {"&Percent", "&Value", "&dB", "-d&B", "-dB &RMS"};
    for (int i = 0; i < 5; ++i)
        t.push_back(Check(
            40800 + i, kLevel[i], G::VerticalUnits,
            [](CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                r->levelUnit = uint32_t(c.id - 40799);
                gEditorSlots[0]->levelUnit = r->levelUnit;
                NotifyChange(r, kChangeView);
            },
            [](const CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                return r && r->levelUnit == uint32_t(c.id - 40799);
            },
            true));
}

void ProcessingCommands(std::vector<Command>& t) {
    static const char* const kFunctions[27] = {"&Clone Wave",
                                               "Combine Samples (&Mix)...",
                                               "Cut/&Keep List...",
                                               "&FFT Spectrum Analysis...",
                                               "Mono/&Stereo...",
                                               "Sample &Rate Transpose...",
                                               "S&tatistics...",
                                               "&Bass/Treble...",
                                               "F&ilters...",
                                               "&GraFreq...",
                                               "&Parametric...",
                                               "C&ompressor...",
                                               "&Envelope Generator...",
                                               "Gai&n...",
                                               "Ma&ximize",
                                               "Norma&lize...",
                                               "Noise Gat&e...",
                                               "Crossfade &Loop...",
                                               "Interactive Loop &Window",
                                               "Key Ma&p...",
                                               "MIDI Key&board",
                                               "&DC Offset...",
                                               "Reduce No&ise...",
                                               "Remove Clicks and Pops...",
                                               "Re&plicate...",
                                               "Silence &Insert...",
                                               "&Unclip"};
    for (int i = 0; i < 27; ++i)
        t.push_back(Missing(40900 + i, kFunctions[i], G::Functions, kNeedsDialog));
    static const char* const kEffects[23] = {"&Amplitude Modulate...",
                                             "&Frequency Modulate...",
                                             "&Convolution...",
                                             "Cross &Multiply...",
                                             "C&horus...",
                                             "F&lange...",
                                             "&Echo...",
                                             "&Impulse Modeling...",
                                             "&Reverb...",
                                             "&Grunge...",
                                             "&Differentiate",
                                             "In&tegrate",
                                             "In&vert",
                                             "Re&verse",
                                             "Rectify F&ull wave",
                                             "Rectify &Half wave",
                                             "Harmon&y...",
                                             "&Pitch Shift...",
                                             "Re&synthesize...",
                                             "Spectral &Warp...",
                                             "Time &Stretch...",
                                             "Transfer F&unction...",
                                             "Vari-Time Fi&lter..."};
    for (int i = 0; i < 23; ++i)
        t.push_back(Missing(41100 + i, kEffects[i], G::Effects, kNeedsDialog));

    auto set = [&](int id, CommandHandler handler) {
        for (Command& c : t)
            if (c.id == id) {
                c.handler = handler;
                c.missing = nullptr;
                c.enabled = HasWave;
            }
    };
    // The analysis has a dialog and a window of its own (no operation entry).
    set(40903, [](CommandContext& c) { RunSpectrumAnalysis(c.editor); });
    set(40902, [](CommandContext& c) { RunCutKeepListDialog(c.frame, RecordOf(c)); });
    set(40918, [](CommandContext& c) { ShowLoopWindow(c.frame, RecordOf(c)); });
#ifdef ORBICK_HAS_OPERATION_TABLE
    // The operation table names each processing command's operation: those
    // without a dialog run at once with their start values; those with one
    // wait for their dialog.
    for (Command& c : t) {
        const OperationEntry* entry = FindOperationByCommand(c.id);
        if (!entry) continue;
        c.text = entry->info.menuText;
        if (entry->info.dialog != kNoDialog) {
            // The shared operation dialog (app/operation_dialog.h).
            if (HasCommandDialog(c.id)) {
                c.handler = [](CommandContext& c) { RunOperationCommand(c.editor, c.id); };
                c.missing = nullptr;
                c.enabled = HasWave;
            }
            continue;
        }
        c.handler = [](CommandContext& c) {
            const OperationEntry* entry = FindOperationByCommand(c.id);
            WaveRecord* record = RecordOf(c);
            std::vector<std::max_align_t> params(entry->paramsSize / sizeof(std::max_align_t) + 1);
            if (entry->defaults) entry->defaults(params.data());
            int result = RunOperation(*entry, *record, params.data());
            int number = c.editor->Number();
            if ((result == kEditDone || result == kEditAborted) && entry->macroLine)
                RecordLine([&] { return entry->macroLine(number, params.data()); });
        };
        c.missing = nullptr;
        c.enabled = HasWave;
    }
    return;
#endif
    // The operations that need no dialog.
    set(40900, [](CommandContext& c) {
        int number = DuplicateWave(*RecordOf(c));
        if (number) c.frame->ShowEditor(number);
    });
    set(40914, [](CommandContext& c) {
        RunEdit(
            c, [](WaveRecord& r) { return Maximize(r); },
            [](int n) { return MaximizeMacroLine(n); });
    });
    set(40926, [](CommandContext& c) {
        RunEdit(
            c, [](WaveRecord& r) { return Unclip(r); }, [](int n) { return UnclipMacroLine(n); });
    });
    set(41110, [](CommandContext& c) { RunSimple(c, kSimpleDifferentiate); });
    set(41111, [](CommandContext& c) { RunSimple(c, kSimpleIntegrate); });
    set(41112, [](CommandContext& c) { RunSimple(c, kSimpleInvert); });
    set(41113, [](CommandContext& c) { RunSimple(c, kSimpleReverse); });
    set(41114, [](CommandContext& c) { RunSimple(c, kSimpleRectifyFull); });
    set(41115, [](CommandContext& c) { RunSimple(c, kSimpleRectifyHalf); });
}

void ModeCommands(std::vector<Command>& t) {
    static const char* const kModes[3] = {"&Normal", "&Zoombox", "&Freehand Draw"};
    for (int i = 0; i < 3; ++i)
        t.push_back(Check(
            41000 + i, kModes[i], G::Mode,
            [](CommandContext& c) {
                int mode = c.id - 41000;
                int number = c.editor->Number();
                gEditorModes[number] = mode;
                QMetaObject::invokeMethod(c.editor->View(), "SetMode", Q_ARG(int, mode));
                RecordLine([&] { return SetModeLine(number, mode); });
            },
            [](const CommandContext& c) {
                return c.editor && gEditorModes[c.editor->Number()] == c.id - 41000;
            },
            true));
    for (Command& c : t)
        if (c.id >= 41000 && c.id <= 41002)
            c.enabled = [](const CommandContext& c) { return ViewHas(c, "SetMode(int)"); };
    t.push_back(Missing(41003, "&Scrub", G::Mode, kNeedsPlayback));
}

void LoopMarkerCommands(std::vector<Command>& t) {
    t.push_back(Cmd(41200, "&Auto Locate...", "", G::LoopsMarkers,
                    [](CommandContext& c) { RunAutoLocateDialog(c.frame); }));
    t.push_back(Cmd(
        41201, "&Loop Set...", "", G::LoopsMarkers,
        [](CommandContext& c) { RunSetLoopDialog(c.frame, RecordOf(c)); }, HasWave));
    static const char* const kShow[3] = {"Loop Show All", "Loop Show None",
                                         "Loop Show Sus/Rel Only"};
    for (int i = 0; i < 3; ++i)
        t.push_back(Cmd(
            41202 + i, kShow[i], "", G::LoopsMarkers,
            [](CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                for (LoopNode* l = r->loops; l; l = l->next) {
                    bool show =
                        c.id == 41202 ||
                        (c.id == 41204 && (l->id == r->sustainLoopId || l->id == r->releaseLoopId));
                    l->type = show ? (l->type & ~kLoopTypeHidden) : (l->type | kLoopTypeHidden);
                }
                NotifyChange(r, kChangeLoopsMarkers);
            },
            HasWave));
    static const char* const kLoopView[6] = {"Loop View Sustain", "Sustain Start", "Sustain End",
                                             "Release",           "Release Start", "Release End"};
    for (int i = 0; i < 6; ++i)
        t.push_back(Cmd(
            41205 + i, kLoopView[i], "", G::LoopsMarkers,
            [](CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                int k = c.id - 41205;
                LoopNode* loop = FindLoop(*r, k < 3 ? r->sustainLoopId : r->releaseLoopId);
                if (!loop) return;
                int part = k % 3;  // 0 whole loop, 1 start, 2 end
                if (part == 0) {
                    r->viewSpan = std::min(r->frameCount, loop->end - loop->start + 1);
                    r->viewStart = loop->start;
                    NotifyChange(r, kChangeView);
                } else {
                    ViewFrame(c, part == 1 ? loop->start : loop->end);
                }
            },
            [](const CommandContext& c) {
                WaveRecord* r = RecordOf(c);
                if (!WaveHasData(r)) return false;
                int id = c.id - 41205 < 3 ? r->sustainLoopId : r->releaseLoopId;
                return id >= 0 && FindLoop(*r, id) != nullptr;
            }));
    t.push_back(Cmd(
        41211, "&Marker Set...", "", G::LoopsMarkers,
        [](CommandContext& c) { RunSetMarkerDialog(c.frame, RecordOf(c)); }, HasWave));
    // Marker Show: the editor's markers drawn (checked) or hidden; hidden
    // markers keep working (affect area, Marker View, saving).
    t.push_back(Check(
        41212, "Marker S&how", G::LoopsMarkers,
        [](CommandContext& c) {
            WaveRecord* r = RecordOf(c);
            if (!r) return;
            r->displayOptions ^= kViewHideMarkers;
            NotifyChange(r, kChangeLoopsMarkers);
        },
        [](const CommandContext& c) {
            const WaveRecord* r = RecordOf(c);
            return r && !(r->displayOptions & kViewHideMarkers);
        }));
    static const char* const kMarkers[10] = {
        "Marker View 0", "Marker View 1", "Marker View 2", "Marker View 3", "Marker View 4",
        "Marker View 5", "Marker View 6", "Marker View 7", "Marker View 8", "Marker View 9"};
    for (int i = 0; i < 10; ++i)
        t.push_back(Cmd(
            41213 + i, kMarkers[i], "", G::LoopsMarkers,
            [](CommandContext& c) {
                MarkerNode* m = FindMarker(*RecordOf(c), c.id - 41213);
                if (m) ViewFrame(c, m->position);
            },
            [](const CommandContext& c) {
                return HasWave(c) && FindMarker(*RecordOf(c), c.id - 41213) != nullptr;
            }));
}

void EditCommands(std::vector<Command>& t) {
    // Multi-Clips Clip, Copy, Cut, Paste, Replace, Edit, Erase, Erase All, Play.
    t.push_back(Cmd(41300, "Multi-Clips C&lip", "", G::Edit, NewClipCommand, HasWave));
    t.push_back(Cmd(41301, "Multi-Clips &Copy", "", G::Edit, CopyClipCommand, HasWave));
    t.push_back(Cmd(41302, "Multi-Clips C&ut", "", G::Edit, CutClipCommand, HasWave));
    t.push_back(Cmd(41303, "Multi-Clips &Paste", "", G::Edit, PasteClipCommand, HasEditor));
    t.push_back(Cmd(41304, "Multi-Clips &Replace", "", G::Edit, ReplaceClipCommand, HasEditor));
    t.push_back(Cmd(41305, "Multi-Clips &Edit", "", G::Edit, EditClipsCommand, HasEditor));
    t.push_back(Cmd(41306, "Multi-Clips E&rase", "", G::Edit, EraseClipCommand, HasEditor));
    t.push_back(Cmd(41307, "Multi-Clips Erase &All", "", G::Edit, EraseAllClipsCommand, HasEditor));
    t.push_back(Cmd(41308, "Multi-Clips Pla&y", "", G::Edit, PlayClipCommand, HasEditor));
    // The system clipboard.
    t.push_back(Cmd(41309, "Cu&t", "Ctrl+X", G::Edit, SystemCutCommand, HasWave, "edit-cut"));
    t.push_back(Cmd(41310, "&Copy", "Ctrl+C", G::Edit, SystemCopyCommand, HasWave, "edit-copy"));
    t.push_back(
        Cmd(41311, "&Paste", "Ctrl+V", G::Edit, SystemPasteCommand, HasEditor, "edit-paste"));
    t.push_back(Cmd(
        41312, "&Undo", "Ctrl+Z", G::Edit,
        [](CommandContext& c) {
            WaveRecord* r = RecordOf(c);
            if (Undo(*r) == kUndoDone)
                RecordLine([&] { return EditorLine("obUndoWave", c.editor->Number()); });
        },
        [](const CommandContext& c) { return HasWave(c) && CanUndo(*RecordOf(c)); }, "edit-undo"));
    t.push_back(Cmd(
        41313, "&Redo", "Ctrl+Y;Ctrl+Shift+Z", G::Edit,
        [](CommandContext& c) {
            WaveRecord* r = RecordOf(c);
            if (Redo(*r) == kUndoDone)
                RecordLine([&] { return EditorLine("obRedoWave", c.editor->Number()); });
        },
        [](const CommandContext& c) { return HasWave(c) && CanRedo(*RecordOf(c)); }, "edit-redo"));
    t.push_back(Cmd(
        41314, "Undo &History...", "", G::Edit,
        [](CommandContext& c) {
            WaveRecord* r = RecordOf(c);
            OpenProcessDialog(r, kDialogUndoHistory, [&] {
                QStringList lines;
                for (const std::string& line : UndoHistoryLines(*r))
                    lines << QString::fromStdString(line);
                bool ok = false;
                QString chosen =
                    QInputDialog::getItem(c.editor, "Undo History", "Undo or redo up to:", lines,
                                          int(UndoHistoryPreselected(*r)), false, &ok);
                if (ok) UndoHistoryChoose(r, lines.indexOf(chosen));
            });
        },
        [](const CommandContext& c) { return HasWave(c) && BackupCount(*RecordOf(c)) > 0; }));
    t.push_back(Cmd(
        41315, "&Delete", "Delete", G::Edit,
        [](CommandContext& c) {
            InstallEmergencySave();
            RunEdit(c, DeleteArea, DeleteAreaMacroLine);
        },
        HasWave, "edit-delete"));
    t.push_back(Cmd(
        41316, "&Mute", "", G::Edit, [](CommandContext& c) { RunSimple(c, kSimpleMute); }, HasWave,
        "audio-volume-muted"));
    t.push_back(Cmd(
        41317, "T&rim", "", G::Edit,
        [](CommandContext& c) {
            InstallEmergencySave();
            RunEdit(c, TrimToArea, TrimMacroLine);
        },
        HasWave));
}

std::vector<Command> BuildTable() {
    std::vector<Command> t;
    FileCommands(t);
    EditCommands(t);
    ViewCommands(t);
    UnitCommands(t);
    ModeCommands(t);
    SetupCommands(t);
    FormatCommands(t);
    SamplerCommands(t);
    ProcessingCommands(t);
    LoopMarkerCommands(t);
    WindowCommands(t);
    HelpCommands(t);
    InstallAudioCommands(t);
    InstallSamplerCommands(t);
    InstallGenerateCommand(t);
    return t;
}

}  // namespace

const std::vector<Command>& CommandTable() {
    static const std::vector<Command> table = BuildTable();
    return table;
}

const Command* FindCommand(int id) {
    for (const Command& c : CommandTable())
        if (c.id == id) return &c;
    return nullptr;
}

CommandGroup GroupOfNumber(int id) {
    struct Range {
        int lo, hi;
        CommandGroup group;
    };
    static const Range kRanges[] = {
        {40001, 40027, G::File},          {40100, 40136, G::Setup},
        {40200, 40222, G::Format},        {40300, 40310, G::Sampler},
        {40400, 40403, G::Window},        {40500, 40505, G::Help},
        {40600, 40641, G::View},          {40700, 40712, G::HorizontalUnits},
        {40800, 40804, G::VerticalUnits}, {40900, 40926, G::Functions},
        {41000, 41099, G::Mode},          {41100, 41122, G::Effects},
        {41200, 41232, G::LoopsMarkers},  {41300, 41319, G::Edit},
    };
    for (const Range& r : kRanges)
        if (id >= r.lo && id <= r.hi) return r.group;
    return G::None;
}

CommandTarget TargetOf(int id) {
    return id >= 40001 && id <= 40505 ? CommandTarget::Frame : CommandTarget::Editor;
}

const char* GroupMenuTitle(CommandGroup group) {
    switch (group) {
        case G::File:
            return "&File";
        case G::Setup:
            return "&Setup";
        case G::Format:
            return "&Format";
        case G::Sampler:
            return "Sa&mpler";
        case G::Window:
            return "&Window";
        case G::Help:
            return "&Help";
        case G::View:
            return "&View";
        case G::HorizontalUnits:
            return "Horizont&al Axis Units";
        case G::VerticalUnits:
            return "Ve&rtical Axis Units";
        case G::Functions:
            return "F&unctions";
        case G::Mode:
            return "&Mode";
        case G::Effects:
            return "Effec&ts";
        case G::LoopsMarkers:
            return "&Loops+Markers";
        case G::Edit:
            return "&Edit";
        case G::None:
            break;
    }
    return "";
}

}  // namespace ob
