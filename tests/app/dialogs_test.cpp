// The processing dialogs driven as a user drives them: OK gives the samples
// of the script function with the same values and writes exactly its
// recorder line; Cancel changes nothing; a second opening reports the guard
// text; out-of-range values are refused; preset save and load round-trip; a
// closed editor cancels its dialog; a session recorded through the dialogs
// replays bit for bit in `orbick --batch`.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>
#include <vector>

#include "app/curve_editor.h"
#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/operation_dialog.h"
#include "app/shell_startup.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "dsp/operation_traits.h"
#include "dsp/preset_list.h"
#include "formats/sound_io.h"
#include "script/op_bindings.h"
#include "script/recorder.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
MainFrame* gFrame = nullptr;

using Act = std::function<void(QDialog*)>;

// What happened to the dialog a command opened.
struct DialogRun {
    bool seen = false;        // a modal dialog was there
    QString title;            // its caption
    bool stayedOpen = false;  // OK was refused (closed by the test afterwards)
    int lateClosed = 0;       // other modal dialogs the late closer had to reject
};

// Runs `command`; when its dialog is up, `act` sets its controls, then OK or
// Cancel. Nothing is checked inside the timer: it records and always closes.
DialogRun Drive(int command, const Act& act, bool ok) {
    DialogRun run;
    QPointer<QDialog> first;
    QTimer::singleShot(30, gFrame, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        first = dialog;
        run.seen = true;
        run.title = dialog->windowTitle();
        if (act) act(dialog);
        if (!first) return;  // closed by the act itself
        if (ok)
            QMetaObject::invokeMethod(dialog, "accept");
        else
            dialog->reject();
        if (first && first->isVisible()) {
            run.stayedOpen = true;
            first->reject();
        }
    });
    // Any other modal dialog (an unexpected question) is rejected and counted.
    QTimer late;
    late.setInterval(400);
    QObject::connect(&late, &QTimer::timeout, &late, [&run, &first] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog != first) {
            ++run.lateClosed;
            dialog->reject();
        }
    });
    late.start();
    gFrame->RunCommand(command);
    return run;
}

void Text(QDialog* d, const char* name, const QString& text) {
    if (auto* e = d->findChild<QLineEdit*>(name)) e->setText(text);
}
void Click(QDialog* d, const QString& name) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->setChecked(true);
}
void Slide(QDialog* d, int position) {
    if (auto* s = d->findChild<QSlider*>("level")) s->setValue(position);
}
void Source(QDialog* d, int number) {
    auto* list = d->findChild<QListWidget*>("sources");
    if (!list) return;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toInt() == number) list->setCurrentRow(i);
}

void Press(QDialog* d, const char* name) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->click();
}
// A drag with the mouse over a curve area: press at the first point, moves
// through the others, release at the last (widget pixels; the area starts one
// pixel in, inside its frame).
void Drag(QDialog* d, const char* name, const std::vector<QPoint>& points) {
    auto* area = d->findChild<QWidget*>(name);
    if (!area || points.empty()) return;
    const QPoint frame(1, 1);
    QTest::mousePress(area, Qt::LeftButton, Qt::NoModifier, points.front() + frame);
    for (size_t i = 1; i < points.size(); ++i) QTest::mouseMove(area, points[i] + frame);
    QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, points.back() + frame);
}

bool SameSound(const WaveRecord* a, const WaveRecord* b) {
    if (!a || !b || a->frameCount != b->frameCount || !a->rightSamples != !b->rightSamples)
        return false;
    size_t bytes = size_t(a->frameCount) * 4;
    return std::memcmp(a->leftSamples, b->leftSamples, bytes) == 0 &&
           (!a->rightSamples || std::memcmp(a->rightSamples, b->rightSamples, bytes) == 0);
}

// The recorder's file between its header and "End Sub".
QString RecordedBody(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<no file>";
    QString text = QString::fromUtf8(file.readAll());
    QString header = QString::fromStdString(RecorderHeader());
    if (!text.startsWith(header) || !text.endsWith("End Sub\n")) return "<bad frame>" + text;
    return text.mid(header.size(), text.size() - header.size() - 8);
}

