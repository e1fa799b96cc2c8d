// The frame window.
#include "app/main_frame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/editor_window.h"
#include "app/help_dialogs.h"
#include "app/macro_editor.h"
#include "app/open_preview.h"
#include "app/shell_settings.h"
#include "app/sound_dialogs.h"
#include "app/view_options.h"
#include "audio/player.h"
#include "base/messages.h"
#include "formats/format_table.h"
#include "formats/sound_io.h"
#include "script/host_state.h"
#include "script/recorder.h"
#include "script/settings_store.h"
#include "wave/change_notice.h"
#include "wave/clips.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

namespace ob {

namespace {
MainFrame* gFrame = nullptr;

// Toolbars by Setup command 40132..40136, with the groups they show.
struct ToolbarInfo {
    const char* title;
    std::vector<int> commands;
};
const ToolbarInfo kToolbars[5] = {
    {"Functions", {40001, 40002, 40003, 41312, 41313, 41316, 40914, 40926}},
    {"Effects", {41112, 41113, 41114, 41115, 41110, 41111}},
    {"Loops+Markers", {41201, 41211}},
    {"Multi-Clips", {41309, 41310, 41311}},
    {"Views", {40600, 40601, 40603, 41000, 41001, 41002}},
};
}  // namespace

MainFrame* MainFrame::Instance() {
    return gFrame;
}

MainFrame::MainFrame(const QString& settingsFolder) : settingsFolder_(settingsFolder) {
    gFrame = this;
    setObjectName("mainFrame");
    setWindowTitle(kFrameTitle);
    setAcceptDrops(true);
    area_ = new QMdiArea(this);
    area_->setObjectName("editorArea");
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area_);
    connect(area_, &QMdiArea::subWindowActivated, this, &MainFrame::ActiveChanged);
    BuildStatusBar();
    BuildMenus();
    ApplyStoredViewFont(this);
    resize(1000, 700);
}

MainFrame::~MainFrame() {
    ShutDown();
    if (gFrame == this) gFrame = nullptr;
}

void MainFrame::BuildStatusBar() {
    statusText_ = new QLabel("Ready");
    statusText_->setObjectName("statusText");
    progress_ = new QProgressBar;
    progress_->setObjectName("progressBar");
    progress_->setRange(0, 100);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    readout_ = new QLabel;
    readout_->setObjectName("readout");
    // Three equal parts: split at one and two thirds of the width.
    statusBar()->addWidget(statusText_, 1);
    statusBar()->addWidget(progress_, 1);
    statusBar()->addWidget(readout_, 1);
}

QMenu* MainFrame::MenuOf(CommandGroup group) {
    // Unit menus and Mode live under View; Loops+Markers under Edit.
    static const std::pair<CommandGroup, CommandGroup> kParents[] = {
        {CommandGroup::HorizontalUnits, CommandGroup::View},
        {CommandGroup::VerticalUnits, CommandGroup::View},
        {CommandGroup::Mode, CommandGroup::View},
        {CommandGroup::Format, CommandGroup::Setup},
        {CommandGroup::Sampler, CommandGroup::Setup},
    };
    if (menus_.contains(group)) return menus_[group];
    QMenu* menu = nullptr;
    for (const auto& [child, parent] : kParents)
        if (child == group) menu = MenuOf(parent)->addMenu(GroupMenuTitle(group));
    if (!menu) menu = menuBar()->addMenu(GroupMenuTitle(group));
    menus_[group] = menu;
    return menu;
}

