// The macro editor: a window that opens, edits and saves .bas files with
// Basic syntax colouring and line numbers, runs them, and debugs them through
// the engine (breakpoints, Step, Step Over, Stop), with the global variables
// of a paused macro in a pane beside the text and the Print output and the
// engine's messages in a pane below.
#pragma once

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;

namespace ob {

class CodeEditor;
class MacroSession;
struct MacroMessage;

class MacroEditorWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MacroEditorWindow(QWidget* parent = nullptr);
    ~MacroEditorWindow() override;

    // Loads a file; false (reported) when it cannot be read.
    bool Load(const QString& path);
    bool Save();
    bool SaveAs();
    QString Path() const { return path_; }

    void Run();
    void Step();
    void StepOver();
    void Stop();
    // Toggles the breakpoint of the cursor's line (or of `line`, from 1).
    void ToggleBreakpoint(int line = 0);

    CodeEditor* Text() const { return text_; }
    QPlainTextEdit* Output() const { return output_; }
    QTreeWidget* Globals() const { return globals_; }
    MacroSession* Session() const { return session_.get(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildActions();
    void Message(const MacroMessage& message);
    // After a run or step: the paused line, the globals, the states of the actions.
    void Update(int32_t result);
    bool ConfirmDiscard();
    void RefreshTitle();

    CodeEditor* text_;
    QPlainTextEdit* output_;
    QTreeWidget* globals_;
    QLabel* status_;
    std::unique_ptr<MacroSession> session_;
    QString path_;
    QAction *run_ = nullptr, *step_ = nullptr, *stepOver_ = nullptr, *stop_ = nullptr;
    bool syntaxPlaced_ = false;
};

// True while the macro editor runs a macro: the frame then takes no commands.
bool MacroEditorRunning();

// Opens a macro editor window for a file (a window that already shows the
// file comes to the front); an empty path opens an empty macro.
MacroEditorWindow* ShowMacroEditor(QWidget* parent, const QString& path = QString());

}  // namespace ob
