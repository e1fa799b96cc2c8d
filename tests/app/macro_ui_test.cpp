// The macro side of the shell: the macro editor (syntax errors, breakpoints
// with the globals pane, single steps), the macro keys, Assign Macros,
// Auto-Record with Auto-Assign replayed through orbick --batch, Run Macro,
// Set View / Get View, View Options, and the help window's pages.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <cstring>
#include <memory>

#include "app/basic_highlighter.h"
#include "app/code_editor.h"
#include "app/command_table.h"
#include "app/editor_window.h"
#include "app/help_window.h"
#include "app/macro_commands.h"
#include "app/macro_editor.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "app/view_memory.h"
#include "app/view_options.h"
#include "base/user_interface.h"
#include "formats/sound_io.h"
#include "script/macro_keys.h"
#include "script/macro_session.h"
#include "script/recorder.h"
#include "script/script_table.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
MainFrame* gFrame = nullptr;

const char* const kCounting =
    "Dim total As Long\n"
    "Dim label As String\n"
    "Sub Main ()\n"
    "  For i = 1 To 4\n"
    "    total = total + i\n"
    "    label = \"turn \" & i\n"
    "  Next i\n"
    "  Print \"sum\"; total\n"
    "End Sub\n";

QString GlobalValue(QTreeWidget* pane, const QString& name) {
    for (int i = 0; i < pane->topLevelItemCount(); ++i)
        if (pane->topLevelItem(i)->text(0) == name) return pane->topLevelItem(i)->text(1);
    return "<none>";
}

// Calls `fn` with the first modal dialog of type T once it is open (polling,
// so a slow machine does not miss it); gives up after ten seconds.
template <class T, class Fn>
void WhenModal(Fn fn) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, fn] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(dialog);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// Drives the next modal file dialog: records its title and object name,
// types `path` into the name field, and accepts (or rejects for an empty path).
struct FileDialogDriver {
    QString title, name;
    int combo = -1;  // index to choose in a combo box named "autoAssign"
    void Arm(const QString& path) {
        WhenModal<QFileDialog>([this, path](QFileDialog* dialog) {
            title = dialog->windowTitle();
            name = dialog->objectName();
            if (combo >= 0)
                if (auto* box = dialog->findChild<QComboBox*>("autoAssign"))
                    box->setCurrentIndex(combo);
            if (path.isEmpty()) {
                dialog->reject();
                return;
            }
            if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit"))
                edit->setText(path);
            else
                dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
    }
};

// Rejects any modal dialog that is still open after twelve seconds, so a
// fault fails the test instead of hanging it.
struct LateCloser {
    QTimer timer;
    int closed = 0;
    LateCloser() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->reject();
                ++closed;
            }
        });
        QTimer::singleShot(12000, &timer, [this] { timer.start(50); });
    }
};
}  // namespace

void MacroUiTest::cleanup() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<MacroEditorWindow*>(w)) windows << w;
    for (const QPointer<QWidget>& w : windows)
        if (w) {
            static_cast<MacroEditorWindow*>(w.data())->Text()->document()->setModified(false);
            delete w.data();
        }
    if (RecorderRunning()) StopRecorder();
    StopShell(gFrame);
    gFrame = nullptr;
    for (std::string& key : gMacroKeys) key.clear();
    gEditing = EditingState{};
    ForgetSavedViews();
    ResetShellSettings();
}

void MacroUiTest::editorSyntaxErrorPutsCursorOnItsLine() {
    MacroEditorWindow editor;
    editor.Text()->setPlainText("Sub Main ()\n  x = 1\n  y = = 2\n  z = 3\nEnd Sub\n");
    editor.Text()->moveCursor(QTextCursor::End);
    editor.Run();
    QTextCursor cursor = editor.Text()->textCursor();
    QCOMPARE(cursor.blockNumber() + 1, 3);
    QCOMPARE(cursor.positionInBlock(), 6);  // the second "="
    QVERIFY2(editor.Output()->toPlainText().contains("Untitled.bas:3:7: Syntax error at: ="),
             qPrintable(editor.Output()->toPlainText()));
    QCOMPARE(editor.Session()->GetState(), MacroSession::State::Failed);
    QCOMPARE(editor.Text()->CurrentLine(), 0);
}