// Three editors: 1 a mono source, 2 the script's target, 3 the dialog's
// target (active), 2 and 3 holding the same stereo (or mono) sound.
struct Editors {
    EditorWindow *source = nullptr, *script = nullptr, *dialog = nullptr;
};
void Activate(EditorWindow* editor) {
    gFrame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(editor->parentWidget()));
}
Editors OpenThree(const TempFolder& folder, int channels) {
    gFrame->CloseAllEditors();
    Editors e;
    QString mono = folder.File("source.wav");
    QString sound = folder.File(channels == 2 ? "stereo.wav" : "mono.wav");
    if (!QFileInfo::exists(mono)) WriteTestWav(mono, 1, 1500, "Source");
    if (!QFileInfo::exists(sound)) WriteTestWav(sound, channels, 4000, "Sound");
    e.source = gFrame->OpenFile(mono);
    e.script = gFrame->OpenFile(sound);
    e.dialog = gFrame->OpenFile(sound);
    if (e.dialog)
        gFrame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(e.dialog->parentWidget()));
    return e;
}
}  // namespace

void DialogsTest::cleanup() {
    // The test's user interface is gone once the test function returns.
    SetUserInterface(nullptr);
    StopRecorder();
    StopShell(gFrame);
    gFrame = nullptr;
    gEditing = EditingState{};
    ResetShellSettings();
    gProcessing = ProcessingSettings{};
    SetUserInterface(nullptr);
}

