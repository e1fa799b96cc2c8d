// The command table and its routing, Undo/Redo following the undo state, and
// the commands that change settings.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QProcess>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "app/command_table.h"
#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "app/view_layout.h"
#include "app/view_mapping.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "formats/sound_io.h"
#include "script/host_state.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
MainFrame* gFrame = nullptr;

// Every command number the menus have, by range, in the groups' order.
std::vector<int> AllNumbers() {
    std::vector<int> ids;
    auto add = [&](int lo, int hi) {
        for (int i = lo; i <= hi; ++i) ids.push_back(i);
    };
    add(40001, 40016);
    ids.push_back(40022);
    ids.push_back(40023);
    ids.push_back(40024);
    ids.push_back(40026);
    ids.push_back(40027);
    add(40100, 40115);
    ids.push_back(40117);
    add(40119, 40136);
    add(40200, 40217);
    add(40219, 40222);
    add(40300, 40310);
    add(40400, 40403);
    add(40500, 40505);
    add(40600, 40632);
    ids.push_back(40641);
    add(40700, 40712);
    add(40800, 40804);
    add(40900, 40926);
    add(41000, 41003);
    add(41100, 41122);
    add(41200, 41222);
    add(41300, 41317);
    return ids;
}
}  // namespace

void CommandsTest::cleanup() {
    StopShell(gFrame);
    gFrame = nullptr;
    gEditing = EditingState{};
    ResetShellSettings();
    gProcessing = ProcessingSettings{};
}

void CommandsTest::tableCoversEveryNumberOnce() {
    QSet<int> seen;
    for (const Command& c : CommandTable()) {
        QVERIFY2(!seen.contains(c.id), qPrintable(QString("twice: %1").arg(c.id)));
        seen.insert(c.id);
        QVERIFY2(c.group == GroupOfNumber(c.id), qPrintable(QString("group of %1").arg(c.id)));
        QVERIFY(*c.text);
        QVERIFY2(
            c.handler || (c.missing && QString(c.missing).startsWith("Not available yet: needs ")),
            qPrintable(QString("no handler and no reason: %1").arg(c.id)));
    }
    for (int id : AllNumbers())
        QVERIFY2(seen.contains(id), qPrintable(QString("missing %1").arg(id)));
    QCOMPARE(seen.size(), int(AllNumbers().size()));
    // The ranges route as the frame and the editor share them.
    QCOMPARE(TargetOf(40001), CommandTarget::Frame);
    QCOMPARE(TargetOf(40027), CommandTarget::Frame);
    QCOMPARE(TargetOf(40505), CommandTarget::Frame);
    QCOMPARE(TargetOf(40600), CommandTarget::Editor);
    QCOMPARE(TargetOf(41316), CommandTarget::Editor);
    QCOMPARE(GroupOfNumber(41233), CommandGroup::None);
    QCOMPARE(GroupOfNumber(40018), CommandGroup::File);
}

