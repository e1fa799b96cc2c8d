// Start-up in its order, and the message loop.
#include "app/shell_startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <clocale>
#include <cstdio>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/qt_user_interface.h"
#include "app/sampler_dialogs.h"
#include "app/shell_settings.h"
#include "app/transport.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "formats/sound_io.h"
#include "script/host_state.h"
#include "script/macro_keys.h"
#include "script/run_macro.h"
#include "script/settings_store.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

namespace {
QtUserInterface* gShellUi = nullptr;
}

QtUserInterface* ShellUserInterface() {
    return gShellUi;
}

bool ParseShellArguments(const QStringList& arguments, ShellOptions& options) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == "--config-dir" && i + 1 < arguments.size()) {
            options.configDir = arguments[++i];
        } else if (a.startsWith("--") || !options.file.isEmpty()) {
            return false;
        } else {
            options.file = a;
        }
    }
    return true;
}

QString StripCommandLineQuotes(const QString& text) {
    QString file = text;
    if (file.endsWith('"')) file.chop(1);
    if (file.startsWith('"')) file.remove(0, 1);
    return file;
}

MainFrame* StartShell(const ShellOptions& options) {
    // Numbers in the engine and the core read and print with a full stop
    // whatever the user's locale: Qt has just set the process locale from
    // the environment, so the numeric part goes back to "C".
    std::setlocale(LC_NUMERIC, "C");

    // 1. The frame with its menus, client area and status bar.
    QString folder = QString::fromStdString(SettingsFolder(options.configDir.toStdString()));
    auto* frame = new MainFrame(folder);
    gShellUi = new QtUserInterface(frame);
    SetUserInterface(gShellUi);
    SetScriptOutput(ScriptOutput::Boxes);

    // 2. Default colours, the default record, the play preferences.
    ResetShellSettings();
    WaveRecord& defaults = *gEditorSlots[0];
    defaults.displayOptions = 0x01 | 0x08;  // overview strip and X-Y readout
    defaults.timeUnit = 1;                  // seconds
    defaults.levelUnit = 1;                 // percent

    // 3. The default save format.
    SetDefaultSaveFormat(kFormatWav32);

    // 4. The settings store, the recent files, the check marks.
    ReadShellSettings(folder);
    frame->RebuildRecentMenu();

    // 5. The start-up files: configuration, "orbick.play" (with the
    //    transport) and macro keys.
    std::string dir = folder.toStdString();
    if (!dir.empty()) LoadConfigFile(dir + "/orbick.config");
    StartTransport(frame);
    InstallSamplerWindowSide();
    if (!dir.empty()) LoadStartupMacroKeys(dir);
    frame->RefreshCommands();
    frame->show();

    // 6. The start-up macro.
    RunStartupMacro(frame, dir);
    frame->AdoptNewEditors();

    // 7. The command line's file, else one empty editor.
    QString file = StripCommandLineQuotes(options.file);
    bool opened = false;
    if (!file.isEmpty() && QFileInfo(file).isFile()) opened = frame->OpenFile(file) != nullptr;
    if (!opened) frame->NewEditor();
    frame->RefreshCommands();

    // 8. The tip of the day, once the loop runs.
    if (options.showTip && !(gShellSettings.displayFlags & kFlagNoTips))
        QTimer::singleShot(0, frame, [frame] { frame->ShowTipOfTheDay(); });
    return frame;
}

void StopShell(MainFrame* frame) {
    if (frame) {
        for (EditorWindow* e : frame->Editors()) {
            if (WaveRecord* r = e->Record()) r->stateFlags &= ~kStateChanged;
        }
        frame->close();
        delete frame;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    RemoveSamplerWindowSide();
    SetUserInterface(nullptr);
    delete gShellUi;
    gShellUi = nullptr;
    CloseAllEditors();
}

int RunWindowedShell(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("orbick");
    QApplication::setApplicationDisplayName(kFrameTitle);
    ShellOptions options;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!ParseShellArguments(arguments, options)) {
        std::fputs("usage: orbick [--config-dir DIR] [SOUNDFILE]\n", stderr);
        return 2;
    }
    MainFrame* frame = StartShell(options);
    // 9. The message loop until the frame is gone.
    frame->setAttribute(Qt::WA_DeleteOnClose);
    int status = app.exec();
    RemoveSamplerWindowSide();
    SetUserInterface(nullptr);
    delete gShellUi;
    gShellUi = nullptr;
    CloseAllEditors();
    return status;
}

}  // namespace ob