void DialogsTest::okEqualsScriptFunctionAndRecordsItsLine() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    struct Case {
        const char* name;
        int command;
        int channels;
        Act act;
        std::function<int32_t(int32_t editor, int32_t source)> script;
        const char* line;  // %1 the dialog's editor, %2 the source editor
    };
    const Case cases[] = {
        {"gain", 40913, 2, [](QDialog* d) { Slide(d, -35); },
         [](int32_t e, int32_t) { return obGain(e, 3.5); }, "obGain %1, 3.5\n"},
        {"normalize", 40915, 2, [](QDialog* d) { Slide(d, 62); },
         [](int32_t e, int32_t) { return obNormalize(e, -6.2); }, "obNormalize %1, -6.2\n"},
        {"dc offset empty", 40921, 2, [](QDialog* d) { Text(d, "offset", ""); },
         [](int32_t e, int32_t) { return obDCOffset(e, 0); }, "obDCOffset %1, 0\n"},
        {"replicate", 40924, 2,
         [](QDialog* d) {
             Text(d, "amount", "2.5");
             Click(d, "unit2");
         },
         [](int32_t e, int32_t) { return obReplicate(e, 2.5, kReplicateRepetitions); },
         "obReplicate %1, 2.500, OB_REPLICATE_REPS\n"},
        {"insert silence at a place", 40925, 2,
         [](QDialog* d) {
             Text(d, "amount", "12.5");
             Click(d, "unit1");
             Click(d, "place4");
         },
         [](int32_t e, int32_t) {
             return obInsertSilence(e, 12.5, kInsertMilliseconds, kInsertAffectEnd);
         },
         "obInsertSilence %1, 12.500000, OB_INSERT_MILLISECONDS, OB_INSERT_AFFECTEND\n"},
        {"insert silence at a position", 40925, 2,
         [](QDialog* d) {
             Text(d, "amount", "300");
             Click(d, "unit2");
             Click(d, "place0");
             Text(d, "position", "1234");
         },
         [](int32_t e, int32_t) { return obInsertSilenceAt(e, 300, kInsertSamplePoints, 1234); },
         "obInsertSilenceAt %1, 300.000000, OB_INSERT_SAMPLEPOINTS, 1234\n"},
        {"stereo to mono", 40904, 2, [](QDialog* d) { Click(d, "choice3"); },
         [](int32_t e, int32_t) { return obStereoMono(e, kStereoLeftPlusRight); },
         "obStereoMono %1, OB_SM_LPR\n"},
        {"mono to stereo", 40904, 1, [](QDialog* d) { Source(d, 1); },
         [](int32_t e, int32_t s) { return obMonoStereo(e, s); }, "obMonoStereo %1, %2\n"},
        {"combine", 40901, 2,
         [](QDialog* d) {
             Source(d, 1);
             Text(d, "offset", "700");
             Text(d, "mix", "30");
         },
         [](int32_t e, int32_t s) { return obCombine(e, s, 700, 30); },
         "obCombine %1, %2, 700, 30\n"},
        {"key map", 40919, 2,
         [](QDialog* d) {
             Text(d, "root", "62");
             Text(d, "low", "10");
             Text(d, "high", "100");
             Text(d, "fineTune", "-7");
         },
         [](int32_t e, int32_t) { return obKeyMap(e, 10, 62, 100); }, "obKeyMap %1, 10, 62, 100\n"},
        {"compressor", 40911, 2,
         [](QDialog* d) {
             Text(d, "threshold", "-30");
             Text(d, "ratio", "4");
             Text(d, "attack", "0.5");
             Text(d, "release", "0.25");
             Text(d, "detection", "10");
         },
         [](int32_t e, int32_t) { return obCompress(e, -30, 4, 0.5, 0.25, 10); },
         "obCompress %1, -30.0, 4.00, 0.50, 0.25, 10\n"},
        {"echo", 41106, 2,
         [](QDialog* d) {
             Text(d, "delay", "0.02");
             Text(d, "feedback", "30");
             Text(d, "loudness", "60");
         },
         [](int32_t e, int32_t) { return obEcho(e, 0.02, 30, 60); },
         "obEcho %1, 0.020000, 30.0, 60.0\n"},
        // The curve dialogs: OK keeps the drawn curve as the current record,
        // which the script function then applies.
        {"envelope", 40912, 2,
         [](QDialog* d) {
             Press(d, "zeroIt");
             Drag(d, "envelopeCurve", {{40, 10}, {120, 30}, {200, 50}});
             Press(d, "shiftDown");
             Click(d, "scale2");
         },
         [](int32_t e, int32_t) { return obEnvelopeGenerator(e); }, "obEnvelopeGenerator %1\n"},
        {"transfer", 41121, 2,
         [](QDialog* d) {
             Drag(d, "transferCurve", {{130, 100}, {200, 0}, {256, 0}});
             Click(d, "mirror");
         },
         [](int32_t e, int32_t) { return obTransferFunction(e); }, "obTransferFunction %1\n"},
    };
    for (const Case& c : cases) {
        Editors e = OpenThree(folder, c.channels);
        QVERIFY2(e.dialog && e.script && e.source, c.name);
        QCOMPARE(gFrame->ActiveEditor(), e.dialog);
        QString recorded = folder.File(QString("%1.bas").arg(c.name).replace(' ', '_'));
        QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
        ui.boxes.clear();
        DialogRun run = Drive(c.command, c.act, true);
        StopRecorder();
        QVERIFY2(run.seen, c.name);
        QVERIFY2(!run.stayedOpen,
                 qPrintable(QString("%1 refused: %2")
                                .arg(c.name, ui.boxes.empty()
                                                 ? QString()
                                                 : QString::fromStdString(ui.boxes.back()))));
        QCOMPARE(run.lateClosed, 0);
        QCOMPARE(c.script(e.script->Number(), e.source->Number()), 1);
        QVERIFY2(SameSound(e.dialog->Record(), e.script->Record()), c.name);
        QCOMPARE(e.dialog->Record()->keyLow, e.script->Record()->keyLow);
        QCOMPARE(e.dialog->Record()->keyRoot, e.script->Record()->keyRoot);
        QCOMPARE(e.dialog->Record()->keyHigh, e.script->Record()->keyHigh);
        QString line = QString(c.line)
                           .replace("%1", QString::number(e.dialog->Number()))
                           .replace("%2", QString::number(e.source->Number()));
        QCOMPARE(RecordedBody(recorded), line);
        if (c.command == 40919) QCOMPARE(int(e.dialog->Record()->fineTune), -7);
    }
    // The drawn curves: points 10 .. 50 on the line from code 10 to 50, one
    // step down; the rest at unity one step down.
    const EnvelopeParams& env = CurrentSettings<EnvelopeGeneratorOp>();
    QCOMPARE(int(env.scale), 2);
    for (int i = 0; i < 100; ++i) QCOMPARE(int(env.curve[i]), i >= 10 && i <= 50 ? i + 1 : 61);
    const TransferParams& tf = CurrentSettings<TransferFunctionOp>();
    QCOMPARE(int(tf.mirror), 1);
    QCOMPARE(int(tf.curve[65]), 64 - 100 / 2);  // the press at y 100 on point 65
    QCOMPARE(int(tf.curve[100]), 64);
    QCOMPARE(int(tf.curve[128]), 64);
    QCOMPARE(int(tf.curve[64]), 0);  // left of the drag: "Linear" as before
    // The settings are kept for the next use; the script function left them.
    QCOMPARE(CurrentSettings<GainOp>().dB, 3.5);
    QCOMPARE(CurrentSettings<ReplicateOp>().amount, 2.5);
}

