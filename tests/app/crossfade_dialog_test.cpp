// Functions > Crossfade Loop driven as a user drives it: OK gives the samples
// of obCrossfadeLoop with the same choices on another editor holding the same
// sound, keeps the choices for the next opening and records no line; an
// amount of 0 is kept as 1; a wave without the chosen loop reports "Can't
// crossfade this loop" and keeps its samples.
#include <QAbstractButton>
#include <QDialog>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/operation_dialog.h"
#include "app/shell_startup.h"
#include "base/user_interface.h"
#include "dsp/operation_traits.h"
#include "script/op_bindings.h"
#include "script/recorder.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {

MainFrame* gFrame = nullptr;

void Click(QDialog* d, const char* name) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->click();
}
void Check(QDialog* d, const char* name, bool on) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->setChecked(on);
}
void Amount(QDialog* d, int value) {
    if (auto* s = d->findChild<QSpinBox*>("amount")) s->setValue(value);
}
bool Checked(QDialog* d, const char* name) {
    auto* b = d->findChild<QAbstractButton*>(name);
    return b && b->isChecked();
}

bool SameSamples(const WaveRecord* a, const WaveRecord* b) {
    if (!a || !b || a->frameCount != b->frameCount || !a->rightSamples != !b->rightSamples)
        return false;
    size_t bytes = size_t(a->frameCount) * 4;
    return std::memcmp(a->leftSamples, b->leftSamples, bytes) == 0 &&
           (!a->rightSamples || std::memcmp(a->rightSamples, b->rightSamples, bytes) == 0);
}

void GiveLoop(WaveRecord* r, bool sustain) {
    SetLoop(*r, 1000, 3000, 0, 5);
    (sustain ? r->sustainLoopId : r->releaseLoopId) = 5;
}

void Activate(EditorWindow* editor) {
    gFrame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(editor->parentWidget()));
}

}  // namespace

void CrossfadeDialogTest::cleanup() {
    SetUserInterface(nullptr);
    StopRecorder();
    StopShell(gFrame);
    gFrame = nullptr;
    gEditing = EditingState{};
    ResetShellSettings();
    CurrentSettings<CrossfadeLoopOp>() = CrossfadeLoopParams{};
}

void CrossfadeDialogTest::okEqualsScriptFunctionAndRecordsNothing() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    QString sound = folder.File("stereo.wav");
    QVERIFY(WriteTestWav(sound, 2, 4000, "Sound"));
    EditorWindow* script = gFrame->OpenFile(sound);
    EditorWindow* dialog = gFrame->OpenFile(sound);
    QVERIFY(script && dialog);
    Activate(dialog);
    GiveLoop(script->Record(), false);
    GiveLoop(dialog->Record(), false);
    const std::vector<float> before(dialog->Record()->leftSamples,
                                    dialog->Record()->leftSamples + 4000);
    QString recorded = folder.File("crossfade.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    int32_t whileOpen = -1;
    bool startValues = false;
    DialogRun run = DriveDialog(
        gFrame, 40917,
        [&](QDialog* d) {
            whileOpen = obCrossfadeLoop(script->Number(), 2, 300, 1, 0, 1);
            startValues = Checked(d, "fadeArea0") && Checked(d, "fadeType0") &&
                          Checked(d, "loop1") && !Checked(d, "tailor");
            Click(d, "fadeArea2");
            Click(d, "fadeType1");
            Click(d, "loop0");
            Check(d, "tailor", true);
            Amount(d, 300);
        },
        true);
    StopRecorder();
    QVERIFY(run.seen);
    QCOMPARE(run.title, QString("Crossfade Loop"));
    QVERIFY(!run.stayedOpen);
    QCOMPARE(run.lateClosed, 0);
    QVERIFY(startValues);
    QCOMPARE(whileOpen, 0);  // the script function waits while the dialog is open
    QVERIFY(!SameSamples(script->Record(), dialog->Record()));
    QCOMPARE(obCrossfadeLoop(script->Number(), 2, 300, 1, 0, 1), 1);
    QVERIFY(SameSamples(script->Record(), dialog->Record()));
    QVERIFY(std::memcmp(before.data(), dialog->Record()->leftSamples, 4000 * 4) != 0);
    // Nothing recorded: the file holds the header and "End Sub" only.
    QFile file(recorded);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QCOMPARE(text, QString::fromStdString(RecorderHeader()) + "End Sub\n");
    // The choices come back at the next opening.
    const CrossfadeLoopParams& kept = CurrentSettings<CrossfadeLoopOp>();
    QCOMPARE(kept.area, int32_t(kCrossfadeBoth));
    QCOMPARE(kept.amount, 300);
    QVERIFY(kept.logarithmic && kept.tailor && !kept.sustain);
    // A new dialog starts from them.
    OperationDialog again(dialog, Operation(kOperationCrossfadeLoop),
                          *FindDialogDef(kOperationCrossfadeLoop));
    auto* amount = again.findChild<QSpinBox*>("amount");
    QVERIFY(Checked(&again, "fadeArea2") && Checked(&again, "fadeType1") &&
            Checked(&again, "loop0") && Checked(&again, "tailor"));
    QVERIFY(amount && amount->value() == 300);
}

void CrossfadeDialogTest::zeroAmountAndMissingLoop() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    QString sound = folder.File("mono.wav");
    QVERIFY(WriteTestWav(sound, 1, 4000, "Mono"));
    EditorWindow* editor = gFrame->OpenFile(sound);
    QVERIFY(editor);
    Activate(editor);
    const std::vector<float> before(editor->Record()->leftSamples,
                                    editor->Record()->leftSamples + 4000);
    // No sustain loop: refused with the message, samples kept.
    DialogRun run = DriveDialog(
        gFrame, 40917, [](QDialog*) {}, true);
    QVERIFY(run.seen);
    QCOMPARE(run.lateClosed, 0);
    QVERIFY(std::any_of(ui.boxes.begin(), ui.boxes.end(), [](const std::string& box) {
        return box.find("Can't crossfade this loop") != std::string::npos;
    }));
    QVERIFY(std::memcmp(before.data(), editor->Record()->leftSamples, 4000 * 4) == 0);
    // With the loop, an amount of 0 is kept as 1 and crossfades.
    GiveLoop(editor->Record(), true);
    // The start-up's empty editor may have become active when the dialog closed.
    Activate(editor);
    run = DriveDialog(
        gFrame, 40917, [](QDialog* d) { Amount(d, 0); }, true);
    QVERIFY(run.seen);
    QCOMPARE(CurrentSettings<CrossfadeLoopOp>().amount, 1);
    QVERIFY(std::memcmp(before.data(), editor->Record()->leftSamples, 4000 * 4) != 0);
}

}  // namespace shelltest