void MainFrame::BuildMenus() {
    // Top-level order of the menu bar.
    for (CommandGroup g : {CommandGroup::File, CommandGroup::Edit, CommandGroup::View,
                           CommandGroup::Setup, CommandGroup::Functions, CommandGroup::Effects,
                           CommandGroup::LoopsMarkers, CommandGroup::Window, CommandGroup::Help})
        MenuOf(g);
    QMap<CommandGroup, QActionGroup*> radioGroups;
    for (const Command& command : CommandTable()) {
        QMenu* menu = MenuOf(command.group);
        auto* action = new QAction(command.text, this);
        action->setData(command.id);
        action->setObjectName(QString("cmd%1").arg(command.id));
        if (*command.shortcut) {
            QList<QKeySequence> keys;
            for (const QString& k : QString(command.shortcut).split(';')) keys << QKeySequence(k);
            action->setShortcuts(keys);
            action->setShortcutContext(Qt::ApplicationShortcut);
        }
        if (*command.icon) action->setIcon(QIcon::fromTheme(command.icon));
        if (command.checked) action->setCheckable(true);
        if (!command.handler && command.missing) action->setToolTip(command.missing);
        menu->setToolTipsVisible(true);
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        // Separators between families of a menu.
        static const int kSeparatorsBefore[] = {
            40022, 40026, 40023, 40005, 40007, 40010, 40015, 40104, 40106, 40109,
            40111, 40113, 40119, 40130, 40132, 40219, 40310, 40605, 40610, 40613,
            40641, 41201, 41211, 41309, 41312, 41315, 40502, 40505, 41202, 41205};
        for (int s : kSeparatorsBefore)
            if (s == id) menu->addSeparator();
        menu->addAction(action);
        actions_[id] = action;
        if (id == 40024) {
            // The recent files go between Save Image and Exit.
            recentAnchor_ = action;
        }
    }
    fileMenu_ = MenuOf(CommandGroup::File);
    BuildToolbars();
    RebuildRecentMenu();
    RefreshCommands();
}

void MainFrame::BuildToolbars() {
    for (int i = 0; i < 5; ++i) {
        QToolBar* bar = addToolBar(kToolbars[i].title);
        bar->setObjectName(QString("toolbar%1").arg(i));
        for (int id : kToolbars[i].commands)
            if (QAction* a = ActionFor(id)) bar->addAction(a);
        toolbars_ << bar;
    }
}

void MainFrame::ToggleToolbar(int index) {
    if (index < 0 || index >= toolbars_.size()) return;
    toolbars_[index]->setVisible(!toolbars_[index]->isVisible());
    RefreshCommands();
}

bool MainFrame::ToolbarVisible(int index) const {
    return index >= 0 && index < toolbars_.size() && !toolbars_[index]->isHidden();
}

void MainFrame::RebuildRecentMenu() {
    for (QAction* a : recentActions_) {
        fileMenu_->removeAction(a);
        a->deleteLater();
    }
    recentActions_.clear();
    if (!recentAnchor_) return;
    bool any = false;
    for (int i = 0; i < kRecentFileCount; ++i) {
        if (gShellSettings.recentFiles[i].empty()) continue;
        if (!any) {
            QAction* separator = new QAction(this);
            separator->setSeparator(true);
            fileMenu_->insertAction(recentAnchor_, separator);
            recentActions_ << separator;
            any = true;
        }
        auto* action = new QAction(QString::fromStdString(RecentFileLabel(i)), this);
        action->setObjectName(QString("recent%1").arg(i + 1));
        QString path = QString::fromStdString(gShellSettings.recentFiles[i]);
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { OpenFile(path); });
        fileMenu_->insertAction(recentAnchor_, action);
        recentActions_ << action;
    }
    if (any) {
        QAction* separator = new QAction(this);
        separator->setSeparator(true);
        fileMenu_->insertAction(recentAnchor_, separator);
        recentActions_ << separator;
    }
}

QAction* MainFrame::ActionFor(int id) const {
    return actions_.value(id, nullptr);
}

CommandContext MainFrame::Context(int id) const {
    CommandContext context;
    context.frame = const_cast<MainFrame*>(this);
    context.editor = ActiveEditor();
    context.id = id;
    return context;
}

void MainFrame::RefreshCommands() {
    for (const Command& command : CommandTable()) {
        QAction* action = ActionFor(command.id);
        if (!action) continue;
        CommandContext context = Context(command.id);
        bool enabled = command.handler != nullptr;
        if (enabled && TargetOf(command.id) == CommandTarget::Editor && !context.editor)
            enabled = false;
        if (enabled && command.enabled) enabled = command.enabled(context);
        action->setEnabled(enabled);
        if (command.checked) action->setChecked(command.checked(context));
    }
}

