// Start-up, the frame, closing editors and the program, drag and drop, and
// the start-up macro with the engine's dialogs.
#include "app/shell_startup.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QUrl>
#include <clocale>
#include <cstring>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "script/run_macro.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
MainFrame* gStarted = nullptr;
MainFrame* Begin(const QString& folder, const QString& file = QString()) {
    gStarted = Start(folder, file);
    return gStarted;
}
}  // namespace

void StartupTest::cleanup() {
    StopShell(gStarted);
    gStarted = nullptr;
}

void StartupTest::fileArgumentOpensOneEditor() {
    TempFolder folder;
    QString wav = folder.File("tone.wav");
    QVERIFY(WriteTestWav(wav, 2, 3000, "Test Tone"));
    MainFrame* frame = Begin(folder.path, wav);
    QCOMPARE(frame->windowTitle(), QString("Sample Orbick 24/96"));
    QCOMPARE(frame->Editors().size(), 1);
    EditorWindow* editor = frame->Editors().first();
    QCOMPARE(editor->windowTitle(), QString(" 1:  Test Tone"));
    QCOMPARE(editor->Record()->frameCount, 3000u);
    QVERIFY(editor->Record()->rightSamples != nullptr);
    QCOMPARE(QString::fromStdString(gShellSettings.recentFiles[0]),
             QFileInfo(wav).canonicalFilePath());
}

void StartupTest::noUsableFileGivesOneEmptyEditor_data() {
    QTest::addColumn<QString>("argument");
    QTest::newRow("none") << QString();
    QTest::newRow("lone quote") << QString("\"");
    QTest::newRow("missing file") << QString("/nonexistent/orbick/none.wav");
    QTest::newRow("quoted missing file") << QString("\"/nonexistent/x.wav\"");
}

void StartupTest::noUsableFileGivesOneEmptyEditor() {
    QFETCH(QString, argument);
    TempFolder folder;
    MainFrame* frame = Begin(folder.path, argument);
    QCOMPARE(frame->Editors().size(), 1);
    QCOMPARE(frame->Editors().first()->windowTitle(), QString(" 1:  Untitled"));
    QVERIFY(!WaveHasData(frame->Editors().first()->Record()));
}

void StartupTest::frameHasStatusBarInThreeParts() {
    TempFolder folder;
    MainFrame* frame = Begin(folder.path);
    auto* text = frame->findChild<QLabel*>("statusText");
    auto* bar = frame->findChild<QProgressBar*>("progressBar");
    auto* readout = frame->findChild<QLabel*>("readout");
    QVERIFY(text && bar && readout);
    QCOMPARE(text->text(), QString("Ready"));
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    // The core's progress and status reach the bar through the seam.
    UI().SetProgressBar(35);
    QCOMPARE(bar->value(), 35);
    UI().SetStatusText("Processing...");
    QCOMPARE(text->text(), QString("Processing..."));
    frame->resize(900, 600);
    frame->show();
    QCoreApplication::processEvents();
    // Three parts of equal width, in order.
    QVERIFY(text->x() < bar->x() && bar->x() < readout->x());
    QVERIFY(std::abs(text->width() - bar->width()) < 40);
}

void StartupTest::closingUnsavedEditorAsksAndCancelKeepsIt() {
    TempFolder folder;
    QString wav = folder.File("a.wav");
    QVERIFY(WriteTestWav(wav, 1, 1000, "A"));
    MainFrame* frame = Begin(folder.path, wav);
    TestUi ui(frame);
    SetUserInterface(&ui);
    EditorWindow* editor = frame->Editors().first();
    editor->Record()->stateFlags |= kStateChanged;
    ui.answer = kAnswerCancel;
    QCOMPARE(frame->RunCommand(40023), MainFrame::Route::Frame);
    QCoreApplication::processEvents();
    QCOMPARE(ui.questions.size(), size_t(1));
    QVERIFY(ui.questions[0].rfind("WARNING: This procedure will forget the", 0) == 0);
    QCOMPARE(frame->Editors().size(), 1);
    QVERIFY(FindEditor(1) != nullptr);
    // No: closes without saving; the slot is free again.
    ui.answer = kAnswerNo;
    frame->RunCommand(40023);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(frame->Editors().size(), 0);
    QVERIFY(FindEditor(1) == nullptr);
    QCOMPARE(QFileInfo(wav).size() > 0, true);
    SetUserInterface(ShellUserInterface());
}