void CommandsTest::routingOfEveryCommand() {
    TempFolder folder;
    QString wav = folder.File("route.wav");
    QVERIFY(WriteTestWav(wav, 2, 5000, "Route"));
    // With no editor: File and the other frame groups run, editor groups do not.
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    gFrame->CloseAllEditors();
    QVERIFY(gFrame->Editors().isEmpty());
    ModalCloser closer;
    QCOMPARE(gFrame->RunCommand(41316), MainFrame::Route::NoEditor);
    QCOMPARE(gFrame->RunCommand(40600), MainFrame::Route::NoEditor);
    QVERIFY(!gFrame->ActionFor(41316)->isEnabled());
    QCOMPARE(gFrame->RunCommand(40001), MainFrame::Route::Frame);  // New works with no editor
    QCOMPARE(gFrame->Editors().size(), 1);
    QCOMPARE(gFrame->RunCommand(39999), MainFrame::Route::Unknown);

    // With an editor holding a wave: every command reaches its handler or is
    // refused as disabled; none but Exit closes the frame.
    QVERIFY(gFrame->OpenFile(wav));
    for (const Command& c : CommandTable()) {
        if (c.id == 40024 || c.id == 40023 || c.id == 40403) continue;  // tried below
        if (!gFrame->ActiveEditor()) QVERIFY(gFrame->OpenFile(wav));
        CommandContext context = gFrame->Context(c.id);
        bool enabled = c.handler && (!c.enabled || c.enabled(context));
        MainFrame::Route expected =
            !enabled ? MainFrame::Route::Disabled
                     : (TargetOf(c.id) == CommandTarget::Frame ? MainFrame::Route::Frame
                                                               : MainFrame::Route::Editor);
        MainFrame::Route route = gFrame->RunCommand(c.id);
        QVERIFY2(route == expected, qPrintable(QString("command %1").arg(c.id)));
        QCOMPARE(gFrame->ActionFor(c.id)->isEnabled() || !enabled, true);
        QVERIFY(gFrame->isVisible());
    }
    QVERIFY(gFrame->Editors().size() >= 1);
    QCOMPARE(gFrame->RunCommand(40403), MainFrame::Route::Frame);  // Close All
    QVERIFY(gFrame->Editors().isEmpty());
    gFrame->NewEditor();
    QCOMPARE(gFrame->RunCommand(40023), MainFrame::Route::Frame);  // Close
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(gFrame->Editors().isEmpty());
    QCOMPARE(gFrame->RunCommand(40024), MainFrame::Route::Frame);  // Exit
    QVERIFY(!gFrame->isVisible());
    SetUserInterface(ShellUserInterface());
}