MainFrame::Route MainFrame::RunCommand(int id) {
    const Command* command = FindCommand(id);
    if (!command) return Route::Unknown;
    CommandContext context = Context(id);
    if (MacroEditorRunning()) return Route::Disabled;  // one macro at a time
    if (!command->handler) {
        if (command->missing) SetStatusText(command->missing);
        return Route::Disabled;
    }
    if (TargetOf(id) == CommandTarget::Editor) {
        if (!context.editor) return Route::NoEditor;
        if (command->enabled && !command->enabled(context)) return Route::Disabled;
        command->handler(context);
        AdoptNewEditors();
        RefreshCommands();
        return Route::Editor;
    }
    if (command->enabled && !command->enabled(context)) return Route::Disabled;
    command->handler(context);
    if (gFrame == this) {
        AdoptNewEditors();
        RefreshCommands();
    }
    return Route::Frame;
}

EditorWindow* MainFrame::NewEditor() {
    int number = 0;
    int result = CreateEditor(&number);
    if (result == 1) {
        ReportMessage(this, kFrameTitle, "No more editor windows available.\n");
        return nullptr;
    }
    if (result != 0) {
        ReportNoMemory(this, kFrameTitle);
        return nullptr;
    }
    return ShowEditor(number);
}

EditorWindow* MainFrame::ShowEditor(int number) {
    if (!FindEditor(number)) return nullptr;
    auto* editor = new EditorWindow(number);
    QMdiSubWindow* sub = area_->addSubWindow(editor);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(600, 300);
    connect(editor, &EditorWindow::recordChanged, this, [this](int, unsigned what) {
        if (what & (kChangeUndo | kChangeLength | kChangeClosed)) RefreshCommands();
    });
    connect(editor, &QObject::destroyed, this, [this] { RefreshCommands(); });
    sub->show();
    area_->setActiveSubWindow(sub);
    MakeEditorActive(number);
    RefreshCommands();
    return editor;
}

void MainFrame::AdoptNewEditors() {
    for (int n = 1; n < kEditorSlots; ++n)
        if (gEditorSlots[n] && !gEditorSlots[n]->window) ShowEditor(n);
}

EditorWindow* MainFrame::ActiveEditor() const {
    QMdiSubWindow* sub = area_->activeSubWindow();
    if (!sub && !area_->subWindowList().isEmpty()) {
        // Offscreen and unfocused frames have no active sub-window: the
        // core's active editor decides.
        for (QMdiSubWindow* s : area_->subWindowList()) {
            auto* e = qobject_cast<EditorWindow*>(s->widget());
            if (e && e->Number() == gActiveEditor) return e;
        }
        return nullptr;
    }
    return sub ? qobject_cast<EditorWindow*>(sub->widget()) : nullptr;
}

QList<EditorWindow*> MainFrame::Editors() const {
    QList<EditorWindow*> list;
    for (QMdiSubWindow* s : area_->subWindowList(QMdiArea::CreationOrder))
        if (auto* e = qobject_cast<EditorWindow*>(s->widget())) list << e;
    return list;
}

void MainFrame::ActiveChanged(QMdiSubWindow* window) {
    if (window)
        if (auto* e = qobject_cast<EditorWindow*>(window->widget())) gActiveEditor = e->Number();
    RefreshCommands();
}

EditorWindow* MainFrame::OpenFile(const QString& path, bool interactive) {
    EditorWindow* editor = NewEditor();
    if (!editor) return nullptr;
    WaveRecord* record = editor->Record();
    record->filePath = path.toStdString();
    QtSoundIoUi ui(this);
    SetStatusText(QString("Opening: %1").arg(path));
    int result = OpenSound(*record, interactive, &ui);
    SetStatusText("Ready");
    if (result != 0) {
        // Declined or failed (reported by the open chain): the editor goes.
        if (QWidget* sub = editor->parentWidget()) {
            record->stateFlags &= ~kStateChanged;
            sub->close();
        }
        return nullptr;
    }
    AddRecentFile(path.toStdString());
    RebuildRecentMenu();
    int number = editor->Number();
    RecordLine([&] { return OpenEditorLine() + OpenWaveLine(number, record->filePath); });
    editor->RebuildView();
    NotifyChange(record, kChangeAll & ~kChangeClosed);
    editor->RefreshTitle();
    RefreshCommands();
    return editor;
}