void DialogsTest::cancelChangesNothing() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    CurrentSettings<GainOp>().dB = 1.5;
    const GainParams gain = CurrentSettings<GainOp>();
    const InsertSilenceParams silence = CurrentSettings<InsertSilenceOp>();
    const struct {
        int command;
        Act act;
    } cases[] = {
        {40913, [](QDialog* d) { Slide(d, -100); }},
        {40915, [](QDialog* d) { Slide(d, 10); }},
        {40921, [](QDialog* d) { Text(d, "offset", "20"); }},
        {40924, [](QDialog* d) { Text(d, "amount", "3"); }},
        {40925, [](QDialog* d) { Text(d, "amount", "1"); }},
        {40904, [](QDialog* d) { Click(d, "choice5"); }},
        {40901, [](QDialog* d) { Source(d, 1); }},
        {40919, [](QDialog* d) { Text(d, "root", "1"); }},
        {40911, [](QDialog* d) { Text(d, "threshold", "-50"); }},
        {41108, [](QDialog* d) { Text(d, "decay", "5"); }},
        {40016, [](QDialog* d) { Text(d, "name", "Changed"); }},
        {40912,
         [](QDialog* d) {
             Drag(d, "envelopeCurve", {{0, 0}, {399, 120}});
         }},
        {41121,
         [](QDialog* d) {
             Drag(d, "transferCurve", {{0, 0}, {255, 255}});
         }},
    };
    const EnvelopeParams envelope = CurrentSettings<EnvelopeGeneratorOp>();
    const TransferParams transfer = CurrentSettings<TransferFunctionOp>();
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    const std::string name = e.dialog->Record()->name;
    const uint8_t root = e.dialog->Record()->keyRoot;
    QString recorded = folder.File("cancel.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    for (const auto& c : cases) {
        Activate(e.dialog);
        DialogRun run = Drive(c.command, c.act, false);
        QVERIFY2(run.seen, qPrintable(QString::number(c.command)));
        QCOMPARE(run.lateClosed, 0);
        QVERIFY2(SameSound(e.dialog->Record(), e.script->Record()),
                 qPrintable(QString::number(c.command)));
    }
    StopRecorder();
    QCOMPARE(RecordedBody(recorded), QString());
    QCOMPARE(e.dialog->Record()->name, name);
    QCOMPARE(e.dialog->Record()->keyRoot, root);
    QCOMPARE(BackupCount(*e.dialog->Record()), 0u);
    QCOMPARE(CurrentSettings<GainOp>().dB, gain.dB);
    QCOMPARE(CurrentSettings<InsertSilenceOp>().amount, silence.amount);
    QVERIFY(std::memcmp(&CurrentSettings<EnvelopeGeneratorOp>(), &envelope, sizeof envelope) == 0);
    QVERIFY(std::memcmp(&CurrentSettings<TransferFunctionOp>(), &transfer, sizeof transfer) == 0);
    QVERIFY(ui.boxes.empty());
}

