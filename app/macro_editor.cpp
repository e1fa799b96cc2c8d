// The macro editor window.
#include "app/macro_editor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QSaveFile>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include "app/basic_highlighter.h"
#include "app/code_editor.h"
#include "app/main_frame.h"
#include "engine/tessel.h"
#include "script/macro_session.h"
#include "script/run_macro.h"

namespace ob {

namespace {
QList<QPointer<MacroEditorWindow>>& Windows() {
    // Never destroyed: it may outlive the application object.
    static auto* windows = new QList<QPointer<MacroEditorWindow>>;
    return *windows;
}
constexpr const char* kMacroFilters = "Orbick Macros (*.bas);;All Files (*)";
}  // namespace

MacroEditorWindow::MacroEditorWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName("macroEditor");
    setAttribute(Qt::WA_DeleteOnClose);
    text_ = new CodeEditor;
    new BasicHighlighter(text_->document());
    setCentralWidget(text_);

    output_ = new QPlainTextEdit;
    output_->setObjectName("outputPane");
    output_->setReadOnly(true);
    output_->setFont(text_->font());
    auto* outputDock = new QDockWidget("Output", this);
    outputDock->setObjectName("outputDock");
    outputDock->setWidget(output_);
    outputDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    addDockWidget(Qt::BottomDockWidgetArea, outputDock);

    globals_ = new QTreeWidget;
    globals_->setObjectName("globalsPane");
    globals_->setHeaderLabels({"Global", "Value"});
    globals_->setRootIsDecorated(false);
    globals_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* globalsDock = new QDockWidget("Globals", this);
    globalsDock->setObjectName("globalsDock");
    globalsDock->setWidget(globals_);
    globalsDock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    addDockWidget(Qt::RightDockWidgetArea, globalsDock);

    status_ = new QLabel("Ready");
    status_->setObjectName("macroStatus");
    statusBar()->addWidget(status_, 1);

    session_ = std::make_unique<MacroSession>(
        this, [this](const MacroMessage& message) { Message(message); });
    session_->SetEvents([] { QApplication::processEvents(); });
    connect(text_, &CodeEditor::gutterClicked, this, [this](int line) { ToggleBreakpoint(line); });
    connect(text_->document(), &QTextDocument::modificationChanged, this,
            [this] { RefreshTitle(); });
    BuildActions();
    RefreshTitle();
    resize(820, 560);
    Windows().append(this);
}

MacroEditorWindow::~MacroEditorWindow() {
    Windows().removeAll(this);
}

void MacroEditorWindow::BuildActions() {
    QMenu* file = menuBar()->addMenu("&File");
    QToolBar* bar = addToolBar("Macro");
    bar->setObjectName("macroToolbar");
    auto add = [&](QMenu* menu, const char* name, const QString& text, const QString& keys,
                   const char* icon, auto slot) {
        auto* action = new QAction(QIcon::fromTheme(icon), text, this);
        action->setObjectName(name);
        if (!keys.isEmpty()) action->setShortcut(QKeySequence(keys));
        connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        return action;
    };
    add(file, "macroNew", "&New", "Ctrl+N", "document-new", [this] {
        if (!ConfirmDiscard()) return;
        session_->Stop();
        text_->clear();
        path_.clear();
        text_->document()->setModified(false);
        RefreshTitle();
    });
    add(file, "macroOpen", "&Open...", "Ctrl+O", "document-open", [this] {
        if (!ConfirmDiscard()) return;
        QString path = QFileDialog::getOpenFileName(this, "Open Macro", path_, kMacroFilters);
        if (!path.isEmpty()) Load(path);
    });
    add(file, "macroSave", "&Save", "Ctrl+S", "document-save", [this] { Save(); });
    add(file, "macroSaveAs", "Save &As...", "Ctrl+Shift+S", "document-save-as",
        [this] { SaveAs(); });
    file->addSeparator();
    add(file, "macroClose", "&Close", "Ctrl+W", "window-close", [this] { close(); });
    QMenu* debug = menuBar()->addMenu("&Debug");
    run_ = add(debug, "macroRun", "&Run", "F5", "media-playback-start", [this] { Run(); });
    step_ = add(debug, "macroStep", "&Step", "F11", "debug-step-into", [this] { Step(); });
    stepOver_ =
        add(debug, "macroStepOver", "Step &Over", "F10", "debug-step-over", [this] { StepOver(); });
    stop_ = add(debug, "macroStop", "S&top", "Shift+F5", "media-playback-stop", [this] { Stop(); });
    debug->addSeparator();
    add(debug, "macroBreakpoint", "Toggle &Breakpoint", "F9", "", [this] { ToggleBreakpoint(); });
    for (QAction* a : {run_, step_, stepOver_, stop_}) {
        a->setShortcutContext(Qt::WindowShortcut);
        bar->addAction(a);
    }
    stop_->setEnabled(false);
}

void MacroEditorWindow::RefreshTitle() {
    QString name = path_.isEmpty() ? QString("Untitled.bas") : QFileInfo(path_).fileName();
    setWindowTitle(
        QString("%1%2 - Macro Editor").arg(name, text_->document()->isModified() ? "*" : ""));
}

bool MacroEditorWindow::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, path, "Error Reading Macro File");
        return false;
    }
    QByteArray bytes = file.read(64 << 20);
    session_->Stop();
    text_->setPlainText(QString::fromUtf8(bytes));
    path_ = path;
    text_->document()->setModified(false);
    for (int line : QList<int>(text_->BreakpointMarks().begin(), text_->BreakpointMarks().end()))
        ToggleBreakpoint(line);
    RefreshTitle();
    return true;
}