void MainFrame::OpenWithDialog() {
    QFileDialog dialog(this, "Open");
    dialog.setObjectName(kOpenDialogName);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(OpenFileFilters());
    AttachSoundPreview(dialog);
    if (!gShellSettings.soundsFolder.empty())
        dialog.setDirectory(QString::fromStdString(gShellSettings.soundsFolder));
    if (dialog.exec() != QDialog::Accepted) return;
    for (const QString& path : dialog.selectedFiles()) OpenFile(path);
}

void MainFrame::NewWave() {
    EditorWindow* editor = ActiveEditor();
    if (!editor || !WaveHasData(editor->Record())) {
        NewEditor();
        return;
    }
    if (!editor->ConfirmForget()) return;
    WaveRecord* record = editor->Record();
    std::string title = TitleOf(*record);
    DiscardWave(*record);
    editor->RebuildView();
    NotifyChange(record, kChangeAll & ~kChangeClosed);
    editor->RefreshTitle();
}

bool MainFrame::SaveEditor(EditorWindow* editor, bool saveAs) {
    if (!editor) return false;
    WaveRecord* record = editor->Record();
    if (!record) return false;
    QtSoundIoUi ui(this);
    int code = record->sourceFormat;
    if (!FindFormat(code) || !FindFormat(code)->write) code = gEditing.defaultSaveFormat;
    std::string before = record->filePath;
    int result = saveAs || record->filePath.empty()
                     ? SaveSoundAs(*record, gEditing.defaultSaveFormat, gEditing.wavOptions, &ui)
                     : SaveSound(*record, code, gEditing.wavOptions, &ui);
    SetStatusText("Ready");
    if (result != 0) return false;
    int number = editor->Number();
    if (saveAs || before.empty())
        RecordLine([&] { return SaveAsWaveLine(number, record->filePath); });
    else
        RecordLine([&] { return EditorLine("obSaveWave", number); });
    AddRecentFile(record->filePath);
    RebuildRecentMenu();
    NotifyChange(record, kChangeName | kChangeUndo);
    editor->RefreshTitle();
    return true;
}

bool MainFrame::CloseAllEditors() {
    for (EditorWindow* editor : Editors()) {
        QWidget* sub = editor->parentWidget();
        if (sub && !sub->close()) return false;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return Editors().isEmpty();
}

void MainFrame::SetStatusText(const QString& text) {
    statusText_->setText(text);
}

void MainFrame::SetProgress(int percent) {
    progress_->setValue(std::clamp(percent, 0, 100));
}

void MainFrame::SetReadout(const QString& text) {
    readout_->setText(text);
}

QString MainFrame::StatusText() const {
    return statusText_->text();
}

int MainFrame::Progress() const {
    return progress_->value();
}

void MainFrame::ShowTipOfTheDay() {
    TipOfTheDayDialog dialog(this);
    dialog.exec();
    RefreshCommands();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    // Stop playback, then Close All: a cancelled save question keeps the
    // program running.
    StopPlay();
    if (!CloseAllEditors()) {
        event->ignore();
        return;
    }
    ShutDown();
    event->accept();
}

void MainFrame::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The settings, then the help viewer and tool windows (dialogs are
    // modal and gone), the message file, the recorder ("End Sub"), the
    // clips, playback (none yet), the abort window (owned by the seam).
    WriteShellSettings(settingsFolder_);
    CloseMessageFile();
    if (RecorderRunning()) StopRecorder();
    EraseAllClips();
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    for (const QUrl& url : urls)
        if (url.isLocalFile()) OpenFile(url.toLocalFile());
}

}  // namespace ob
