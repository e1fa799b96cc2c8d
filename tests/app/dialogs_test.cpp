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
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProcess>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "analysis/spectrum.h"
#include "app/curve_editor.h"
#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/operation_dialog.h"
#include "app/shell_startup.h"
#include "app/spectrum_window.h"
#include "audio/audio_device.h"
#include "audio/curve_preview.h"
#include "audio/eq_preview.h"
#include "audio/player.h"
#include "base/progress.h"
#include "base/user_interface.h"
#include "dsp/frame.h"
#include "dsp/operation_traits.h"
#include "dsp/preset_file.h"
#include "dsp/preset_list.h"
#include "formats/sound_io.h"
#include "script/op_bindings.h"
#include "script/recorder.h"
#include "script/settings_store.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/memory.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
MainFrame* gFrame = nullptr;

using Act = std::function<void(QDialog*)>;
DialogRun Drive(int command, const Act& act, bool ok) {
    return DriveDialog(gFrame, command, act, ok);
}

void Text(QDialog* d, const char* name, const QString& text) {
    if (auto* e = d->findChild<QLineEdit*>(name)) e->setText(text);
}
void Click(QDialog* d, const QString& name) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->setChecked(true);
}
void Slide(QDialog* d, int position, const char* name = "level") {
    if (auto* s = d->findChild<QSlider*>(name)) s->setValue(position);
}
void Check(QDialog* d, const char* name, bool on) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->setChecked(on);
}
void Spin(QDialog* d, int value) {
    if (auto* s = d->findChild<QSpinBox*>("value")) s->setValue(value);
}
QString Label(QDialog* d, const char* name) {
    auto* label = d->findChild<QLabel*>(name);
    return label ? label->text() : QString("<no %1>").arg(name);
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
        {"bass", 40907, 2,
         [](QDialog* d) {
             Check(d, "useBass", true);
             Check(d, "useTreble", false);
             Slide(d, 65, "bassGain");
             Text(d, "bassHz", "150");
         },
         [](int32_t e, int32_t) { return obEQBass(e, 150, 6.5); }, "obEQBass %1, 150, 6.5\n"},
        {"treble below 5 Hz", 40907, 1,
         [](QDialog* d) {
             Check(d, "useBass", false);
             Check(d, "useTreble", true);
             Slide(d, -35, "trebleGain");
             Text(d, "trebleHz", "2");
         },
         [](int32_t e, int32_t) { return obEQTreble(e, 5, -3.5); }, "obEQTreble %1, 5, -3.5\n"},
        {"low pass", 40908, 2,
         [](QDialog* d) {
             Check(d, "useHighPass", false);
             Check(d, "useLowPass", true);
             Click(d, "lowOrder1");
             Text(d, "lowHz", "3000");
         },
         [](int32_t e, int32_t) { return obEQLowPass(e, 3000, 1); }, "obEQLowPass %1, 3000, 1\n"},
        {"high pass order 5", 40908, 2,
         [](QDialog* d) {
             Check(d, "useHighPass", true);
             Check(d, "useLowPass", false);
             Click(d, "highOrder5");
             Text(d, "highHz", "120");
         },
         [](int32_t e, int32_t) { return obEQHighPass(e, 120, 5); }, "obEQHighPass %1, 120, 5\n"},
        {"grafreq", 40909, 2,
         [](QDialog* d) {
             const char* hz[5] = {"60", "200", "1000", "4000", "12000"};
             const int gain[5] = {30, -25, 0, 15, 40};
             for (int b = 0; b < 5; ++b) {
                 Text(d, qPrintable(QString("hz%1").arg(QChar('A' + b))), hz[b]);
                 Slide(d, gain[b], qPrintable(QString("gain%1").arg(QChar('A' + b))));
             }
         },
         [](int32_t e, int32_t) {
             return obEQGraFreq(e, 60, 3.0, 200, -2.5, 1000, 0.0, 4000, 1.5, 12000, 4.0);
         },
         "obEQGraFreq %1, 60, 3.0, 200, -2.5, 1000, 0.0, 4000, 1.5, 12000, 4.0\n"},
        {"parametric", 40910, 2,
         [](QDialog* d) {
             Check(d, "useA", true);
             Check(d, "useB", false);
             Slide(d, -60, "gainA");
             Text(d, "hzA", "500");
             Slide(d, 150, "widthA");
         },
         [](int32_t e, int32_t) { return obEQParametric(e, 500, -6.0, 1.5); },
         "obEQParametric %1, 500, -6.0, 1.50\n"},
        {"vari-time", 41122, 2,
         [](QDialog* d) {
             Click(d, "kind1");
             Text(d, "startHz", "200");
             Text(d, "endHz", "2000");
         },
         [](int32_t e, int32_t) { return obEQVT(e, 1, 200, 2000); }, "obEQVT %1, 1, 200, 2000\n"},
        {"time stretch", 41120, 2,
         [](QDialog* d) {
             Slide(d, 1105, "stretch");
             Check(d, "extendedBass", false);
             Check(d, "stereoLock", true);
         },
         [](int32_t e, int32_t) { return obTimeStretch(e, 110.5, 0, 1); },
         "obTimeStretch %1, 110.5, 0, 1\n"},
        {"time stretch mono shorter", 41120, 1, [](QDialog* d) { Slide(d, 812, "stretch"); },
         [](int32_t e, int32_t) { return obTimeStretch(e, 81.2, 0, 1); },
         "obTimeStretch %1, 81.2, 0, 1\n"},
        {"pitch shift", 41117, 2,
         [](QDialog* d) {
             Slide(d, -250, "shift");
             Check(d, "extendedBass", false);
             Check(d, "stereoLock", false);
         },
         [](int32_t e, int32_t) { return obPitchShift(e, -250, 0, 0); },
         "obPitchShift %1, -250.0, 0, 0\n"},
        {"transpose resample", 40905, 2,
         [](QDialog* d) {
             Spin(d, 48000);
             Click(d, "method1");
             Click(d, "units0");
             Check(d, "adjust", true);
             Check(d, "preFilter", false);
         },
         [](int32_t e, int32_t) { return obSampleRateTranspose(e, 48000, 2, 0, 1); },
         "obSampleRateTranspose %1, 48000, OB_SRT_RESAMPLE, 0, 1\n"},
        {"transpose period down", 40905, 2,
         [](QDialog* d) {
             Click(d, "method0");
             Click(d, "units1");
             Spin(d, 31250);
             Check(d, "adjust", false);
             Check(d, "preFilter", true);
         },
         [](int32_t e, int32_t) { return obSampleRateTranspose(e, 32000, 1, 1, 0); },
         "obSampleRateTranspose %1, 32000, OB_SRT_LINEAR, 1, 0\n"},
        {"transpose rate only", 40905, 1,
         [](QDialog* d) {
             Click(d, "method2");
             Click(d, "units0");
             Spin(d, 22050);
         },
         [](int32_t e, int32_t) { return obSampleRateTranspose(e, 22050, 3, 1, 0); },
         "obSampleRateTranspose %1, 22050, OB_SRT_RATE, 1, 0\n"},
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
        QCOMPARE(e.dialog->Record()->sampleRate, e.script->Record()->sampleRate);
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
    QCOMPARE(CurrentSettings<ParametricOp>().a.octaves, 1.5);
    QCOMPARE(CurrentSettings<VariTimeOp>().kind, int32_t(kVariTimeHighPass));
    // obVTFilter takes the kind the dialog kept.
    Editors e = OpenThree(folder, 1);
    QVERIFY(e.script && e.dialog);
    QCOMPARE(obVTFilter(e.script->Number(), 200, 2000), 1);
    QCOMPARE(obEQVT(e.dialog->Number(), 1, 200, 2000), 1);
    QVERIFY(SameSound(e.dialog->Record(), e.script->Record()));
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
    const FiltersParams filters = CurrentSettings<FiltersOp>();
    const SpectrumSettings spectrum = CurrentSpectrumSettings();
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
        {40907, [](QDialog* d) { Slide(d, 120, "bassGain"); }},
        {40908, [](QDialog* d) { Text(d, "lowHz", "900"); }},
        {40909, [](QDialog* d) { Slide(d, -100, "gainC"); }},
        {40910, [](QDialog* d) { Slide(d, 200, "widthB"); }},
        {41122, [](QDialog* d) { Text(d, "endHz", "100"); }},
        {40903, [](QDialog* d) { Click(d, "highResolution"); }},
        {40016, [](QDialog* d) { Text(d, "name", "Changed"); }},
        {40905, [](QDialog* d) { Spin(d, 8000); }},
        {41120, [](QDialog* d) { Slide(d, 800, "stretch"); }},
        {41117, [](QDialog* d) { Slide(d, 300, "shift"); }},
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
    QCOMPARE(e.dialog->Record()->sampleRate, 44100u);
    QCOMPARE(BackupCount(*e.dialog->Record()), 0u);
    QCOMPARE(CurrentSettings<GainOp>().dB, gain.dB);
    QCOMPARE(CurrentSettings<InsertSilenceOp>().amount, silence.amount);
    QVERIFY(std::memcmp(&CurrentSettings<EnvelopeGeneratorOp>(), &envelope, sizeof envelope) == 0);
    QVERIFY(std::memcmp(&CurrentSettings<TransferFunctionOp>(), &transfer, sizeof transfer) == 0);
    QCOMPARE(CurrentSettings<FiltersOp>().lowHz, filters.lowHz);
    QCOMPARE(CurrentSpectrumSettings().options, spectrum.options);
    QVERIFY(!SpectrumWindow::Current());
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
        {40907, "EQ: Bass & Treble area already in use"},
        {40908, "EQ: Filters area already in use"},
        {40909, "EQ: GraFreq area already in use"},
        {40910, "EQ: Parametric area already in use"},
        {41122, "EQ: Vari-Time Filters area already in use"},
        {40903, "FFT area already in use"},
        {40905, "Sample Rate Transpose already in use"},
        {41120, "Time Stretch area already in use."},
        {41117, "Pitch Shift area already in use."},
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
        {40907,
         [](QDialog* d) {
             Check(d, "useBass", false);
             Check(d, "useTreble", false);
         },
         "Neither Bass nor Treble is selected"},
        {40907, [](QDialog* d) { Text(d, "bassHz", "40000"); },
         "Bass Frequency must be between 5 and 32767"},
        {40908,
         [](QDialog* d) {
             Check(d, "useHighPass", false);
             Check(d, "useLowPass", false);
         },
         "Neither High Pass\nnor Low Pass\nis selected"},
        {40909, [](QDialog* d) { Text(d, "hzD", "4k"); },
         "Band D Frequency must be between 5 and 32767"},
        {40910,
         [](QDialog* d) {
             Check(d, "useA", false);
             Check(d, "useB", false);
         },
         "Neither Band A nor B is selected"},
        {41122, [](QDialog* d) { Text(d, "endHz", "abc"); },
         "End Frequency must be between 5 and 32767"},
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

void DialogsTest::eqPresetsAndPreview() {
    TempFolder folder;
    const QString played = folder.File("played.wav");
    setenv("ORBICK_AUDIO", ("file:" + played).toStdString().c_str(), 1);
    SetAudioBackend(nullptr);  // chosen again from the environment
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    gPresetsFolder = folder.path.toStdString();
    gFrame->CloseAllEditors();
    const QString sound = folder.File("long.wav");
    QVERIFY(WriteTestWav(sound, 2, 88200, "Long"));
    EditorWindow* editor = gFrame->OpenFile(sound);
    QVERIFY(editor);
    WaveRecord* record = editor->Record();
    std::vector<float> before(record->leftSamples, record->leftSamples + record->frameCount);
    // The right channel, at half the level, stays clear of the device's clipping.
    std::vector<float> right(record->rightSamples, record->rightSamples + 1000);

    // Parametric: saved values come back; a built-in fills the controls.
    const QString preset = folder.File("notch.obx");
    bool saved = false, loaded = false, builtIn = false;
    ParametricParams back{};
    Drive(
        40910,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            Check(d, "useA", true);
            Check(d, "useB", true);
            Slide(d, -123, "gainA");
            Text(d, "hzA", "345");
            Slide(d, 37, "widthA");
            Slide(d, 88, "gainB");
            Text(d, "hzB", "6789");
            Slide(d, 250, "widthB");
            dialog->PresetBox()->setEditText("Two bands");
            saved = dialog->SavePresetFile(preset);
        },
        false);
    Drive(
        40910,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            int makeItRotund = dialog->PresetBox()->findText("Make it rotund");
            dialog->ChoosePreset(makeItRotund);
            auto* width = d->findChild<QLabel*>("widthAReadout");
            auto* useB = d->findChild<QAbstractButton*>("useB");
            builtIn = width && width->text() == "Octaves: 2.20" && useB && !useB->isChecked() &&
                      d->findChild<QLineEdit*>("hzA")->text() == "110";
            loaded = dialog->LoadPresetFile(preset);
            back = *static_cast<ParametricParams*>(dialog->Params());
        },
        false);
    QVERIFY(saved);
    QVERIFY(builtIn);
    QVERIFY(loaded);
    QCOMPARE(back.use, int32_t(kUseBandA | kUseBandB));
    QCOMPARE(back.a.db, -12.3);
    QCOMPARE(back.a.hz, 345);
    QCOMPARE(back.a.octaves, 0.37);
    QCOMPARE(back.b.db, 8.8);
    QCOMPARE(back.b.hz, 6789);
    QCOMPARE(back.b.octaves, 2.5);

    // Vari-Time: its failures have their own texts.
    ui.boxes.clear();
    bool readRefused = false, writeRefused = false;
    Drive(
        41122,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            readRefused = !dialog->LoadPresetFile(folder.File("missing.obx"));
            writeRefused = !dialog->SavePresetFile(folder.File("no/such/folder/x.obx"));
        },
        false);
    QVERIFY(readRefused && writeRefused);
    QCOMPARE(ui.boxes.size(), size_t(2));
    QCOMPARE(QString::fromStdString(ui.boxes[0]),
             QString("Sample Orbick 24/96: Error Reading Vari-Time Filters Preset File"));
    QCOMPARE(QString::fromStdString(ui.boxes[1]),
             QString("Sample Orbick 24/96: Error Writing EQ: Vari-Time Filters Preset File"));

    // Filters: an order-5 side cannot be previewed.
    ui.boxes.clear();
    bool fivePlayed = true;
    Drive(
        40908,
        [&](QDialog* d) {
            Check(d, "useHighPass", true);
            Click(d, "highOrder5");
            fivePlayed = static_cast<OperationDialog*>(d)->TogglePreview();
        },
        false);
    QVERIFY(!fivePlayed);
    QCOMPARE(ui.boxes.size(), size_t(1));
    QVERIFY2(QString::fromStdString(ui.boxes[0]).endsWith(kEqPreviewOrderFiveText),
             ui.boxes[0].c_str());

    // Bass and Treble: Preview plays the filtered area and leaves the wave;
    // a second press stops it; OK stops it too and applies.
    ui.boxes.clear();
    bool started = false, runningThen = false, stopped = false, again = false;
    QString recorded = folder.File("preview.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    DialogRun run = Drive(
        40907,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            Check(d, "useBass", true);
            Check(d, "useTreble", false);
            Slide(d, -120, "bassGain");  // a cut: the device clips at full scale
            Text(d, "bassHz", "300");
            started = dialog->TogglePreview();
            runningThen = PlaybackRunning();
            QTest::qWait(150);
            stopped = !dialog->TogglePreview() && !PlayerOpen();
            again = dialog->TogglePreview();
        },
        true);
    StopRecorder();
    QVERIFY(run.seen && !run.stayedOpen);
    QVERIFY2(ui.boxes.empty(), ui.boxes.empty() ? "" : ui.boxes[0].c_str());
    QVERIFY(started && runningThen && stopped && again);
    QVERIFY(!PlayerOpen());
    QCOMPARE(RecordedBody(recorded), QString("obEQBass %1, 300, -12.0\n").arg(editor->Number()));
    // What the device got: the bass cut of the unchanged sound.
    WaveRecord out;
    out.filePath = played.toStdString();
    QCOMPARE(OpenSound(out, false, nullptr), 0);
    QVERIFY(out.frameCount > 1000 && out.rightSamples);
    EqPreviewSettings s;
    s.bassTreble = {kUseBass, 300, -12.0, 10000, 0.0};
    EqSections sections = EqPreviewSections(s, 44100);
    SectionState states[kMaxEqSections] = {};
    std::vector<float> expected(right);
    RunEqSections(sections, states, expected.data(), 1000);
    double worst = 0, change = 0;
    for (int i = 0; i < 1000; ++i) {
        worst = std::max(worst, double(std::abs(out.rightSamples[i] - expected[size_t(i)])));
        change = std::max(change, double(std::abs(expected[size_t(i)] - right[size_t(i)])));
    }
    DiscardWave(out);
    QVERIFY2(worst < 2.0 / 32768, qPrintable(QString::number(worst)));
    QVERIFY(change > 0.05);
    // OK applied the same filter to the wave.
    QVERIFY(record->frameCount == before.size());
    std::vector<float> applied(before);
    SectionState fresh[kMaxEqSections] = {};
    EqSections run2 = BassTrebleSections({kUseBass, 300, -12.0, 10000, 0.0}, 44100);
    RunEqSections(run2, fresh, applied.data(), uint32_t(applied.size()));
    double applyError = 0;
    for (size_t i = 200; i < 20000; ++i)  // past the edge smoothing
        applyError = std::max(applyError, double(std::abs(record->leftSamples[i] - applied[i])));
    QVERIFY2(applyError < 1e-5, qPrintable(QString::number(applyError)));
    gPresetsFolder.clear();
    unsetenv("ORBICK_AUDIO");
    SetAudioBackend(nullptr);
}

}  // namespace shelltest