void MacroUiTest::editorBreakpointShowsGlobals() {
    MacroEditorWindow editor;
    editor.Text()->setPlainText(kCounting);
    editor.ToggleBreakpoint(5);
    QVERIFY(editor.Text()->BreakpointMarks().contains(5));
    editor.Run();
    QCOMPARE(editor.Session()->GetState(), MacroSession::State::Paused);
    QCOMPARE(editor.Text()->CurrentLine(), 5);
    QCOMPARE(editor.Text()->textCursor().blockNumber() + 1, 5);
    QCOMPARE(GlobalValue(editor.Globals(), "total"), QString("0"));
    QCOMPARE(GlobalValue(editor.Globals(), "label"), QString("\"\""));
    editor.Run();  // on to the next turn
    QCOMPARE(editor.Text()->CurrentLine(), 5);
    QCOMPARE(GlobalValue(editor.Globals(), "total"), QString("1"));
    QCOMPARE(GlobalValue(editor.Globals(), "label"), QString("\"turn 1\""));
    // A click in the gutter clears the breakpoint; the run finishes and prints.
    emit editor.Text()->gutterClicked(5);
    QVERIFY(!editor.Text()->BreakpointMarks().contains(5));
    editor.Run();
    QCOMPARE(editor.Session()->GetState(), MacroSession::State::Finished);
    QCOMPARE(editor.Globals()->topLevelItemCount(), 0);
    QCOMPARE(editor.Text()->CurrentLine(), 0);
    QVERIFY2(editor.Output()->toPlainText().contains("sum 10"),
             qPrintable(editor.Output()->toPlainText()));
}

void MacroUiTest::editorStepRunsOneLine() {
    MacroEditorWindow editor;
    editor.Text()->setPlainText(kCounting);
    editor.Step();  // paused before the first line of Main
    QCOMPARE(editor.Text()->CurrentLine(), 4);
    editor.Step();
    QCOMPARE(editor.Text()->CurrentLine(), 5);
    QCOMPARE(GlobalValue(editor.Globals(), "total"), QString("0"));
    editor.Step();
    QCOMPARE(editor.Text()->CurrentLine(), 6);
    QCOMPARE(GlobalValue(editor.Globals(), "total"), QString("1"));
    QCOMPARE(GlobalValue(editor.Globals(), "label"), QString("\"\""));
    editor.StepOver();
    QCOMPARE(editor.Text()->CurrentLine(), 7);
    QCOMPARE(GlobalValue(editor.Globals(), "label"), QString("\"turn 1\""));
    editor.Stop();
    QCOMPARE(editor.Text()->CurrentLine(), 0);
    QCOMPARE(editor.Globals()->topLevelItemCount(), 0);
}