void DialogsTest::secondOpenReportsGuardText() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    QCOMPARE(gFrame->ActiveEditor(), e.dialog);
    const std::string title = TitleOf(*e.dialog->Record());
    const struct {
        int command;
        const char* guard;
    } cases[] = {
        {40913, "Gain area already in use."},
        {40915, "Normalize area already in use."},
        {40921, "DC Offset area already in use"},
        {40924, "Replicate already open"},
        {40925, "Insert Silence already open"},
        {40904, "Stereo/Mono area already in use"},
        {40901, "Combine Samples area already in use"},
        {40919, "Keymap area already in use"},
        {40016, "Name area already in use"},
        {40911, "Compressor already in use"},
        {40916, "Noise Gate already in use"},
        {41106, "Echo already in use"},
        {41105, "Flange already in use"},
        {41104, "Chorus already in use"},
        {41108, "Reverb already in use"},
    };
    for (const auto& c : cases) {
        ui.boxes.clear();
        Activate(e.dialog);
        int command = c.command;
        DialogRun run = Drive(
            command, [command](QDialog*) { gFrame->RunCommand(command); }, false);
        QVERIFY2(run.seen, c.guard);
        QCOMPARE(run.lateClosed, 0);
        QCOMPARE(ui.boxes.size(), size_t(1));
        QVERIFY2(QString::fromStdString(ui.boxes[0]).endsWith(QString(": ") + c.guard),
                 ui.boxes[0].c_str());
    }
    // The reports hold their guard as long as their box is up: a box shown
    // through the user interface returns at once here, so the flag is free again.
    ui.boxes.clear();
    Activate(e.dialog);
    gFrame->RunCommand(40906);  // Statistics
    gFrame->RunCommand(40015);  // Wave information
    QCOMPARE(ui.boxes.size(), size_t(2));
    QVERIFY(QString::fromStdString(ui.boxes[0]).contains("Edit Size: 4000 pts"));
    QVERIFY(QString::fromStdString(ui.boxes[1]).contains("Wave Size: 4000 pts"));
    SetDialogInUse(kDialogStatistics, true);
    SetDialogInUse(kDialogInfo, true);
    ui.boxes.clear();
    gFrame->RunCommand(40906);
    gFrame->RunCommand(40015);
    SetDialogInUse(kDialogStatistics, false);
    SetDialogInUse(kDialogInfo, false);
    QCOMPARE(ui.boxes.size(), size_t(2));
    QCOMPARE(QString::fromStdString(ui.boxes[0]),
             QString::fromStdString(title + ": Statistics area already in use"));
    QCOMPARE(QString::fromStdString(ui.boxes[1]),
             QString::fromStdString(title + ": Info area already in use"));
}