namespace shelltest {

namespace {
// Records the progress points and sets the abort flag at `abortAt` percent.
class ProgressUi : public TestUi {
  public:
    using TestUi::TestUi;
    void SetProgressBar(int percent) override {
        progress.push_back(percent);
        if (abortAt >= 0 && percent >= abortAt) RequestAbort();
    }
    int abortAt = -1;
    std::vector<int> progress;
};
}  // namespace

void DialogsTest::transposeReadoutRefusalAndQuickPitch() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    const std::string title = TitleOf(*e.dialog->Record());
    // The readout follows the units; a click on the other unit turns the value
    // into the same rate in the other unit.
    QString hertz, period, asPeriod, back;
    Drive(
        40905,
        [&](QDialog* d) {
            Click(d, "units0");
            Spin(d, 48000);
            hertz = Label(d, "presentRate");
            if (auto* b = d->findChild<QAbstractButton*>("units1")) b->click();
            period = Label(d, "presentRate");
            if (auto* s = d->findChild<QSpinBox*>("value")) asPeriod = s->text();
            if (auto* b = d->findChild<QAbstractButton*>("units0")) b->click();
            if (auto* s = d->findChild<QSpinBox*>("value")) back = s->text();
        },
        false);
    QCOMPARE(hertz, QString("Present Rate: 44100 Hz"));
    QCOMPARE(period, QString("Present Period: 22675 nSec"));
    QCOMPARE(asPeriod, QString("20833"));
    QCOMPARE(back, QString("48000"));