void MacroUiTest::editorOpensEditsAndSaves() {
    TempFolder folder;
    QString path = folder.File("m.bas");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Sub Main ()\n  Print 1\nEnd Sub\n");
    }
    MacroEditorWindow* editor = ShowMacroEditor(nullptr, path);
    QVERIFY(editor);
    QCOMPARE(editor->Path(), path);
    QVERIFY(editor->windowTitle().startsWith("m.bas"));
    editor->Text()->moveCursor(QTextCursor::End);
    editor->Text()->insertPlainText("' changed\n");
    QVERIFY(editor->windowTitle().contains("m.bas*"));
    QVERIFY(editor->Save());
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().endsWith("' changed\n"));
    QVERIFY(!editor->windowTitle().contains("*"));
    // Opening the same file again brings the same window.
    QCOMPARE(ShowMacroEditor(nullptr, path), editor);
    // The colouring knows keywords, comments, strings, numbers and the API.
    QCOMPARE(BasicHighlighter::KindAt("  Dim x As Long", 3), QString("keyword"));
    QCOMPARE(BasicHighlighter::KindAt("  x = 1 ' note", 10), QString("comment"));
    QCOMPARE(BasicHighlighter::KindAt("  Rem a note", 8), QString("comment"));
    QCOMPARE(BasicHighlighter::KindAt("  s = \"Dim 'x\"", 8), QString("string"));
    QCOMPARE(BasicHighlighter::KindAt("  x = 12.5", 7), QString("number"));
    QCOMPARE(BasicHighlighter::KindAt("  obGain 1, 3.0", 3), QString("function"));
    QCOMPARE(BasicHighlighter::KindAt("  obSetAffectType OB_AFFECT_ALL", 20), QString("constant"));
    QCOMPARE(BasicHighlighter::KindAt("  total = 1", 3), QString());
    editor->close();
}

void MacroUiTest::macroKeysRunTheirFiles() {
    TempFolder folder;
    QString wav = folder.File("k.wav");
    QVERIFY(WriteTestWav(wav, 1, 1000, "K"));
    gFrame = Start(folder.path, wav);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    QString macro = folder.File("key.bas");
    {
        QFile f(macro);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Sub Main ()\n  obInvert 0\n  e = obOpenEditor()\nEnd Sub\n");
    }
    WaveRecord* r = gFrame->ActiveEditor()->Record();
    const float before = r->leftSamples[500];
    const int editors = int(gFrame->Editors().size());
    // An empty key does nothing (its command is disabled).
    QCOMPARE(gFrame->RunCommand(40121), MainFrame::Route::Disabled);
    QCOMPARE(gFrame->ActionFor(40121)->shortcut(), QKeySequence("F4"));
    QVERIFY(SetMacroKey(2, macro.toStdString()));
    gFrame->RefreshCommands();
    QVERIFY(gFrame->ActionFor(40121)->isEnabled());
    QCOMPARE(gFrame->RunCommand(40121), MainFrame::Route::Frame);
    QCOMPARE(r->leftSamples[500], -before);
    QCOMPARE(int(gFrame->Editors().size()), editors + 1);  // its editor got a window
    // A failing key macro shows the engine's message with file and line.
    {
        QFile f(macro);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("Sub Main ()\n\n  x = )\nEnd Sub\n");
    }
    ui.boxes.clear();
    gFrame->RunCommand(40121);
    QCOMPARE(int(ui.boxes.size()), 1);
    QVERIFY2(QString::fromStdString(ui.boxes[0])
                 .startsWith("Sample Orbick: Tessel Script: " + macro + ":3:"),
             ui.boxes[0].c_str());
    SetUserInterface(ShellUserInterface());
}