void DialogsTest::outOfRangeValuesAreRefusedWithTheirRange() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    QCOMPARE(gFrame->ActiveEditor(), e.dialog);
    const std::string title = TitleOf(*e.dialog->Record());
    const struct {
        int command;
        Act act;
        const char* message;
    } cases[] = {
        {40921, [](QDialog* d) { Text(d, "offset", "150"); },
         "DC Offset must be between -100 and 100"},
        {40921, [](QDialog* d) { Text(d, "offset", "abc"); },
         "DC Offset must be between -100 and 100"},
        {40924, [](QDialog* d) { Text(d, "amount", "0"); }, "Replication must be greater than 0"},
        {40925, [](QDialog* d) { Text(d, "amount", "-1"); },
         "Silence area must be greater than 0 length"},
        {40925,
         [](QDialog* d) {
             Text(d, "amount", "1");
             Click(d, "place0");
             Text(d, "position", "4001");
         },
         "Position must be between 0 and 4000"},
        {40901,
         [](QDialog* d) {
             Source(d, 1);
             Text(d, "mix", "101");
         },
         "Mix must be between 0 and 100"},
        {40919, [](QDialog* d) { Text(d, "root", "128"); },
         "Root Key must be a whole number between 0 and 127"},
        {40919, [](QDialog* d) { Text(d, "fineTune", "51"); },
         "Fine Tune must be a whole number between -50 and 50"},
        {40911, [](QDialog* d) { Text(d, "ratio", "0"); }, "Ratio must be between 0.2 and 10"},
        {41106, [](QDialog* d) { Text(d, "delay", "0"); },
         "Delay Time (Sec) must be between 0.01 and 10"},
    };
    QString recorded = folder.File("refused.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    for (const auto& c : cases) {
        ui.boxes.clear();
        Activate(e.dialog);
        DialogRun run = Drive(c.command, c.act, true);
        QVERIFY2(run.stayedOpen, c.message);
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(QString::fromStdString(ui.boxes[0]),
                 QString::fromStdString(title + ": " + c.message));
        QVERIFY2(SameSound(e.dialog->Record(), e.script->Record()), c.message);
    }
    StopRecorder();
    QCOMPARE(RecordedBody(recorded), QString());
    // Mono to Stereo without a chosen wave stays open with its message.
    Editors m = OpenThree(folder, 1);
    ui.boxes.clear();
    DialogRun run = Drive(
        40904,
        [](QDialog* d) {
            if (auto* list = d->findChild<QListWidget*>("sources")) {
                list->setCurrentRow(-1);
                list->clearSelection();
            }
        },
        true);
    QVERIFY(run.stayedOpen);
    QCOMPARE(run.title, QString("Mono to Stereo"));
    QCOMPARE(ui.boxes.size(), size_t(1));
    QVERIFY(QString::fromStdString(ui.boxes[0]).endsWith(": No wave for second channel"));
    QVERIFY(!m.dialog->Record()->rightSamples);
}

void DialogsTest::presetSaveThenLoadGivesSameParameters() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    gPresetsFolder = folder.path.toStdString();
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    const QString preset = folder.File("mine.obx");
    // Save: values typed into the fields, the name typed into the box.
    CompressorParams loaded{};
    QString savedName;
    int builtIns = -1, listed = -1;
    bool saved = false, loadedOk = false, badRefused = true;
    Drive(
        40911,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            builtIns = dialog->PresetBox()->count();
            Text(d, "threshold", "-33");
            Text(d, "ratio", "3.25");
            Text(d, "attack", "2.5");
            Text(d, "release", "0.75");
            Text(d, "detection", "12");
            dialog->PresetBox()->setEditText("My squeeze");
            saved = dialog->SavePresetFile(preset);
        },
        false);
    QVERIFY(saved);
    QCOMPARE(builtIns, 7);
    // Load into a dialog showing other values: the fields get the saved ones;
    // the preset file now also appears in the box, before the built-ins.
    Drive(
        40911,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            listed = dialog->PresetBox()->count();
            savedName = dialog->PresetBox()->itemText(0);
            dialog->ChoosePreset(1);  // a built-in first
            loadedOk = dialog->LoadPresetFile(preset);
            badRefused = !dialog->LoadPresetFile(folder.File("missing.obx"));
            loaded = *static_cast<CompressorParams*>(dialog->Params());
            auto field = [d](const char* n) { return d->findChild<QLineEdit*>(n)->text(); };
            if (field("threshold") != "-33.0" || field("ratio") != "3.25" ||
                field("attack") != "2.50" || field("release") != "0.75" ||
                field("detection") != "12")
                loadedOk = false;
        },
        false);
    QVERIFY(loadedOk);
    QVERIFY(badRefused);
    QCOMPARE(listed, 8);
    QCOMPARE(savedName, QString("My squeeze"));
    QCOMPARE(loaded.threshold, -33.0);
    QCOMPARE(loaded.ratio, 3.25);
    QCOMPARE(loaded.attackMs, 2.5);
    QCOMPARE(loaded.releaseS, 0.75);
    QCOMPARE(loaded.detectionMs, 12);
    QCOMPARE(ui.boxes.size(), size_t(1));
    QCOMPARE(QString::fromStdString(ui.boxes[0]),
             QString("Sample Orbick 24/96: Error Reading Compressor Preset File"));
    gPresetsFolder.clear();
}