    // Refused rates: the message with the wave's title, the dialog stays open,
    // nothing changes, nothing is recorded, the kept settings stay.
    const TransposeSettings kept = CurrentSettings<SampleRateTransposeOp>();
    const struct {
        int value, method, units;
        const char* message;
    } refused[] = {
        {44100, kTransposeResample, kTransposeHertz,
         "Sample rate cannot be zero,\nnegative or unchanged"},
        {0, kTransposeLinear, kTransposeHertz,
         "Sample rate cannot be zero,\nnegative or unchanged"},
        {-8000, kTransposeLinear, kTransposeHertz,
         "Sample rate cannot be zero,\nnegative or unchanged"},
        {0, kTransposeResample, kTransposePeriod,
         "Sample rate cannot be zero,\nnegative or unchanged"},
        {0, kTransposeQuickPitch, kTransposeHertz,
         "Sample rate cannot be zero,\nnegative or unchanged"},
        {250000, kTransposeLinear, kTransposeHertz, "Sample rate must be 100 to 200000 Hz"},
        {9601, kTransposeQuickPitch, kTransposeHertz, "Pitch shift must be -9600 to 9600 cents"},
    };
    QString recorded = folder.File("refused.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    for (const auto& c : refused) {
        ui.boxes.clear();
        Activate(e.dialog);
        DialogRun run = Drive(
            40905,
            [&c](QDialog* d) {
                Click(d, QString("method%1").arg(c.method));
                Click(d, QString("units%1").arg(c.units));
                Spin(d, c.value);
            },
            true);
        const QString what = QString("%1 (method %2, units %3): %4")
                                 .arg(c.value)
                                 .arg(c.method)
                                 .arg(c.units)
                                 .arg(ui.boxes.empty() ? QString("no message")
                                                       : QString::fromStdString(ui.boxes[0]));
        QVERIFY2(run.stayedOpen, qPrintable(what));
        QCOMPARE(run.lateClosed, 0);
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(QString::fromStdString(ui.boxes[0]),
                 QString::fromStdString(title + ": " + c.message));
        QVERIFY(SameSound(e.dialog->Record(), e.script->Record()));
        QCOMPARE(e.dialog->Record()->sampleRate, 44100u);
    }
    QCOMPARE(CurrentSettings<SampleRateTransposeOp>().value, kept.value);
    QCOMPARE(CurrentSettings<SampleRateTransposeOp>().method, kept.method);