void MacroUiTest::assignMacrosDialogStoresElevenPaths() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    SetMacroKey(0, "/old/f2.bas");
    QString f5 = folder.File("five.bas");
    QFile(f5).open(QIODevice::WriteOnly);
    QString seenTitle, browseTitle;
    bool guardSeen = false;
    QString oldShown;
    FileDialogDriver browse;
    WhenModal<AssignMacrosDialog>([&](AssignMacrosDialog* dialog) {
        seenTitle = dialog->windowTitle();
        // A second Assign Macros while this one is open reports the guard text.
        ui.boxes.clear();
        RunAssignMacrosDialog(gFrame);
        guardSeen = ui.boxes.size() == 1 &&
                    ui.boxes[0].find("Assign Macros area already in use") != std::string::npos;
        oldShown = dialog->Field(0)->text();
        // Browse F5 through its file dialog.
        browse.Arm(f5);
        dialog->Browse(3);
        dialog->Field(10)->setText("/keys/f12.bas");
        dialog->accept();
    });
    LateCloser late;
    QCOMPARE(gFrame->RunCommand(40115), MainFrame::Route::Frame);
    QCOMPARE(late.closed, 0);
    QCOMPARE(seenTitle, QString("Assign Macros"));
    QVERIFY(guardSeen);
    QCOMPARE(oldShown, QString("/old/f2.bas"));
    QCOMPARE(browse.title, QString("Assign Macro:"));
    QCOMPARE(QString::fromStdString(gMacroKeys[3]), f5);
    QCOMPARE(QString::fromStdString(gMacroKeys[10]), QString("/keys/f12.bas"));
    QCOMPARE(QString::fromStdString(gMacroKeys[0]), QString("/old/f2.bas"));
    // Cancel keeps the old paths; a path too long for the key record is refused.
    WhenModal<AssignMacrosDialog>([&](AssignMacrosDialog* dialog) {
        // The refusal's message box is closed as soon as it shows.
        WhenModal<QMessageBox>([](QMessageBox* box) { box->accept(); });
        dialog->Field(1)->setText(QString(300, 'a'));
        dialog->accept();  // refused: stays open
        dialog->reject();
    });
    gFrame->RunCommand(40115);
    QVERIFY(gMacroKeys[1].empty());
    QCOMPARE(QString::fromStdString(gMacroKeys[3]), f5);
    // Save Macros, clear, Load Macros: the same eleven paths.
    QString keys = folder.File("keys.macro");
    FileDialogDriver save, load;
    save.Arm(keys);
    gFrame->RunCommand(40113);
    QCOMPARE(save.title, QString("Save File As:"));
    for (std::string& key : gMacroKeys) key.clear();
    load.Arm(keys);
    gFrame->RunCommand(40114);
    QCOMPARE(load.title, QString("Open File:"));
    QCOMPARE(QString::fromStdString(gMacroKeys[3]), f5);
    QCOMPARE(QString::fromStdString(gMacroKeys[10]), QString("/keys/f12.bas"));
    SetUserInterface(ShellUserInterface());
}

