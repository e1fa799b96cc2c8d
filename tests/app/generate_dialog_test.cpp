// File > Generate driven as a user drives it: OK gives the samples of
// obGenerate4 with the same values and records exactly that line; a
// frequency at half the rate is refused and the dialog stays open; an editor
// holding a wave asks first (No keeps the wave, Yes removes it); presets chosen
// from the list, saved and loaded give the same fields.
#include "app/generate_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "base/user_interface.h"
#include "dsp/generate_presets.h"
#include "dsp/preset_list.h"
#include "script/recorder.h"
#include "script/script_api.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {

MainFrame* gFrame = nullptr;

struct Seen {
    bool seen = false;
    QString title;
    bool stayedOpen = false;
    int lateClosed = 0;
};

// Runs File > Generate; when the dialog is up, `act` fills it, then OK (or
// Cancel). Nothing is checked in the timers: they record and always close.
Seen Drive(const std::function<void(QDialog*)>& act, bool ok) {
    Seen run;
    QPointer<QDialog> first;
    // Looks for the dialog every 30 ms: under load it may open late (events
    // processed on the way there can run a single-shot timer too early).
    QTimer look;
    look.setInterval(30);
    QObject::connect(&look, &QTimer::timeout, &look, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || run.seen) return;
        look.stop();
        first = dialog;
        run.seen = true;
        run.title = dialog->windowTitle();
        if (act) act(dialog);
        if (ok)
            QMetaObject::invokeMethod(dialog, "accept");
        else
            dialog->reject();
        if (first && first->isVisible()) {
            run.stayedOpen = true;
            first->reject();
        }
    });
    look.start();
    // Any other modal dialog is closed (and counted); one that is never
    // taken as the first is closed after about 4 s, so nothing hangs.
    int ticks = 0;
    QTimer late;
    late.setInterval(400);
    QObject::connect(&late, &QTimer::timeout, &late, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog != first && (run.seen || ++ticks > 10)) {
            ++run.lateClosed;
            dialog->reject();
        }
    });
    late.start();
    gFrame->RunCommand(40009);
    // When no dialog opened, give a late one the chance to be seen.
    QTest::qWait(60);
    look.stop();
    late.stop();
    return run;
}

void Text(QDialog* d, const char* name, const QString& text) {
    if (auto* e = d->findChild<QLineEdit*>(name)) e->setText(text);
}
void Shape(QDialog* d, int shape) {
    if (auto* c = d->findChild<QComboBox*>("shape")) c->setCurrentIndex(shape);
}
QString Field(GenerateDialog& d, const char* name) {
    auto* e = d.findChild<QLineEdit*>(name);
    return e ? e->text() : QString("<none>");
}

QString RecordedBody(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<no file>";
    QString text = QString::fromUtf8(file.readAll());
    QString header = QString::fromStdString(RecorderHeader());
    if (!text.startsWith(header) || !text.endsWith("End Sub\n")) return "<bad frame>" + text;
    return text.mid(header.size(), text.size() - header.size() - 8);
}

}  // namespace

void GenerateDialogTest::cleanup() {
    SetUserInterface(nullptr);
    StopRecorder();
    StopShell(gFrame);
    gFrame = nullptr;
    gEditing = EditingState{};
    ResetShellSettings();
    CurrentGenerateSettings() = GenerateBuiltIn(0);
}

void GenerateDialogTest::okEqualsObGenerate4AndRecordsItsLine() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* script = gFrame->NewEditor();
    EditorWindow* dialog = gFrame->NewEditor();
    QVERIFY(script && dialog);
    QCOMPARE(gFrame->ActiveEditor(), dialog);
    QString recorded = folder.File("generate.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    int32_t whileOpen = -1;
    Seen run = Drive(
        [&](QDialog* d) {
            // The script function refuses while the dialog is open.
            whileOpen = obGenerate(script->Number(), kGenSine, 8000, 100, 0.1, 50);
            Shape(d, kGenSquare);
            Text(d, "rate", "8000");
            Text(d, "frequency", "100");
            Text(d, "duration", "0.5");
            Text(d, "duty", "50");
            Text(d, "chord2", "150");
            Text(d, "chord3", "0");
            Text(d, "chord4", "");
        },
        true);
    StopRecorder();
    QVERIFY(run.seen);
    QCOMPARE(run.title, QString("Generate"));
    QVERIFY(!run.stayedOpen);
    QCOMPARE(run.lateClosed, 0);
    QCOMPARE(whileOpen, 0);
    QCOMPARE(obGenerate4(script->Number(), kGenSquare, 8000, 100, 0.5, 50, 150, 0, 0), 1);
    const WaveRecord* a = dialog->Record();
    const WaveRecord* b = script->Record();
    QCOMPARE(a->frameCount, 4000u);
    QCOMPARE(a->sampleRate, 8000u);
    QVERIFY(b->frameCount == a->frameCount &&
            std::memcmp(a->leftSamples, b->leftSamples, size_t(a->frameCount) * 4) == 0);
    QCOMPARE(RecordedBody(recorded),
             QString("obGenerate4 %1, OB_GEN_SQUARE, 8000, 100.0000, 0.500, 50, 150.0000, "
                     "0.0000, 0.0000\n")
                 .arg(dialog->Number()));
    // The settings are kept for the next opening.
    QCOMPARE(CurrentGenerateSettings().rate, 8000);
    QCOMPARE(CurrentGenerateSettings().chord[0], 150000);
}