    // Quick pitch: the affect area alone is resampled, the rate stays, the
    // markers move with the area, and no recorder line is written.
    QVERIFY(SetMarker(*e.dialog->Record(), 3000, 1, nullptr));
    QVERIFY(SetMarker(*e.script->Record(), 3000, 1, nullptr));
    const std::vector<float> before(e.dialog->Record()->leftSamples,
                                    e.dialog->Record()->leftSamples + 4000);
    ui.boxes.clear();
    DialogRun run = Drive(
        40905,
        [](QDialog* d) {
            Click(d, "method3");
            Click(d, "units0");
            Spin(d, 100);
            Check(d, "adjust", true);
            Check(d, "preFilter", false);
        },
        true);
    StopRecorder();
    QVERIFY(!run.stayedOpen);
    QVERIFY(ui.boxes.empty());
    QCOMPARE(RecordedBody(recorded), QString());
    TransposeSettings quick = TransposeBuiltIn(0);
    quick.value = 100;
    quick.method = kTransposeQuickPitch;
    quick.options = kTransposeAdjust;
    QCOMPARE(SampleRateTranspose(*e.script->Record(), quick), int(kEditDone));
    QCOMPARE(e.dialog->Record()->frameCount, e.script->Record()->frameCount);
    QVERIFY(SameSound(e.dialog->Record(), e.script->Record()));
    QCOMPARE(e.dialog->Record()->frameCount, 4000u * 41625u / 44100u);
    QCOMPARE(e.dialog->Record()->sampleRate, 44100u);
    QVERIFY(e.dialog->Record()->markers);
    QCOMPARE(e.dialog->Record()->markers->position, e.script->Record()->markers->position);
    QCOMPARE(e.dialog->Record()->markers->position, uint32_t(3000 * 41625.0 / 44100 + 0.5));
    QCOMPARE(CurrentSettings<SampleRateTransposeOp>().method, int32_t(kTransposeQuickPitch));
    // Undo gives back the sound bit for bit.
    Activate(e.dialog);
    gFrame->RunCommand(41312);
    QCOMPARE(e.dialog->Record()->frameCount, 4000u);
    QVERIFY(std::equal(before.begin(), before.end(), e.dialog->Record()->leftSamples));
}