void MacroUiTest::autoRecordReplaysToTheSameSound() {
    TempFolder folder;
    QString wav = folder.File("in.wav");
    QVERIFY(WriteTestWav(wav, 2, 3000, "In"));
    gFrame = Start(folder.path);
    gFrame->CloseAllEditors();
    QString recorded = folder.File("session.bas");
    LateCloser late;
    FileDialogDriver ask;
    ask.combo = 4;  // F5
    ask.Arm(recorded);
    QCOMPARE(gFrame->RunCommand(40117), MainFrame::Route::Frame);
    QCOMPARE(ask.title, QString("Record Macro File As:"));
    QVERIFY(RecorderRunning());
    QCOMPARE(gFrame->ActionFor(40117)->text(), QString(kStopRecordingText));
    QCOMPARE(QString::fromStdString(gMacroKeys[3]), recorded);
    // Five commands: open, Invert, Edit Left off, Reverse (right only), Edit
    // Left on, Integrate.
    EditorWindow* editor = gFrame->OpenFile(wav);
    QVERIFY(editor);
    QCOMPARE(editor->Number(), 1);
    WaveRecord* r = editor->Record();
    gFrame->RunCommand(41112);
    gFrame->RunCommand(40104);
    gFrame->RunCommand(41113);
    gFrame->RunCommand(40104);
    gFrame->RunCommand(41111);
    QCOMPARE(gFrame->RunCommand(40117), MainFrame::Route::Frame);  // Stop Recording
    QVERIFY(!RecorderRunning());
    QCOMPARE(gFrame->ActionFor(40117)->text(), QString(kRecordMacroText));
    // The recording opened in the macro editor.
    MacroEditorWindow* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<MacroEditorWindow*>(w)) shown = m;
    QVERIFY(shown);
    QCOMPARE(shown->Path(), recorded);
    QVERIFY(shown->Text()->toPlainText().contains("obInvert 1"));
    // The edited sound, saved by our writer as 32-bit float.
    QString guiOut = folder.File("gui.wav");
    r->filePath = guiOut.toStdString();
    QCOMPARE(SaveSound(*r, kFormatWav32, 0), 0);
    // Replay: the recorded file with a save added before End Sub.
    QFile in(recorded);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(in.readAll());
    QVERIFY(text.startsWith("REM "));
    QVERIFY(text.contains("\nSub Main ()\nobOpenEditor\nobOpenWave 1, \""));
    QString replayOut = folder.File("replay.wav");
    text.replace("End Sub\n", QString("obSetFormatType OB_FORMAT_WAV32\nobSaveAsWave 1, \"%1\"\n"
                                      "End Sub\n")
                                  .arg(replayOut));
    QString replay = folder.File("replay.bas");
    QFile out(replay);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text.toUtf8());
    out.close();
    QProcess batch;
    batch.start(ORBICK_BINARY_DIR "/bin/orbick",
                {"--batch", "--config-dir", folder.File("batchconfig"), replay});
    QVERIFY(batch.waitForFinished(60000));
    QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
    WaveRecord a, b;
    a.filePath = guiOut.toStdString();
    b.filePath = replayOut.toStdString();
    QCOMPARE(OpenSound(a, false), 0);
    QCOMPARE(OpenSound(b, false), 0);
    QCOMPARE(a.frameCount, 3000u);
    QCOMPARE(b.frameCount, a.frameCount);
    QVERIFY(std::memcmp(a.leftSamples, b.leftSamples, 3000 * sizeof(float)) == 0);
    QVERIFY(std::memcmp(a.rightSamples, b.rightSamples, 3000 * sizeof(float)) == 0);
    DiscardWave(a);
    DiscardWave(b);
    // F5 now runs the recording.
    gFrame->RefreshCommands();
    QVERIFY(gFrame->ActionFor(40122)->isEnabled());
}

void MacroUiTest::runMacroCommandRunsAnyFile() {
    TempFolder folder;
    QString wav = folder.File("r.wav");
    QVERIFY(WriteTestWav(wav, 1, 800, "R"));
    gFrame = Start(folder.path, wav);
    QString macro = folder.File("any.bas");
    {
        QFile f(macro);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Sub Main ()\n  obReverse 0\nEnd Sub\n");
    }
    WaveRecord* r = gFrame->ActiveEditor()->Record();
    const float first = r->leftSamples[0], last = r->leftSamples[799];
    LateCloser late;
    FileDialogDriver run;
    run.Arm(macro);
    QCOMPARE(gFrame->RunCommand(kRunMacroCommand), MainFrame::Route::Frame);
    QCOMPARE(run.title, QString("Run Macro:"));
    QCOMPARE(r->leftSamples[0], last);
    QCOMPARE(r->leftSamples[799], first);
    // Cancel runs nothing.
    FileDialogDriver cancel;
    cancel.Arm(QString());
    gFrame->RunCommand(kRunMacroCommand);
    QCOMPARE(r->leftSamples[0], last);
}

