// The audio commands, the Transport toolbar and the play position timer.
#include "app/transport.h"

#include <QAction>
#include <QToolBar>

#include "app/audio_dialogs.h"
#include "app/editor_view.h"
#include "app/editor_window.h"
#include "app/keyboard_window.h"
#include "app/main_frame.h"
#include "app/record_window.h"
#include "audio/player.h"
#include "audio/scrub.h"
#include "script/host_state.h"
#include "script/play_commands.h"
#include "script/recorder.h"
#include "wave/wave_record.h"

namespace ob {

namespace {

PlayPositionTimer* gTimer = nullptr;

WaveRecord* RecordOf(const CommandContext& c) {
    return c.editor ? c.editor->Record() : nullptr;
}

void Play(CommandContext& c, int kind) {
    WaveRecord* record = RecordOf(c);
    if (!WaveHasData(record)) {
        // Space with nothing to play still stops what plays (a preview).
        if (PlaybackRunning() || PlayerOpen()) StopCommand();
        return;
    }
    PlayCommand(*record, kind);
    if (gTimer) gTimer->Tick();
}

bool CanPlay(const CommandContext& c) {
    return WaveHasData(RecordOf(c)) || PlayerOpen();
}

void SetRow(std::vector<Command>& table, int id, CommandHandler handler, CommandState enabled,
            const char* icon = nullptr) {
    for (Command& c : table)
        if (c.id == id) {
            c.handler = handler;
            c.enabled = enabled;
            c.missing = nullptr;
            if (icon) c.icon = icon;
        }
}

}  // namespace

void InstallAudioCommands(std::vector<Command>& t) {
    SetRow(
        t, 40007, [](CommandContext& c) { RunRecordPrefsDialog(c.frame); }, nullptr);
    SetRow(
        t, 40008, [](CommandContext& c) { RecordCommand(c.frame, c.editor); },
        [](const CommandContext& c) { return c.editor != nullptr; }, "media-record");
    SetRow(
        t, 40010, [](CommandContext& c) { RunPlayPrefsDialog(c.frame); }, nullptr);
    SetRow(
        t, 40011, [](CommandContext& c) { Play(c, kPlayWhole); }, CanPlay, "media-playback-start");
    SetRow(
        t, 40012, [](CommandContext& c) { Play(c, kPlayWholeLoop); }, CanPlay,
        "media-playlist-repeat");
    SetRow(
        t, 40013, [](CommandContext& c) { Play(c, kPlayAffectArea); }, CanPlay,
        "media-seek-forward");
    SetRow(
        t, 40014,
        [](CommandContext&) {
            StopCommand();
            if (gTimer) gTimer->Tick();
        },
        [](const CommandContext&) { return PlayerOpen(); }, "media-playback-stop");
    for (Command& c : t)
        if (c.id == 41003) {
            c.handler = [](CommandContext& c) {
                const int number = c.editor->Number();
                gEditorModes[number] = kModeScrub;
                QMetaObject::invokeMethod(c.editor->View(), "SetMode", Q_ARG(int, kModeScrub));
                RecordLine([&] { return SetModeLine(number, kModeScrub); });
            };
            c.missing = nullptr;
            c.checked = [](const CommandContext& c) {
                return c.editor && gEditorModes[c.editor->Number()] == kModeScrub;
            };
            c.enabled = [](const CommandContext& c) {
                QWidget* view = c.editor ? c.editor->View() : nullptr;
                return view && view->metaObject()->indexOfMethod("SetMode(int)") >= 0;
            };
            c.radio = true;
            c.icon = "media-seek-backward";
        }
    SetRow(
        t, 40920, [](CommandContext& c) { OpenKeyboardWindow(c.frame, c.editor); },
        [](const CommandContext& c) { return c.editor != nullptr; }, "input-keyboard");
}

PlayPositionTimer::PlayPositionTimer(QObject* parent) : QObject(parent) {
    gTimer = this;
    timer_.setInterval(50);
    connect(&timer_, &QTimer::timeout, this, &PlayPositionTimer::Tick);
    timer_.start();
    SetPlaybackEndedHandler([] {
        // On the playback thread: the main thread closes the player.
        if (PlayPositionTimer* timer = gTimer)
            QMetaObject::invokeMethod(timer, &PlayPositionTimer::PlaybackEnded,
                                      Qt::QueuedConnection);
    });
}

PlayPositionTimer::~PlayPositionTimer() {
    StopScrub();
    StopPlay();  // joins the playback thread: no notice can follow
    SetPlaybackEndedHandler(nullptr);
    if (gTimer == this) gTimer = nullptr;
}

PlayPositionTimer* PlayPositionTimer::Instance() {
    return gTimer;
}

void PlayPositionTimer::PlaybackEnded() {
    // A new playback may have started since the notice was posted.
    if (PlayerOpen() && !PlaybackRunning() && !Scrubbing()) StopPlay();
    Tick();
}

void PlayPositionTimer::Tick() {
    MainFrame* frame = MainFrame::Instance();
    const bool open = PlayerOpen();
    int64_t position = -1;
    const int editor = open ? PlayedEditor() : 0;
    if (editor && !PlayPosition(&position)) position = -1;
    if (frame) {
        for (EditorWindow* window : frame->Editors()) {
            auto* view = qobject_cast<EditorView*>(window->View());
            if (!view) continue;
            view->SetPlayPosition(window->Number() == editor ? position : -1);
        }
    }
    shownEditor_ = editor;
    if (open != wasOpen_) {
        wasOpen_ = open;
        if (frame) frame->RefreshCommands();
        emit playbackStateChanged();
    }
}

void StartTransport(MainFrame* frame) {
    InstallPlayerHooks();
    new PlayPositionTimer(frame);
    QToolBar* bar = frame->addToolBar("Transport");
    bar->setObjectName("transportBar");
    for (int id : {40011, 40012, 40013, 40014, 40008})
        if (QAction* action = frame->ActionFor(id)) bar->addAction(action);
    // The preferences record of "orbick.play" (start-up step 5).
    LoadStartupPlayPrefs(frame->SettingsFolder().toStdString());
}

}  // namespace ob