void DialogsTest::stretchAndPitchGuardsMemoryAndAbort() {
    TempFolder folder;
    gFrame = Start(folder.path);
    ProgressUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    const std::string title = TitleOf(*e.dialog->Record());
    // The readouts of both sliders.
    QString percent, now, result, cents, semitones, sharp;
    Drive(
        41120,
        [&](QDialog* d) {
            Slide(d, 1225, "stretch");
            percent = Label(d, "readout");
            now = Label(d, "now");
            result = Label(d, "result");
        },
        false);
    Drive(
        41117,
        [&](QDialog* d) {
            Slide(d, -150, "shift");
            cents = Label(d, "readout");
            semitones = Label(d, "result");
            Slide(d, 400, "shift");
            sharp = Label(d, "result");
        },
        false);
    QCOMPARE(percent, QString("122.5%"));
    QCOMPARE(now, QString("Now: 0.09 sec"));  // 4000 frames at 44100 Hz
    QCOMPARE(result, QString("Result: 0.11 sec"));
    QCOMPARE(cents, QString("-150 Cents"));
    QCOMPARE(semitones, QString("Result: 1.50 semitones flat"));
    QCOMPARE(sharp, QString("Result: 4.00 semitones sharp"));

    QString recorded = folder.File("guards.bas");
    QCOMPARE(StartRecorder(recorded.toStdString()), int(kRecorderStarted));
    // 100 % and 0 cents keep the dialog open with their message.
    const struct {
        int command;
        Act act;
        bool stays;
        const char* message;
    } guards[] = {
        {41120, [](QDialog* d) { Slide(d, 1000, "stretch"); }, true,
         "Parameter Can't Be 0 or 100%"},
        {41117, [](QDialog* d) { Slide(d, 0, "shift"); }, true, "Parameter Can't Be 0 or 100%"},
        // Extended bass doubles W: 4000 frames are less than 8 W = 5632.
        {41120,
         [](QDialog* d) {
             Slide(d, 900, "stretch");
             Check(d, "extendedBass", true);
         },
         false, "Edit Size Too Small For Effect"},
        {41117,
         [](QDialog* d) {
             Slide(d, 100, "shift");
             Check(d, "extendedBass", true);
         },
         false, "Edit Size Too Small For Effect"},
    };
    for (const auto& c : guards) {
        ui.boxes.clear();
        Activate(e.dialog);
        DialogRun run = Drive(c.command, c.act, true);
        QCOMPARE(run.stayedOpen, c.stays);
        QCOMPARE(run.lateClosed, 0);
        QCOMPARE(ui.boxes.size(), size_t(1));
        QCOMPARE(QString::fromStdString(ui.boxes[0]),
                 QString::fromStdString(title + ": " + c.message));
        QVERIFY(SameSound(e.dialog->Record(), e.script->Record()));
    }
    QCOMPARE(BackupCount(*e.dialog->Record()), 0u);

    // Memory for the new arrays runs out: the question, "No" leaves the wave.
    const uint32_t backups = gBackups;
    gBackups = 0;
    const uint64_t budget = MemoryBudget();
    // The work area (1.2 x 110 % of the area, two channels) fits, the new
    // arrays (110 % of the sound, two channels) do not.
    SetMemoryBudget(LargeBytesInUse() + 2 * StretchCapacity(4000, 110.0) * 4 + 8000);
    ui.boxes.clear();
    DialogRun run = Drive(
        41120,
        [](QDialog* d) {
            Slide(d, 1100, "stretch");
            Check(d, "extendedBass", false);
            Check(d, "stereoLock", false);
        },
        true);
    SetMemoryBudget(budget);
    gBackups = backups;
    QVERIFY(!run.stayedOpen);
    QCOMPARE(ui.questions.size(), size_t(1));
    QVERIFY(QString::fromStdString(ui.questions[0]).startsWith("No memory for wave!"));
    QVERIFY(SameSound(e.dialog->Record(), e.script->Record()));

    // Abort at the first progress point: the wave is unchanged.
    for (int command : {41120, 41117, 40905}) {
        ui.progress.clear();
        ui.abortAt = 5;
        Activate(e.dialog);
        run = Drive(
            command,
            [](QDialog* d) {
                Slide(d, 1150, "stretch");
                Slide(d, 200, "shift");
                Check(d, "extendedBass", false);
                Check(d, "stereoLock", false);
                Check(d, "preFilter", false);
                Check(d, "adjust", true);
                Click(d, "method1");
                Click(d, "units0");
                Spin(d, 96000);
            },
            true);
        ui.abortAt = -1;
        QVERIFY(!run.stayedOpen);
        QVERIFY2(!ui.progress.empty(), qPrintable(QString::number(command)));
        QVERIFY2(SameSound(e.dialog->Record(), e.script->Record()),
                 qPrintable(QString::number(command)));
        QCOMPARE(e.dialog->Record()->sampleRate, 44100u);
    }
    // A whole run shows the progress points of the engine.
    ui.progress.clear();
    run = Drive(
        41120, [](QDialog* d) { Slide(d, 1150, "stretch"); }, true);
    StopRecorder();
    QVERIFY(!run.stayedOpen);
    for (int point : {5, 10, 75, 80, 85, 90, 95})
        QVERIFY2(std::find(ui.progress.begin(), ui.progress.end(), point) != ui.progress.end(),
                 qPrintable(QString::number(point)));
    QCOMPARE(obTimeStretch(e.script->Number(), 115.0, 0, 0), 1);
    QVERIFY(SameSound(e.dialog->Record(), e.script->Record()));
    // Recorded: the three aborted runs (as every aborted operation is) and the
    // finished one; the refusals, the size guard and the memory "No" are not.
    QCOMPARE(RecordedBody(recorded),
             QString("obTimeStretch %1, 115.0, 0, 0\n"
                     "obPitchShift %1, 200.0, 0, 0\n"
                     "obSampleRateTranspose %1, 96000, OB_SRT_RESAMPLE, 0, 1\n"
                     "obTimeStretch %1, 115.0, 0, 0\n")
                 .arg(e.dialog->Number()));
}