void MacroUiTest::setViewGetViewRoundTrip() {
    TempFolder folder;
    QString wav = folder.File("v.wav");
    QVERIFY(WriteTestWav(wav, 2, 20000, "V"));
    gFrame = Start(folder.path, wav);
    WaveRecord* r = gFrame->ActiveEditor()->Record();
    r->viewStart = 4000;
    r->viewSpan = 2500;
    r->viewLevelCentre = 1200;
    r->viewLevelSpan = 30000;
    r->mouseStart = 4100;
    r->mouseLength = 700;
    r->mouseChannels = 2;
    gFrame->RunCommand(40103);                                      // Affect Mouse Area
    QVERIFY(!gFrame->ActionFor(40625)->isEnabled());                // Get View 3 holds nothing yet
    QCOMPARE(gFrame->RunCommand(40615), MainFrame::Route::Editor);  // Set View 3
    gFrame->RefreshCommands();
    QVERIFY(gFrame->ActionFor(40625)->isEnabled());
    // Change everything, then Get View 3 brings it all back.
    gFrame->RunCommand(40600);  // Show Full
    r->viewLevelCentre = 0;
    r->viewLevelSpan = 65535;
    r->mouseChannels = 0;
    gFrame->RunCommand(40100);  // Affect All
    QCOMPARE(gFrame->RunCommand(40625), MainFrame::Route::Editor);
    QCOMPARE(r->viewStart, 4000u);
    QCOMPARE(r->viewSpan, 2500u);
    QCOMPARE(r->viewLevelCentre, int16_t(1200));
    QCOMPARE(r->viewLevelSpan, uint16_t(30000));
    QCOMPARE(r->mouseStart, 4100u);
    QCOMPARE(r->mouseLength, 700u);
    QCOMPARE(r->mouseChannels, 2u);
    QCOMPARE(int(gEditing.affectArea), int(kAffectMouse));
    QVERIFY(gFrame->ActionFor(40103)->isChecked());
    // Into a shorter mono sound: clipped to its length, the left channel.
    QString shortWav = folder.File("s.wav");
    QVERIFY(WriteTestWav(shortWav, 1, 5000, "S"));
    EditorWindow* other = gFrame->OpenFile(shortWav);
    QVERIFY(other);
    QVERIFY(GetView(2, other->Record()));
    WaveRecord* s = other->Record();
    // The view keeps the span within a pixel's rounding and the end inside the sound.
    QVERIFY2(s->viewSpan >= 2400 && s->viewSpan <= 2600, qPrintable(QString::number(s->viewSpan)));
    QVERIFY(s->viewStart + s->viewSpan <= 5000u && s->viewStart >= 2400u);
    QCOMPARE(s->mouseStart, 4100u);
    QCOMPARE(s->mouseLength, 700u);
    QCOMPARE(s->mouseChannels, 1u);
    QVERIFY(!GetView(10, s));
    QVERIFY(!GetView(0, s));  // never set
}

void MacroUiTest::viewOptionsAndFont() {
    TempFolder folder;
    QString wav = folder.File("o.wav");
    QVERIFY(WriteTestWav(wav, 1, 1000, "O"));
    gFrame = Start(folder.path, wav);
    WaveRecord* r = gFrame->ActiveEditor()->Record();
    QFont chosen("DejaVu Sans Mono", 13);
    WhenModal<ViewOptionsDialog>([&](ViewOptionsDialog* dialog) {
        for (int i = 0; i < 5; ++i) dialog->Option(i)->setChecked(i == 2 || i == 4);
        dialog->TimeUnit()->setCurrentIndex(2);   // sample points
        dialog->LevelUnit()->setCurrentIndex(2);  // dB
        dialog->SetChosenFont(chosen);
        dialog->accept();
    });
    LateCloser late;
    QCOMPARE(gFrame->RunCommand(40641), MainFrame::Route::Editor);
    QCOMPARE(late.closed, 0);
    QCOMPARE(r->displayOptions & 0x1f, 0x01u | 0x02u);  // Overview and Edit Status
    QCOMPARE(r->timeUnit, 3u);
    QCOMPARE(r->levelUnit, 3u);
    QCOMPARE(gEditorSlots[0]->timeUnit, 3u);
    QVERIFY(gFrame->ActionFor(40702)->isChecked());
    QCOMPARE(ViewFont(gFrame).pointSize(), 13);
    QCOMPARE(gFrame->ActiveEditor()->View()->font().pointSize(), 13);
    // The font is kept in the settings store and comes back at the next start.
    StopShell(gFrame);
    gFrame = Start(folder.path);
    QCOMPARE(ViewFont(gFrame).pointSize(), 13);
    // Cancel changes nothing.
    QVERIFY(gFrame->OpenFile(wav));
    WaveRecord* again = gFrame->ActiveEditor()->Record();
    const uint32_t options = again->displayOptions;
    WhenModal<ViewOptionsDialog>([&](ViewOptionsDialog* dialog) {
        dialog->Option(0)->setChecked(!dialog->Option(0)->isChecked());
        dialog->reject();
    });
    gFrame->RunCommand(40641);
    QCOMPARE(again->displayOptions, options);
}