void CommandsTest::missingCommandsAreDisabledWithReason() {
    TempFolder folder;
    gFrame = Start(folder.path);
    int missing = 0;
    for (const Command& c : CommandTable()) {
        QAction* action = gFrame->ActionFor(c.id);
        QVERIFY(action);
        if (c.handler) continue;
        ++missing;
        QVERIFY(!action->isEnabled());
        QVERIFY(action->toolTip().startsWith("Not available yet: needs "));
        QCOMPARE(gFrame->RunCommand(c.id), MainFrame::Route::Disabled);
        QCOMPARE(gFrame->StatusText(), QString(c.missing));
    }
    QVERIFY(missing > 0);
    QCOMPARE(gFrame->ActionFor(40011)->toolTip(), QString("Not available yet: needs playback"));
    // Shortcuts from the key table.
    QCOMPARE(gFrame->ActionFor(40002)->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(gFrame->ActionFor(41313)->shortcuts().size(), 2);
    QCOMPARE(gFrame->ActionFor(40119)->shortcut(), QKeySequence("F2"));
}

void CommandsTest::undoRedoFollowUndoState() {
    TempFolder folder;
    QString wav = folder.File("u.wav");
    QVERIFY(WriteTestWav(wav, 1, 2000, "U"));
    gFrame = Start(folder.path, wav);
    EditorWindow* editor = gFrame->ActiveEditor();
    QVERIFY(editor);
    WaveRecord* r = editor->Record();
    SetBackupDepth(20);
    gFrame->RefreshCommands();
    QVERIFY(!gFrame->ActionFor(41312)->isEnabled());
    QVERIFY(!gFrame->ActionFor(41313)->isEnabled());
    gEditing.affectArea = kAffectAll;
    QCOMPARE(gFrame->RunCommand(41316), MainFrame::Route::Editor);  // Mute
    QCOMPARE(r->leftSamples[5], 0.0f);
    QVERIFY(gFrame->ActionFor(41312)->isEnabled());
    QVERIFY(!gFrame->ActionFor(41313)->isEnabled());
    QVERIFY(editor->windowTitle().endsWith("*"));
    QCOMPARE(gFrame->RunCommand(41312), MainFrame::Route::Editor);  // Undo
    QVERIFY(r->leftSamples[5] != 0.0f);
    QVERIFY(!gFrame->ActionFor(41312)->isEnabled());
    QVERIFY(gFrame->ActionFor(41313)->isEnabled());
    QCOMPARE(gFrame->RunCommand(41313), MainFrame::Route::Editor);  // Redo
    QCOMPARE(r->leftSamples[5], 0.0f);
    // A change made outside the menus (a macro) updates them through the notices.
    Undo(*r);
    QCoreApplication::processEvents();
    QVERIFY(gFrame->ActionFor(41313)->isEnabled());
    SetBackupDepth(1);
}

void CommandsTest::muteUndoMuteSaveAs24Bit() {
    // Mouse Area, Mute, Undo, Mute, Save As WAVE 24 bit through the dialog;
    // the file read back by our reader holds exactly the expected samples.
    TempFolder folder;
    QString wav = folder.File("in.wav");
    QVERIFY(WriteTestWav(wav, 2, 4000, "In"));
    gFrame = Start(folder.path, wav);
    EditorWindow* editor = gFrame->ActiveEditor();
    WaveRecord* r = editor->Record();
    std::vector<float> left(r->leftSamples, r->leftSamples + 4000);
    std::vector<float> right(r->rightSamples, r->rightSamples + 4000);
    // Select about frames 1000..1500 with the mouse in the left lane.
    gFrame->RunCommand(40103);  // Affect Mouse Area
    QWidget* view = editor->View();
    QVERIFY(view && view->objectName() == "waveView");
    gFrame->show();
    editor->parentWidget()->resize(700, 360);
    QCoreApplication::processEvents();
    ViewLayout layout = ComputeViewLayout(QSizeF(view->size()), *r);
    ViewMapping mapping = ViewMapping::ForRecord(*r, int(layout.lanesArea.width()));
    const int y = int(layout.lanes[0].rect.center().y());
    const int x1 = int(layout.lanesArea.left() + mapping.XForFrame(1000));
    const int x2 = int(layout.lanesArea.left() + mapping.XForFrame(1500));
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, QPoint(x1, y));
    QTest::mouseMove(view, QPoint((x1 + x2) / 2, y));
    QTest::mouseMove(view, QPoint(x2, y));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, QPoint(x2, y));
    QVERIFY(r->mouseChannels != 0);
    const uint32_t slack = mapping.framesPerPixel + 1;
    QVERIFY2(r->mouseStart + slack >= 1000 && r->mouseStart <= 1000 + slack,
             qPrintable(QString::number(r->mouseStart)));
    QVERIFY2(r->mouseLength + 2 * slack >= 500 && r->mouseLength <= 500 + 2 * slack,
             qPrintable(QString::number(r->mouseLength)));
    const uint32_t from = r->mouseStart, to = r->mouseStart + r->mouseLength;
    const uint32_t channels = r->mouseChannels;
    gFrame->RunCommand(41316);
    gFrame->RunCommand(41312);
    QCOMPARE(r->leftSamples[1200], left[1200]);
    QCOMPARE(r->rightSamples[1200], right[1200]);
    gFrame->RunCommand(41316);
    QString out = folder.File("out.wav");
    QString dialogName;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        dialogName = dialog->objectName();
        dialog->selectNameFilter("WAVE 24 bit (*.wav)");
        // Type the name as a user would: the filter change may rewrite the
        // name field after selectFile().
        if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit"))
            edit->setText(QFileInfo(out).fileName());
        else
            dialog->selectFile(out);
        static_cast<QDialog*>(dialog)->accept();
    });
    // Any question the save raises after that (an unexpected overwrite
    // question, say) is rejected, so a fault fails the test instead of hanging it.
    QTimer lateCloser;
    int lateClosed = 0;
    connect(&lateCloser, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->reject();
            ++lateClosed;
        }
    });
    QTimer::singleShot(2000, &lateCloser, [&] { lateCloser.start(50); });
    QCOMPARE(gFrame->RunCommand(40004), MainFrame::Route::Frame);
    lateCloser.stop();
    QCOMPARE(dialogName, QString("saveAsDialog"));
    QCOMPARE(lateClosed, 0);
    QVERIFY(QFile::exists(out));
    QCOMPARE(QString::fromStdString(r->filePath), out);
    QVERIFY(!(r->stateFlags & kStateChanged));
    WaveRecord back;
    back.filePath = out.toStdString();
    QCOMPARE(OpenSound(back, false), 0);
    QCOMPARE(back.frameCount, 4000u);
    QCOMPARE(back.sourceFormat, int(kFormatWav24));
    // 24-bit samples are x * 2^23 truncated and limited to the 24-bit range,
    // read back over 2^23.
    auto as24 = [](float x) {
        double code = std::clamp(std::trunc(double(x) * 8388608.0), -8388608.0, 8388607.0);
        return float(code / 8388608.0);
    };
    for (uint32_t i = 0; i < 4000; ++i) {
        bool muted = i >= from && i < to;
        float l = muted && (channels & 1) ? 0.0f : as24(left[i]);
        float rr = muted && (channels & 2) ? 0.0f : as24(right[i]);
        QVERIFY2(back.leftSamples[i] == l, qPrintable(QString::number(i)));
        QVERIFY(back.rightSamples[i] == rr);
    }
    DiscardWave(back);
    // libsndfile agrees: 24-bit PCM, two channels, silence exactly where muted.
    QProcess python;
    python.start(
        "/usr/bin/python3",
        {"-c",
         "import soundfile as sf, sys\n"
         "d, r = sf.read(sys.argv[1], dtype='int32')\n"
         "i = sf.info(sys.argv[1])\n"
         "a, b = int(sys.argv[2]), int(sys.argv[3])\n"
         "m = d[a:b, 0] if sys.argv[4] == '1' else d[a:b, 1] if sys.argv[4] == '2' else d[a:b]\n"
         "print(i.subtype, r, d.shape[0], d.shape[1], int(abs(m).max()))",
         out, QString::number(from), QString::number(to), QString::number(channels)});
    QVERIFY(python.waitForFinished(30000));
    QCOMPARE(QString(python.readAllStandardOutput()).trimmed(), QString("PCM_24 44100 4000 2 0"));
}