void DialogsTest::transposePresetsRoundTrip() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    ui.answer = kAnswerNo;
    SetUserInterface(&ui);
    gPresetsFolder = folder.path.toStdString();
    Editors e = OpenThree(folder, 2);
    QVERIFY(e.dialog);
    const QString preset = folder.File("rate.obx");
    // The built-ins in their order; the first is the start setting.
    QStringList names;
    QString builtInValue, builtInMethod;
    bool saved = false;
    Drive(
        40905,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            for (int i = 0; i < dialog->PresetBox()->count(); ++i)
                names << dialog->PresetBox()->itemText(i);
            dialog->ChoosePreset(6);  // quarter step flat
            if (auto* s = d->findChild<QSpinBox*>("value")) builtInValue = s->text();
            if (auto* b = d->findChild<QAbstractButton*>("method3"))
                builtInMethod = b->isChecked() ? "quick" : "other";
            // Saving takes the present rate too: it is refused only on OK.
            Click(d, "method0");
            Click(d, "units1");
            Spin(d, 22675);
            Check(d, "adjust", true);
            Check(d, "preFilter", true);
            dialog->PresetBox()->setEditText("Period of the present rate");
            saved = dialog->SavePresetFile(preset);
        },
        false);
    QCOMPARE(names.size(), 8);
    QCOMPARE(names[0], QString("Bring up to CD"));
    QCOMPARE(names[4], QString("Bring up to MIDI SDS 31250 nSec (32 kHz)"));
    QCOMPARE(names[7], QString("Quick pitch ten cents sharp"));
    QCOMPARE(builtInValue, QString("-25"));
    QCOMPARE(builtInMethod, QString("quick"));
    QVERIFY(saved);
    // A file of the other byte order and a damaged one beside it.
    uint8_t record[kTransposeRecordSize];
    bool swapped = false;
    QCOMPARE(ReadPresetFile(preset.toStdString(), "SRTR", record, kTransposeRecordSize, &swapped),
             0);
    QVERIFY(!swapped);
    SwapTransposeRecord(record);
    const QString big = folder.File("big.obx");
    QCOMPARE(WritePresetFile(big.toStdString(), "SRTR", record, kTransposeRecordSize, true), 0);
    SwapTransposeRecord(record);
    record[4] = 9;  // method 9
    const QString bad = folder.File("bad.obx");
    QCOMPARE(WritePresetFile(bad.toStdString(), "SRTR", record, kTransposeRecordSize), 0);

    QString value, name, listedFirst;
    bool method0 = false, units1 = false, adjust = false, preFilter = false;
    bool loadedOk = false, bigOk = false, badRefused = false;
    Drive(
        40905,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            listedFirst = dialog->PresetBox()->itemText(0);
            dialog->ChoosePreset(2);  // a built-in first
            loadedOk = dialog->LoadPresetFile(preset);
            dialog->ChoosePreset(3);
            bigOk = dialog->LoadPresetFile(big);
            badRefused = !dialog->LoadPresetFile(bad);
            name = dialog->PresetBox()->currentText();
            if (auto* s = d->findChild<QSpinBox*>("value")) value = s->text();
            auto checked = [d](const char* n) {
                auto* b = d->findChild<QAbstractButton*>(n);
                return b && b->isChecked();
            };
            method0 = checked("method0");
            units1 = checked("units1");
            adjust = checked("adjust");
            preFilter = checked("preFilter");
        },
        false);
    QVERIFY(loadedOk);
    QVERIFY(bigOk);
    QVERIFY(badRefused);
    QCOMPARE(listedFirst, QString("Period of the present rate"));
    QCOMPARE(name, QString("Period of the present rate"));
    QCOMPARE(value, QString("22675"));
    QVERIFY(method0 && units1 && adjust && preFilter);
    QCOMPARE(ui.boxes.size(), size_t(1));
    QCOMPARE(QString::fromStdString(ui.boxes[0]),
             QString("Sample Orbick 24/96: Error Reading Sample Rate Transpose Preset File"));
    gPresetsFolder.clear();
}