void StartupTest::closeRequestWithCancelKeepsProgramRunning() {
    TempFolder folder;
    QString wav = folder.File("b.wav");
    QVERIFY(WriteTestWav(wav, 1, 1000, "B"));
    MainFrame* frame = Begin(folder.path, wav);
    frame->NewEditor();
    TestUi ui(frame);
    SetUserInterface(&ui);
    frame->Editors().first()->Record()->stateFlags |= kStateChanged;
    ui.answer = kAnswerCancel;
    QVERIFY(!frame->close());
    QCOMPARE(frame->Editors().size(), 2);
    QVERIFY(!QFile::exists(folder.File("orbick.ini")));  // nothing shut down
    ui.answer = kAnswerNo;
    QVERIFY(frame->close());
    QCOMPARE(frame->Editors().size(), 0);
    // Destruction wrote the settings.
    QVERIFY(QFile::exists(folder.File("orbick.ini")));
    SetUserInterface(ShellUserInterface());
}

void StartupTest::droppedFilesOpenInOrder() {
    TempFolder folder;
    QVERIFY(WriteTestWav(folder.File("first.wav"), 1, 500, "First"));
    QVERIFY(WriteTestWav(folder.File("second.wav"), 2, 700, "Second"));
    MainFrame* frame = Begin(folder.path);
    QCOMPARE(frame->Editors().size(), 1);  // the empty one
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(folder.File("first.wav")),
                   QUrl::fromLocalFile(folder.File("second.wav"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &drop);
    QList<EditorWindow*> editors = frame->Editors();
    QCOMPARE(editors.size(), 3);
    QCOMPARE(editors[1]->windowTitle(), QString(" 2:  First"));
    QCOMPARE(editors[2]->windowTitle(), QString(" 3:  Second"));
    QCOMPARE(editors[2]->Record()->frameCount, 700u);
    delete mime;
}

void StartupTest::startupMacroRunsWithDialogsAndCLocale() {
    TempFolder folder;
    QFile macro(folder.File("orbick.macroinit"));
    QVERIFY(macro.open(QIODevice::WriteOnly));
    macro.write(
        "Sub Main\n"
        "  Dim x As Double\n"
        "  x = 1.25 * 2\n"
        "  MsgBox \"x=\" & Str(x)\n"
        "  MsgBox \"typed: \" & InputBox(\"Your name?\", \"Ask\", \"none\")\n"
        "End Sub\n");
    macro.close();
    // At start-up the macro's MsgBox and InputBox are Qt dialogs (closed
    // here as they open), not the terminal.
    MainFrame* frame = nullptr;
    {
        ModalCloser closer;
        frame = Begin(folder.path);
        QCOMPARE(closer.closed, 3);  // MsgBox, InputBox, MsgBox
    }
    // Again with the test interface, to see what the dialogs were given.
    TestUi ui(frame);
    ui.inputText = "Orbick";
    SetUserInterface(&ui);
    QCOMPARE(RunStartupMacro(frame, folder.path.toStdString()), 0);
    QCOMPARE(ui.scriptBoxes.size(), size_t(2));
    QCOMPARE(QString::fromStdString(ui.scriptBoxes[0]), QString("x=2.5"));
    QCOMPARE(QString::fromStdString(ui.scriptBoxes[1]), QString("typed: Orbick"));
    QCOMPARE(ui.prompts.size(), size_t(1));
    // Numbers in the core print with a full stop even under de_DE.
    QCOMPARE(QString::fromStdString(ElapsedTimeText(1500)), QString("Elapsed Time: 1.5 seconds"));
    QCOMPARE(QString(std::localeconv()->decimal_point), QString("."));
    if (!gGermanLocale) qWarning("de_DE locale not available: ran under the C locale");
    SetUserInterface(ShellUserInterface());
}

}  // namespace shelltest