void MacroUiTest::helpPagesForEveryMenuAndTheReference() {
    // A page for every menu of the menu bar, with text of its own and the
    // menu's commands listed from the command table.
    const CommandGroup menus[] = {
        CommandGroup::File,         CommandGroup::Edit,      CommandGroup::View,
        CommandGroup::Setup,        CommandGroup::Functions, CommandGroup::Effects,
        CommandGroup::LoopsMarkers, CommandGroup::Window,    CommandGroup::Help};
    for (CommandGroup group : menus) {
        QString title = QString(GroupMenuTitle(group)).remove('&');
        QString id = HelpPageOfMenu(title);
        QVERIFY2(!id.isEmpty(), qPrintable(title));
        QString page = HelpPageMarkdown(id);
        QVERIFY2(page.startsWith("# " + title + " menu"), qPrintable(title));
        int commandsAt = page.indexOf("## Commands of this menu");
        QVERIFY(commandsAt > 250);  // written text before the generated list
        for (const Command& c : CommandTable())
            if (c.group == group)
                QVERIFY2(page.indexOf(QString("| %1 |").arg(c.id), commandsAt) > 0,
                         qPrintable(QString("%1 lacks %2").arg(title).arg(c.id)));
    }
    for (const HelpPage& p : HelpPages())
        QVERIFY2(!HelpPageMarkdown(p.id).isEmpty(), qPrintable(p.id));
    QVERIFY(HelpPageMarkdown("nothing").isEmpty());
    // The reference lists every script function with its arguments, and the constants.
    QString reference = ScriptReferenceMarkdown();
    for (size_t i = 0; i < kScriptFunctionCount; ++i) {
        const ScriptFunction& f = kScriptFunctions[i];
        QVERIFY2(
            reference.contains(QString("| `%1` | `%2` | %3 |")
                                   .arg(f.name, *f.arguments ? f.arguments : "(none)", f.result)),
            f.name);
    }
    QVERIFY(reference.contains("| `OB_FORMAT_WAV16` | 6 |"));
    QVERIFY(reference.contains("| `OB_AFFECT_ALL` | 1 |"));
    // The window: Help > Contents shows the contents; a page link changes the page.
    TempFolder folder;
    gFrame = Start(folder.path);
    QCOMPARE(gFrame->RunCommand(40500), MainFrame::Route::Frame);
    HelpWindow* help = gFrame->findChild<HelpWindow*>("helpWindow");
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->CurrentPage(), QString("index"));
    QVERIFY(help->Browser()->toPlainText().contains("Sample Orbick 24/96"));
    emit help->Browser()->anchorClicked(QUrl("setup.md"));
    QCOMPARE(help->CurrentPage(), QString("setup"));
    QVERIFY(help->Browser()->toPlainText().contains("Record Macro File As:"));
    QCOMPARE(help->Contents()->currentItem()->data(Qt::UserRole).toString(), QString("setup"));
    gFrame->RunCommand(40501);
    QCOMPARE(help->CurrentPage(), QString("faqs"));
    gFrame->RunCommand(40502);
    QCOMPARE(help->CurrentPage(), QString("howtos"));
    help->Contents()->setCurrentRow(int(HelpPages().size()) - 3);  // the reference
    QCOMPARE(help->CurrentPage(), QString("reference"));
    QVERIFY(help->Browser()->toPlainText().contains("obGain"));
}

}  // namespace shelltest
