// The frame window "Sample Orbick 24/96": the multiple-document area of editor
// windows, menus and toolbars built from the command table, the status bar in
// three parts (message, progress bar, readout), command routing, the file
// commands, drag and drop, and the close request.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QString>

#include "app/command_table.h"

class QAction;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QToolBar;

namespace ob {

class EditorWindow;
struct WaveRecord;

constexpr const char* kFrameTitle = "Sample Orbick 24/96";

class MainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainFrame(const QString& settingsFolder);
    ~MainFrame() override;
    static MainFrame* Instance();

    // Routing of a command number, and what became of it.
    enum class Route { Frame, Editor, NoEditor, Disabled, Unknown };
    Route RunCommand(int id);
    CommandContext Context(int id = 0) const;
    QAction* ActionFor(int id) const;

    // Editors.
    EditorWindow* NewEditor();
    // The window of an editor slot made elsewhere (Clone Wave, scripts).
    EditorWindow* ShowEditor(int number);
    // Windows for every editor slot that has none (after commands and macros).
    void AdoptNewEditors();
    EditorWindow* ActiveEditor() const;
    QList<EditorWindow*> Editors() const;
    QMdiArea* Area() const { return area_; }
    // Opens a sound file in a new editor (interactive: the RAW dialog and the
    // questions may be shown); null when it could not be opened (reported).
    EditorWindow* OpenFile(const QString& path, bool interactive = true);
    void OpenWithDialog();
    // New: forgets the active editor's wave (asking first) or makes an editor.
    void NewWave();
    // Save or Save As; false when not saved.
    bool SaveEditor(EditorWindow* editor, bool saveAs);
    // Closes every editor (each asks about unsaved changes); true when none is left.
    bool CloseAllEditors();

    // Status bar.
    void SetStatusText(const QString& text);
    void SetProgress(int percent);
    void SetReadout(const QString& text);
    QString StatusText() const;
    int Progress() const;

    // Check marks and enabled states of every command; the recent-file entries.
    void RefreshCommands();
    void RebuildRecentMenu();
    void ToggleToolbar(int index);
    bool ToolbarVisible(int index) const;
    void ShowTipOfTheDay();

    QString SettingsFolder() const { return settingsFolder_; }

    // Destruction steps before the window goes (settings, message file,
    // recorder, clips); run once, from the close request or the destructor.
    void ShutDown();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildMenus();
    void BuildToolbars();
    void BuildStatusBar();
    void ActiveChanged(QMdiSubWindow* window);
    QMenu* MenuOf(CommandGroup group);

    QString settingsFolder_;
    QMdiArea* area_ = nullptr;
    QLabel* statusText_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* readout_ = nullptr;
    QMap<int, QAction*> actions_;
    QMap<CommandGroup, QMenu*> menus_;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    QAction* recentAnchor_ = nullptr;
    QList<QToolBar*> toolbars_;
    bool shutDown_ = false;
};

}  // namespace ob