void GenerateDialogTest::halfRateIsRefusedAndTheDialogStaysOpen() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* editor = gFrame->NewEditor();
    QVERIFY(editor);
    Seen run = Drive(
        [](QDialog* d) {
            Shape(d, kGenSine);
            Text(d, "rate", "8000");
            Text(d, "frequency", "4000");
        },
        true);
    QVERIFY(run.seen);
    QVERIFY(run.stayedOpen);
    QVERIFY(!WaveHasData(editor->Record()));
    QCOMPARE(ui.boxes.size(), size_t(1));
    QVERIFY(QString::fromStdString(ui.boxes[0])
                .endsWith("Frequency must be less than\none-half of the Sample Rate."));
    // A rate outside 100 .. 200000 names its range.
    ui.boxes.clear();
    run = Drive([](QDialog* d) { Text(d, "rate", "500000"); }, true);
    QVERIFY(run.stayedOpen);
    QCOMPARE(ui.boxes.size(), size_t(1));
    QVERIFY(
        QString::fromStdString(ui.boxes[0]).contains("Sample Rate must be between 100 and 200000"));
}

void GenerateDialogTest::aWaveHereIsDeletedOnlyOnYes() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* editor = gFrame->NewEditor();
    QVERIFY(editor);
    QCOMPARE(obGenerate(editor->Number(), kGenSine, 8000, 100, 0.1, 50), 1);
    ui.answer = kAnswerNo;
    Seen run = Drive(nullptr, false);
    QVERIFY(!run.seen);
    QCOMPARE(ui.questions.size(), size_t(1));
    QCOMPARE(ui.questions[0],
             std::string("A wave already exists here!\nDo you want to delete it?"));
    QCOMPARE(editor->Record()->frameCount, 800u);
    ui.answer = kAnswerYes;
    run = Drive(nullptr, false);  // the dialog opens; Cancel
    QVERIFY(run.seen);
    QCOMPARE(run.lateClosed, 0);
    QVERIFY(!WaveHasData(editor->Record()));
}

void GenerateDialogTest::presetsChooseSaveAndLoad() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* editor = gFrame->NewEditor();
    QVERIFY(editor);
    PresetList list;
    QCOMPARE(BuildPresetList(folder.path.toStdString(), "GEN2", kGenerateRecordSize,
                             GenerateBuiltInRecords(), kGenerateBuiltInCount, list),
             0);
    GenerateDialog dialog(editor, list);
    auto* box = dialog.findChild<QComboBox*>("preset");
    QVERIFY(box);
    QCOMPARE(box->count(), kGenerateBuiltInCount);
    QCOMPARE(box->currentText(), QString("1 kHz test tone for 10 seconds, CD rate"));
    dialog.ChoosePreset(20);
    QCOMPARE(Field(dialog, "frequency"), QString("261.626"));
    QCOMPARE(Field(dialog, "chord4"), QString("233.082"));
    QCOMPARE(box->currentText(), QString("A sharp, C, E, G sines for 1 second, CD rate"));
    QString path = folder.File("chord.obx");
    QVERIFY(dialog.SavePresetFile(path));
    dialog.ChoosePreset(3);
    QCOMPARE(Field(dialog, "chord4"), QString("0.000"));
    QVERIFY(dialog.LoadPresetFile(path));
    QCOMPARE(Field(dialog, "chord4"), QString("233.082"));
    QCOMPARE(Field(dialog, "rate"), QString("44100"));
    QCOMPARE(box->currentText(), QString("A sharp, C, E, G sines for 1 second, CD rate"));
    ui.boxes.clear();
    QVERIFY(!dialog.LoadPresetFile(folder.File("missing.obx")));
    QCOMPARE(ui.boxes.size(), size_t(1));
    QCOMPARE(ui.boxes[0], std::string("Sample Orbick 24/96: Error Reading Generate Preset File"));
    QCOMPARE(Field(dialog, "chord4"), QString("233.082"));
}

}  // namespace shelltest