bool MacroEditorWindow::Save() {
    if (path_.isEmpty()) return SaveAs();
    QSaveFile file(path_);
    QByteArray bytes = text_->toPlainText().toUtf8();
    if (!bytes.endsWith('\n')) bytes.append('\n');
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        QMessageBox::warning(this, path_, "Error Writing Macro File");
        return false;
    }
    text_->document()->setModified(false);
    RefreshTitle();
    return true;
}

bool MacroEditorWindow::SaveAs() {
    QString path = QFileDialog::getSaveFileName(this, "Save Macro As:", path_, kMacroFilters);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += ".bas";
    path_ = path;
    return Save();
}

bool MacroEditorWindow::ConfirmDiscard() {
    if (!text_->document()->isModified()) return true;
    auto answer = QMessageBox::question(
        this, windowTitle(), "Save changes to the macro?",
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel) return false;
    return answer == QMessageBox::Discard || Save();
}

void MacroEditorWindow::closeEvent(QCloseEvent* event) {
    if (session_->Running()) {
        // The run stops at its next poll; the window closes afterwards.
        session_->Stop();
        event->ignore();
        return;
    }
    if (!ConfirmDiscard()) {
        event->ignore();
        return;
    }
    session_->Stop();
    event->accept();
}

void MacroEditorWindow::Message(const MacroMessage& message) {
    if (message.kind == 0) {
        output_->appendPlainText(QString::fromStdString(message.text));
        return;
    }
    std::string path = path_.isEmpty() ? "Untitled.bas" : path_.toStdString();
    QString text = QString::fromStdString(MacroMessageText(message, path));
    output_->appendPlainText(text);
    status_->setText(text);
    // The first error of the macro puts the cursor where it was found.
    if (!syntaxPlaced_ && message.source == MacroSourceNumber() && message.line > 0) {
        syntaxPlaced_ = true;
        text_->GoTo(message.line, std::max(0, message.column));
    }
}

namespace {
int gRunning = 0;
// While a macro runs, the frame takes no commands (the engine runs one macro
// at a time) and the text stays as it is; the Stop button stays usable.
class RunGuard {
  public:
    explicit RunGuard(CodeEditor* text) : text_(text) {
        ++gRunning;
        text_->setReadOnly(true);
    }
    ~RunGuard() {
        --gRunning;
        text_->setReadOnly(false);
    }

  private:
    CodeEditor* text_;
};
}  // namespace

bool MacroEditorRunning() {
    return gRunning > 0;
}

void MacroEditorWindow::Run() {
    if (session_->Running()) return;
    RunGuard guard(text_);
    syntaxPlaced_ = false;
    if (session_->GetState() != MacroSession::State::Paused) output_->clear();
    run_->setEnabled(false);
    step_->setEnabled(false);
    stepOver_->setEnabled(false);
    stop_->setEnabled(true);
    status_->setText("Running");
    std::string path = path_.toStdString();
    Update(session_->Go(text_->toPlainText().toStdString(), path));
}

void MacroEditorWindow::Step() {
    if (session_->Running()) return;
    RunGuard guard(text_);
    syntaxPlaced_ = false;
    if (session_->GetState() != MacroSession::State::Paused) output_->clear();
    stop_->setEnabled(true);
    Update(session_->Step(text_->toPlainText().toStdString(), path_.toStdString()));
}

void MacroEditorWindow::StepOver() {
    if (session_->Running()) return;
    RunGuard guard(text_);
    syntaxPlaced_ = false;
    if (session_->GetState() != MacroSession::State::Paused) output_->clear();
    stop_->setEnabled(true);
    Update(session_->StepOver(text_->toPlainText().toStdString(), path_.toStdString()));
}

void MacroEditorWindow::Stop() {
    bool running = session_->Running();
    session_->Stop();
    if (!running) Update(TES_OK);
}

void MacroEditorWindow::ToggleBreakpoint(int line) {
    if (line <= 0) line = text_->textCursor().blockNumber() + 1;
    bool set = !text_->BreakpointMarks().contains(line);
    text_->SetBreakpointMark(line, set);
    session_->SetBreakpoint(line, set);
}

void MacroEditorWindow::Update(int32_t result) {
    // Editors the macro made get their windows.
    if (MainFrame* frame = MainFrame::Instance()) {
        frame->AdoptNewEditors();
        frame->RefreshCommands();
    }
    bool paused = session_->GetState() == MacroSession::State::Paused;
    text_->SetCurrentLine(paused ? session_->PausedLine() : 0);
    globals_->clear();
    if (paused)
        for (const auto& [name, value] : session_->Globals())
            globals_->addTopLevelItem(
                new QTreeWidgetItem({QString::fromStdString(name), QString::fromStdString(value)}));
    run_->setEnabled(true);
    step_->setEnabled(true);
    stepOver_->setEnabled(true);
    stop_->setEnabled(paused);
    if (paused)
        status_->setText(QString("Paused at line %1").arg(session_->PausedLine()));
    else if (result != TES_OK)
        status_->setText(QString::fromUtf8(EngineResultText(result)));
    else if (session_->GetState() == MacroSession::State::Finished)
        status_->setText("Finished");
    else
        status_->setText("Stopped");
}

MacroEditorWindow* ShowMacroEditor(QWidget* parent, const QString& path) {
    if (!path.isEmpty())
        for (const QPointer<MacroEditorWindow>& w : Windows())
            if (w && QFileInfo(w->Path()) == QFileInfo(path)) {
                if (!w->Text()->document()->isModified()) w->Load(path);
                w->show();
                w->raise();
                return w;
            }
    auto* window = new MacroEditorWindow(parent);
    if (!path.isEmpty() && !window->Load(path)) {
        window->deleteLater();
        return nullptr;
    }
    window->show();
    return window;
}

}  // namespace ob