// The curve dialogs' Preview is the dialog's own button: it plays the area
// through the curve shown, follows a new curve while it plays, and stops.
void DialogsTest::curvePreviewFollowsTheCurve() {
    TempFolder folder;
    const QString played = folder.File("played.wav");
    setenv("ORBICK_AUDIO", ("file:" + played).toStdString().c_str(), 1);
    SetAudioBackend(nullptr);  // chosen again from the environment
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    gPresetsFolder = folder.path.toStdString();
    gFrame->CloseAllEditors();
    const QString sound = folder.File("long.wav");
    QVERIFY(WriteTestWav(sound, 1, 220500, "Long"));
    EditorWindow* editor = gFrame->OpenFile(sound);
    QVERIFY(editor);
    WaveRecord* record = editor->Record();
    std::vector<float> source(record->leftSamples, record->leftSamples + record->frameCount);
    bool started = false, playing = false, stopped = false, envelopePlayed = false;
    DialogRun run = Drive(
        41121,
        [&](QDialog* d) {
            auto* dialog = static_cast<OperationDialog*>(d);
            dialog->ChoosePreset(0);  // "Absolute Value (full wave rectify)"
            started = dialog->TogglePreview();
            playing = CurvePreviewPlaying();
            QTest::qWait(300);
            // "Inversion", taken while it plays: the player asks for blocks
            // of about 0.75 s, so a new curve is heard from the next block.
            dialog->ChoosePreset(1);
            QTest::qWait(2200);
            stopped = !dialog->TogglePreview() && !PlayerOpen() && !CurvePreviewPlaying();
        },
        false);
    QVERIFY(run.seen && !run.stayedOpen);
    QVERIFY2(ui.boxes.empty(), ui.boxes.empty() ? "" : ui.boxes[0].c_str());
    QVERIFY(started && playing && stopped);
    WaveRecord out;
    out.filePath = played.toStdString();
    QCOMPARE(OpenSound(out, false, nullptr), 0);
    QVERIFY(out.frameCount > 70000 && out.frameCount < source.size());
    // Rectified first, inverted at the end; the sound itself is unchanged.
    const TransferParams rectify = TransferBuiltIn(0), invert = TransferBuiltIn(1);
    TransferTable first{}, last{};
    BuildTransferTable(rectify, first);
    BuildTransferTable(invert, last);
    double worstFirst = 0, worstLast = 0;
    for (uint32_t i = 0; i < 1000; ++i) {
        float a = 0, b = 0;
        TransferRun16(first, &source[i], &a, 1);
        worstFirst = std::max(worstFirst, double(std::abs(out.leftSamples[i] - a)));
        uint32_t k = out.frameCount - 1000 + i;
        TransferRun16(last, &source[k], &b, 1);
        worstLast = std::max(worstLast, double(std::abs(out.leftSamples[k] - b)));
    }
    DiscardWave(out);
    QVERIFY2(worstFirst < 2.0 / 32768, qPrintable(QString::number(worstFirst)));
    QVERIFY2(worstLast < 2.0 / 32768, qPrintable(QString::number(worstLast)));
    QVERIFY(std::equal(source.begin(), source.end(), record->leftSamples));
    // The Envelope Generator plays through the same button; OK stops it.
    run = Drive(
        40912,
        [&](QDialog* d) {
            envelopePlayed =
                static_cast<OperationDialog*>(d)->TogglePreview() && CurvePreviewPlaying();
        },
        false);
    QVERIFY(run.seen && !run.stayedOpen);
    QVERIFY(envelopePlayed);
    QVERIFY(!CurvePreviewPlaying() && !PlayerOpen());
    unsetenv("ORBICK_AUDIO");
    gPresetsFolder.clear();
    SetAudioBackend(nullptr);
}

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