void CommandsTest::settingsCommandsChangeState() {
    TempFolder folder;
    QString wav = folder.File("s.wav");
    QVERIFY(WriteTestWav(wav, 1, 100, "S"));
    gFrame = Start(folder.path, wav);
    gFrame->RunCommand(40102);
    QCOMPARE(int(gEditing.affectArea), int(kAffectMarkers));
    QVERIFY(gFrame->ActionFor(40102)->isChecked());
    QVERIFY(!gFrame->ActionFor(40100)->isChecked());
    gFrame->RunCommand(40104);  // Edit Left off
    QCOMPARE(gEditing.editChannel, uint32_t(kEditRight));
    QVERIFY(!gFrame->ActionFor(40104)->isChecked());
    gFrame->RunCommand(40202);  // WAV 24 Bit
    QCOMPARE(gEditing.defaultSaveFormat, int(kFormatWav24));
    QVERIFY(gFrame->ActionFor(40202)->isChecked());
    gFrame->RunCommand(40219);  // smpl off
    QCOMPARE(gEditing.wavOptions, 13u);
    gFrame->RunCommand(40300);  // SMDI
    QCOMPARE(gSamplerType, 8);
    gFrame->RunCommand(40108);
    QVERIFY(gProcessing.autoZoomOut);
    gFrame->RunCommand(40504);  // Tips at Startup off
    QVERIFY(gShellSettings.displayFlags & kFlagNoTips);
    QVERIFY(!gFrame->ActionFor(40504)->isChecked());
    gFrame->RunCommand(40701);  // Min:Secs
    QCOMPARE(gFrame->ActiveEditor()->Record()->timeUnit, 2u);
    QVERIFY(gFrame->ActionFor(40701)->isChecked());
    gFrame->RunCommand(40607);  // Overview off
    QCOMPARE(gFrame->ActiveEditor()->Record()->displayOptions & 1u, 0u);
    gFrame->RunCommand(40133);  // Effects toolbar hidden
    QVERIFY(!gFrame->ToolbarVisible(1));
    // The close request writes the settings: read back in batch mode's way.
    QVERIFY(gFrame->close());
    SettingsStore store;
    QCOMPARE(ReadSettingsStore(folder.File(kSettingsFileName).toStdString(), store), 0);
    int64_t v = 0;
    QVERIFY(store.Number("ERan", v) && v == 3);
    QVERIFY(store.Number("Format", v) && v == kFormatWav24);
    QVERIFY(store.Number("Sampler", v) && v == 8);
    QVERIFY(store.Number("DispF", v) && (v & 0x0006) == 0x0006);
    std::string text;
    QVERIFY(store.Text("MRU1", text));
    QCOMPARE(QString::fromStdString(text), QFileInfo(wav).canonicalFilePath());
}

}  // namespace shelltest