void DialogsTest::closingTheEditorCancelsItsDialog() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    QPointer<EditorWindow> target = e.dialog;
    QString recorded = folder.File("closed.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    bool closedInside = false;
    DialogRun run = Drive(
        40913,
        [&](QDialog* d) {
            Slide(d, -60);
            target->parentWidget()->close();
            // The editor goes on the next turn of the event loop; its dialog with it.
            QTest::qWait(100);
            closedInside = !d->isVisible();
        },
        true);
    StopRecorder();
    QVERIFY(run.seen);
    QVERIFY(closedInside);
    QVERIFY(!target);
    QCOMPARE(RecordedBody(recorded), QString());
    QVERIFY(!DialogInUse(kDialogGain));
}

void DialogsTest::sessionReplaysBitForBitInBatch() {
    TempFolder folder;
    QString in = folder.File("in.wav");
    QVERIFY(WriteTestWav(in, 2, 3000, "In"));
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    gFrame->CloseAllEditors();
    QString recorded = folder.File("session.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    gFrame->RunCommand(40203);  // WAV 32 Bit
    EditorWindow* editor = gFrame->OpenFile(in);
    QVERIFY(editor);
    // Five commands through their dialogs (and one from the menu).
    QVERIFY(!Drive(
                 40913, [](QDialog* d) { Slide(d, 25); }, true)
                 .stayedOpen);
    QVERIFY(!Drive(
                 40921, [](QDialog* d) { Text(d, "offset", ""); }, true)
                 .stayedOpen);
    QVERIFY(!Drive(
                 40924,
                 [](QDialog* d) {
                     Text(d, "amount", "1.5");
                     Click(d, "unit2");
                 },
                 true)
                 .stayedOpen);
    QVERIFY(!Drive(
                 40925,
                 [](QDialog* d) {
                     Text(d, "amount", "5");
                     Click(d, "unit1");
                     Click(d, "place0");
                     Text(d, "position", "777");
                 },
                 true)
                 .stayedOpen);
    QVERIFY(!Drive(
                 41108, [](QDialog* d) { Text(d, "decay", "0.5"); }, true)
                 .stayedOpen);
    gFrame->RunCommand(41112);  // Invert, no dialog
    StopRecorder();
    // The shell's result, written by the same writer the replay uses.
    QString out = folder.File("shell.wav");
    WaveRecord* edited = editor->Record();
    edited->filePath = out.toStdString();
    QCOMPARE(SaveSound(*edited, kFormatWav32, 15), 0);
    QString body = RecordedBody(recorded);
    QVERIFY2(body.contains("obGain 1, -2.5\n") && body.contains("obInsertSilenceAt 1, 5.000000") &&
                 body.contains("obReverb 1, 0.50") && body.contains("obInvert 1\n"),
             qPrintable(body));
    // The replay is the recorded file with a save of its result before "End Sub".
    QFile file(recorded);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString macro = QString::fromUtf8(file.readAll());
    file.close();
    macro.replace("End Sub\n",
                  QString("    obSaveAsWave 1, \"%1\"\nEnd Sub\n").arg(folder.File("batch.wav")));
    QString replay = folder.File("replay.bas");
    QFile replayFile(replay);
    QVERIFY(replayFile.open(QIODevice::WriteOnly));
    replayFile.write(macro.toUtf8());
    replayFile.close();
    QProcess batch;
    batch.setWorkingDirectory(folder.path);
    batch.start(QString(ORBICK_BINARY_DIR) + "/bin/orbick",
                {"--batch", "--config-dir", folder.File("batch-config"), replay});
    QVERIFY(batch.waitForFinished(60000));
    QVERIFY2(batch.exitCode() == 0, batch.readAllStandardError().constData());
    // Both files read back by our reader hold the same samples, bit for bit,
    // and the shell's file holds what the editor shows.
    WaveRecord a, b;
    a.filePath = out.toStdString();
    b.filePath = folder.File("batch.wav").toStdString();
    QCOMPARE(OpenSound(a, false, nullptr), 0);
    QCOMPARE(OpenSound(b, false, nullptr), 0);
    QCOMPARE(a.sourceFormat, int(kFormatWav32));
    QVERIFY(SameSound(&a, &b));
    QVERIFY(SameSound(&a, editor->Record()));
    QVERIFY(a.frameCount > 3000);
    DiscardWave(a);
    DiscardWave(b);
}

}  // namespace shelltest

namespace shelltest {

// The curve dialogs' presets: a drawn curve saved, then loaded in a second
// dialog (the curve comes back; a successful Load records the preset line
// before the operation's line); Trace in the dialog reads the editor's sound.
void DialogsTest::curveDialogsLoadRecordsThePresetLine() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    gPresetsFolder = folder.path.toStdString();
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    const QString envPreset = folder.File("curve.obx");
    const QString tfPreset = folder.File("shape.obx");
    bool saved = false, loaded = false, traced = false;
    int envBuiltIns = -1, tfBuiltIns = -1;
    QString firstEnvelope, firstTransfer;
    EnvelopeParams drawn{};
    Drive(
        40912,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            envBuiltIns = dialog->PresetBox()->count();
            firstEnvelope = dialog->PresetBox()->itemText(0);
            Press(d, "zeroIt");
            Drag(d, "envelopeCurve", {{0, 120}, {396, 0}});
            dialog->PresetBox()->setEditText("Ramp up");
            saved = dialog->SavePresetFile(envPreset);
            Press(d, "trace");
            // Trace of the editor's sound: codes 60 .. 90, the 1/2 dB scale.
            auto* curve = d->findChild<CurveEditor*>("envelopeCurve");
            auto* half = d->findChild<QAbstractButton*>("scale1");
            traced = curve && half && half->isChecked();
            if (curve)
                for (int v : curve->Values()) traced = traced && v >= 60 && v <= 90;
        },
        false);
    QVERIFY(saved);
    QVERIFY(traced);
    QCOMPARE(envBuiltIns, 14);
    QCOMPARE(firstEnvelope, QString("Fade In (Slow, 30 dB)"));
    Drive(
        41121,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            tfBuiltIns = dialog->PresetBox()->count();
            firstTransfer = dialog->PresetBox()->itemText(0);
            dialog->ChoosePreset(1);  // "Inversion"
            Click(d, "mirror");
            dialog->PresetBox()->setEditText("Inverted");
            saved = dialog->SavePresetFile(tfPreset);
        },
        false);
    QVERIFY(saved);
    QCOMPARE(tfBuiltIns, 15);
    QCOMPARE(firstTransfer, QString("Absolute Value (full wave rectify)"));

    QString recorded = folder.File("curves.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    Activate(e.dialog);
    Drive(
        40912,
        [&](QDialog* d) {
            loaded = static_cast<OperationDialog*>(d)->LoadPresetFile(envPreset);
            drawn = *static_cast<EnvelopeParams*>(static_cast<OperationDialog*>(d)->Params());
        },
        true);
    QVERIFY(loaded);
    Activate(e.dialog);
    Drive(
        41121,
        [&](QDialog* d) { loaded = static_cast<OperationDialog*>(d)->LoadPresetFile(tfPreset); },
        true);
    QVERIFY(loaded);
    StopRecorder();
    // The ramp drawn from the bottom left to the top right: 120 down to 0.
    QCOMPARE(int(drawn.curve[0]), 120);
    QCOMPARE(int(drawn.curve[99]), 0);
    QCOMPARE(int(drawn.curve[50]), 120 - 50 * (120 / 99));
    const TransferParams& tf = CurrentSettings<TransferFunctionOp>();
    QCOMPARE(int(tf.mirror), 1);
    QCOMPARE(int(tf.curve[128]), -64);
    const QString n = QString::number(e.dialog->Number());
    QCOMPARE(RecordedBody(recorded),
             QString("obLoadEnvGenPreset \"%1\"\nobEnvelopeGenerator %2\n"
                     "obLoadTransFuncPreset \"%3\"\nobTransferFunction %2\n")
                 .arg(envPreset, n, tfPreset));
    QVERIFY(CanUndo(*e.dialog->Record()));
}

}  // namespace shelltest
