// The window side of sampler transfers against orbick-sampler-sim over its
// socket (ORBICK_MIDI_SOCKET): a wave sent through the "Sampler Transfer"
// dialog arrives sample for sample; a sample received through the SDS
// dialog opens in a new editor; Abort in the progress window ends a transfer
// at once with "User Aborted Transfer"; presets survive a save and load; no
// devices show "None Available" and give "Initialization Failed"; the
// Sampler menu's type items and "Dynamic Dialog".
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/editor_window.h"
#include "app/ensoniq_dialogs.h"
#include "app/main_frame.h"
#include "app/sampler_dialogs.h"
#include "app/shell_startup.h"
#include "app/transfer_window.h"
#include "base/dialog_guard.h"
#include "sampler/ensoniq_transfer.h"
#include "sampler/sampler_preset.h"
#include "sampler/sampler_types.h"
#include "sampler/transfer_events.h"
#include "script/host_state.h"
#include "script/recorder.h"
#include "script/settings_store.h"
#include "shell_test_support.h"
#include "wave/wave_record.h"

using namespace ob;
using shelltest::TempFolder;
using shelltest::TestUi;

namespace {

// orbick-sampler-sim on a socket in `folder`.
class Simulator {
  public:
    bool Start(const QString& folder, const QStringList& extra = {}) {
        socket = folder + "/sim.sock";
        store = folder + "/store";
        log = folder + "/sim.log";
        QDir().mkpath(store);
        process.start(ORBICK_SAMPLER_SIM,
                      QStringList{"--listen", socket, "--store", store, "--log", log} + extra);
        if (!process.waitForStarted(5000)) return false;
        for (int i = 0; i < 50 && !process.canReadLine(); ++i) process.waitForReadyRead(100);
        return process.readLine().trimmed() == "listening";
    }
    void Stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished(2000);
    }
    ~Simulator() { Stop(); }
    QStringList Log() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // A stored sample: the header lines ("bits 16", "channel 2", ...) and the
    // words as signed values.
    bool Sample(int number, QStringList& head, std::vector<long>& words) const {
        QFile f(store + QString("/sample_%1.txt").arg(number));
        if (!f.open(QIODevice::ReadOnly)) return false;
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        if (lines.size() < 5) return false;
        head = lines.mid(0, 5);
        words.clear();
        for (int i = 5; i < lines.size(); ++i) words.push_back(lines[i].toLong());
        return true;
    }
    QString socket, store, log;
    QProcess process;
};

// Drives the first modal dialog that opens (once) with `drive`, which must
// end it; a dialog still open after `lateMs` (or any later one) is rejected,
// so that no fault leaves the test waiting. The transfer window counts as a
// dialog for the late closer only (rejecting it aborts the transfer).
class ModalDriver : public QObject {
  public:
    explicit ModalDriver(std::function<void(QDialog*)> drive, int lateMs = 20000)
        : drive_(std::move(drive)) {
        connect(&poll_, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || driven || qobject_cast<TransferProgressDialog*>(dialog)) return;
            driven = true;
            drive_(dialog);
        });
        connect(&late_, &QTimer::timeout, this, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->reject();
                ++lateRejects;
            }
        });
        poll_.start(20);
        QTimer::singleShot(lateMs, this, [this] { late_.start(50); });
    }
    bool driven = false;
    int lateRejects = 0;

  private:
    std::function<void(QDialog*)> drive_;
    QTimer poll_, late_;
};

// The control of that name on the shown page (each sampler type's page has
// its own "channel" and device lists), else the first of that name.
template <class T>
T* Find(QDialog* dialog, const char* name) {
    if (!dialog) return nullptr;
    const QList<T*> all = dialog->findChildren<T*>(name);
    for (T* w : all)
        if (w->isVisible()) return w;
    return all.isEmpty() ? nullptr : all.front();
}

// Ends a driven dialog with OK (when it has one) or Cancel; never both, as a
// reject after OK would turn the dialog's result into Cancel.
void Finish(QDialog* dialog, bool ok) {
    auto* button = ok ? Find<QPushButton>(dialog, "ok") : nullptr;
    if (button)
        button->click();
    else
        dialog->reject();
}

QStringList ListEntries(QListWidget* list) {
    QStringList out;
    if (!list) return out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// The 16-bit word an SDS 16 bit send puts on the wire for a sample, from the
// protocol description: clamp, times 32767, truncated toward zero.
long Wire16(float x) {
    double v = std::clamp(double(x), -1.0, 1.0) * 32767.0;
    return long(std::trunc(v));
}

}  // namespace

class SamplerWindowTest : public QObject {
    Q_OBJECT
  private:
    MainFrame* frame_ = nullptr;
    TestUi* ui_ = nullptr;
    TempFolder* temp_ = nullptr;

    void StartShellWithUi() {
        temp_ = new TempFolder;
        frame_ = shelltest::Start(temp_->path);
        ui_ = new TestUi(frame_);
        SetUserInterface(ui_);
    }
    EditorWindow* OpenRamp(unsigned frames) {
        QString path = temp_->File("ramp.wav");
        if (!shelltest::WriteTestWav(path, 1, frames, "Ramp")) return nullptr;
        frame_->CloseAllEditors();
        return frame_->OpenFile(path);
    }
    bool Saw(const std::string& text) const {
        for (const std::string& b : ui_->boxes)
            if (b.find(text) != std::string::npos) return true;
        return false;
    }

  private slots:
    void cleanup() {
        if (frame_) StopShell(frame_);
        frame_ = nullptr;
        delete ui_;
        ui_ = nullptr;
        delete temp_;
        temp_ = nullptr;
        unsetenv("ORBICK_MIDI_SOCKET");
        StopRecorder();
        gSamplerType = kSamplerSds12;
        gSamplerDynamicDialog = true;
        gCurrentSamplerPreset = BuiltInSamplerPreset(0);
        gTransferTiming = TransferTiming();
        SetDialogInUse(kDialogSamplerTransfer, false);
    }

    void windowSideIsInstalled() {
        StartShellWithUi();
        // After the sampler's WAIT the window waits until the user aborts;
        // the dialog hooks and the window's clock are in place.
        QCOMPARE(gTransferTiming.waitLimitMs, int64_t(0));
        QVERIFY(gSamplerTransferDialogHook != nullptr);
        QVERIFY(gSamplerParamDialogHook != nullptr);
        QVERIFY(gTransfer.clock != nullptr);
        StopShell(frame_);
        frame_ = nullptr;
        QVERIFY(gSamplerTransferDialogHook == nullptr);
        QVERIFY(gTransfer.clock == nullptr);
        QCOMPARE(gTransferTiming.waitLimitMs, TransferTiming().waitLimitMs);
    }

    void sendThroughTheDialogReachesTheSimulator() {
        StartShellWithUi();
        Simulator sim;
        gSamplerType = kSamplerSds16;
        QVERIFY(sim.Start(temp_->path));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        EditorWindow* editor = OpenRamp(1000);
        QVERIFY(editor);
        const WaveRecord& record = *editor->Record();
        std::vector<float> before(record.leftSamples, record.leftSamples + record.frameCount);
        QVERIFY(StartRecorder(temp_->File("rec.bas").toStdString()) == kRecorderStarted);

        QString title, inputs, presetNames;
        bool sdsShown = false;
        ModalDriver driver([&](QDialog* d) {
            title = d->windowTitle();
            inputs = ListEntries(Find<QListWidget>(d, "inputDriver")).join("|");
            if (auto* box = Find<QComboBox>(d, "presets"))
                for (int i = 0; i < box->count(); ++i) presetNames += box->itemText(i) + "|";
            auto* radio16 = Find<QRadioButton>(d, "radio7723");
            sdsShown = radio16 && radio16->isChecked() && Find<QWidget>(d, "sdsControls") &&
                       Find<QWidget>(d, "sdsControls")->isVisible();
            if (auto* channel = Find<QSpinBox>(d, "channel")) channel->setValue(3);
            if (auto* sample = Find<QSpinBox>(d, "sample")) sample->setValue(5);
            Finish(d, true);
        });
        frame_->RunCommand(40005);
        StopRecorder();
        QVERIFY(driver.driven);
        QCOMPARE(driver.lateRejects, 0);
        QCOMPARE(title, QString("Sampler Transfer"));
        QVERIFY2(inputs.startsWith("Socket "), qPrintable(inputs));
        QVERIFY(sdsShown);
        QVERIFY2(presetNames.startsWith("16 bit sample dump standard|12 bit sample dump standard|"
                                        "Akai S1000 on channel 2|"),
                 qPrintable(presetNames));
        QVERIFY(presetNames.contains("Roland S770 on channel 6|"));
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(gTransfer.lastResult, int32_t(kTransferOk));

        QStringList head;
        std::vector<long> words;
        QVERIFY(sim.Sample(5, head, words));
        QCOMPARE(head.join(","),
                 QString("bits 16,period 22675,length 1000,loop 1000 1000 0,channel 2"));
        QCOMPARE(words.size(), size_t(1000));
        for (size_t i = 0; i < words.size(); ++i)
            if (words[i] != Wire16(before[i]))
                QFAIL(qPrintable(
                    QString("sample %1: %2, sent %3").arg(i).arg(words[i]).arg(Wire16(before[i]))));
        // The sent wave is untouched, and the dialog's OK is recorded.
        QVERIFY(std::equal(before.begin(), before.end(), record.leftSamples));
        QFile rec(temp_->File("rec.bas"));
        QVERIFY(rec.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(rec.readAll())
                    .contains(QString("obSend %1, 5, 0, 0, 3, 0, 0, 0\n").arg(editor->Number())));
        // OK kept the settings as the current preset.
        QCOMPARE(gCurrentSamplerPreset.words[kWordChannel], 3);
        QCOMPARE(gCurrentSamplerPreset.words[kWordSampleNumber], 5);
    }

    void receiveThroughTheOwnDialogOpensANewEditor() {
        StartShellWithUi();
        Simulator sim;
        QVERIFY(sim.Start(temp_->path, {"--tone", "7:500:22050:16:100:400:0"}));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        frame_->CloseAllEditors();
        QVERIFY(frame_->Editors().isEmpty());
        gSamplerDynamicDialog = false;  // Receive opens the type's own dialog
        gSamplerType = kSamplerSds16;

        QString title;
        ModalDriver driver([&](QDialog* d) {
            title = d->windowTitle();
            if (auto* sample = Find<QSpinBox>(d, "sample")) sample->setValue(7);
            Finish(d, true);
        });
        frame_->RunCommand(40006);
        QVERIFY(driver.driven);
        QCOMPARE(driver.lateRejects, 0);
        QCOMPARE(title, QString("Receive: MIDI SDS 16 bit"));
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(frame_->Editors().size(), 1);
        const WaveRecord* record = frame_->Editors().front()->Record();
        QVERIFY(WaveHasData(record));
        QCOMPARE(record->frameCount, 500u);
        QCOMPARE(record->sampleRate, 22050u);
        QVERIFY(record->stateFlags & kStateChanged);
        QStringList head;
        std::vector<long> words;
        QVERIFY(sim.Sample(7, head, words));
        QCOMPARE(words.size(), size_t(500));
        for (size_t i = 0; i < words.size(); ++i)
            if (record->leftSamples[i] != float(words[i]) / 32768.0f)
                QFAIL(qPrintable(QString("sample %1: %2, sampler holds %3")
                                     .arg(i)
                                     .arg(record->leftSamples[i])
                                     .arg(words[i])));
        QCOMPARE(record->sustainLoopId, 0);
        QVERIFY(record->loops && record->loops->start == 100 && record->loops->end == 400);
    }

    void receiveTwelveBitThroughTheTransferDialog() {
        StartShellWithUi();
        Simulator sim;
        QVERIFY(sim.Start(temp_->path, {"--tone", "3:250:44100:12"}));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        frame_->CloseAllEditors();
        ModalDriver driver([&](QDialog* d) {
            if (auto* radio = Find<QRadioButton>(d, "radio7722")) radio->click();  // SDS 12 bit
            if (auto* sample = Find<QSpinBox>(d, "sample")) sample->setValue(3);
            Finish(d, true);
        });
        frame_->RunCommand(40006);
        QVERIFY(driver.driven);
        QCOMPARE(gSamplerType, int32_t(kSamplerSds12));  // OK made it the current type
        QVERIFY(frame_->ActionFor(40301)->isChecked());
        QVERIFY(!frame_->ActionFor(40302)->isChecked());
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(frame_->Editors().size(), 1);
        const WaveRecord* record = frame_->Editors().front()->Record();
        QStringList head;
        std::vector<long> words;
        QVERIFY(sim.Sample(3, head, words));
        QVERIFY(WaveHasData(record) && record->frameCount == 250);
        for (size_t i = 0; i < words.size(); ++i)
            QCOMPARE(record->leftSamples[i], float(words[i]) / 2048.0f);
        QVERIFY(record->sustainLoopId < 0);  // loop type 0x7F: no loop
    }

    void prophetSendShowsTheUsersSoundNumber() {
        StartShellWithUi();
        Simulator sim;
        QVERIFY(sim.Start(temp_->path));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        EditorWindow* editor = OpenRamp(100);
        QVERIFY(editor);
        gSamplerDynamicDialog = false;
        gSamplerType = kSamplerProphet2000;
        gTransfer.sampleNumber() = 5;
        ui_->answer = kAnswerOk;
        QString title;
        int shown = -1;
        ModalDriver driver([&](QDialog* d) {
            title = d->windowTitle();
            if (auto* sample = Find<QSpinBox>(d, "sample")) shown = sample->value();
            Finish(d, true);
        });
        frame_->RunCommand(40005);
        QVERIFY(driver.driven);
        QCOMPARE(title, QString("Send: MIDI Prophet 2000"));
        QCOMPARE(shown, 5);  // the stored number as it is, not one more
        QCOMPARE(gTransfer.sampleNumber(), 5);
        QCOMPARE(int(ui_->questions.size()), 1);
        QVERIFY(ui_->questions[0].find("Set SOUND NUMBER to:  5") != std::string::npos);
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QStringList head;
        std::vector<long> words;
        QVERIFY(sim.Sample(4, head, words));  // the wire counts from 0
        QCOMPARE(head.join(","),
                 QString("bits 12,period 24000,length 120,loop 120 120 0,channel 0"));
    }

    void abortEndsASendPromptlyAndLeavesTheWave() {
        StartShellWithUi();
        Simulator sim;
        gSamplerType = kSamplerSds16;
        QVERIFY(sim.Start(temp_->path, {"--silence", "3"}));  // no answer to packet 3
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        EditorWindow* editor = OpenRamp(2000);
        QVERIFY(editor);
        WaveRecord& record = *editor->Record();
        record.stateFlags &= ~kStateChanged;
        std::vector<float> before(record.leftSamples, record.leftSamples + record.frameCount);
        gTransferTiming.replyTimeoutMs = 60000;  // only Abort can end it soon

        bool windowSeen = false, windowModal = false;
        int percentSeen = -1;
        QTimer aborter;
        connect(&aborter, &QTimer::timeout, [&] {
            TransferProgressDialog* window = ui_->TransferWindow();
            if (!window || !window->isVisible()) return;
            windowSeen = true;
            windowModal = window->isModal() && QApplication::activeModalWidget() == window;
            if (auto* bar = window->findChild<QProgressBar*>("transferBar"))
                percentSeen = bar->value();
            aborter.stop();
            // Let it wait for the answer to packet 3 for a moment first.
            QTimer::singleShot(300, window, [window] {
                QTest::mouseClick(window->AbortButton(), Qt::LeftButton);
            });
        });
        aborter.start(10);
        ModalDriver driver([&](QDialog* d) { Finish(d, true); });
        QElapsedTimer clock;
        clock.start();
        frame_->RunCommand(40005);
        const qint64 elapsed = clock.elapsed();
        QVERIFY(driver.driven);
        QCOMPARE(driver.lateRejects, 0);
        QVERIFY(windowSeen);
        QVERIFY(windowModal);
        QVERIFY(percentSeen >= 0);
        // Ended by the Abort, far from the reply timeout.
        QVERIFY2(elapsed < 15000, qPrintable(QString::number(elapsed)));
        QCOMPARE(gTransfer.lastResult, int32_t(kTransferUserAborted));
        QVERIFY(Saw("User Aborted Transfer"));
        QVERIFY(ui_->TransferWindow() == nullptr);
        QVERIFY(std::equal(before.begin(), before.end(), record.leftSamples));
        QCOMPARE(record.frameCount, uint32_t(before.size()));
        QVERIFY(!(record.stateFlags & kStateChanged));
        sim.Stop();
        QStringList head;
        std::vector<long> words;
        QVERIFY(!sim.Sample(1, head, words));  // nothing stored on the sampler
        QVERIFY2(sim.Log().filter("rx CANCEL").size() == 1, qPrintable(sim.Log().join("\n")));
    }

    void abortEndsAReceiveAndKeepsWhatArrived() {
        StartShellWithUi();
        Simulator sim;
        gSamplerType = kSamplerSds16;
        QVERIFY(sim.Start(temp_->path, {"--tone", "1:400:44100:16", "--silence", "4"}));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        frame_->CloseAllEditors();
        gTransferTiming.replyTimeoutMs = 60000;
        QTimer aborter;
        connect(&aborter, &QTimer::timeout, [&] {
            TransferProgressDialog* window = ui_->TransferWindow();
            if (!window || !window->isVisible()) return;
            aborter.stop();
            QTimer::singleShot(300, window, [window] { window->reject(); });  // Escape aborts too
        });
        aborter.start(10);
        ModalDriver driver([&](QDialog* d) { Finish(d, true); });
        QElapsedTimer clock;
        clock.start();
        frame_->RunCommand(40006);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(driver.driven);
        QCOMPARE(gTransfer.lastResult, int32_t(kTransferUserAborted));
        QVERIFY(Saw("User Aborted Transfer"));
        QCOMPARE(frame_->Editors().size(), 1);
        const WaveRecord* record = frame_->Editors().front()->Record();
        QVERIFY(WaveHasData(record) && record->frameCount == 400);
        QStringList head;
        std::vector<long> words;
        QVERIFY(sim.Sample(1, head, words));
        // Packets 0 to 3 (40 samples each) arrived; the rest is silence.
        for (size_t i = 0; i < 400; ++i) {
            float expected = i < 160 ? float(words[i]) / 32768.0f : 0.0f;
            if (record->leftSamples[i] != expected)
                QFAIL(qPrintable(QString("sample %1: %2, expected %3")
                                     .arg(i)
                                     .arg(record->leftSamples[i])
                                     .arg(expected)));
        }
    }

    void presetSaveAndLoadRoundTrip() {
        gSamplerType = kSamplerSds16;  // the type of the first built-in: it keeps its name
        StartShellWithUi();
        EditorWindow* editor = OpenRamp(100);
        QVERIFY(editor);
        const QString path = temp_->File("mine.obx");
        struct Seen {
            int channel = -1, sample = -1;
            bool radio12 = false, wait = false;
            QString name;
        } afterOther, afterLoad;
        bool saved = false, loaded = false;
        ModalDriver driver([&](QDialog* d) {
            auto* dialog = qobject_cast<SamplerTransferDialog*>(d);
            if (!dialog) {
                d->reject();
                return;
            }
            dialog->askPath = [&](QWidget*, bool) { return path; };
            auto see = [&](Seen& s) {
                s.channel = Find<QSpinBox>(d, "channel")->value();
                s.sample = Find<QSpinBox>(d, "sample")->value();
                s.radio12 = Find<QRadioButton>(d, "radio7722")->isChecked();
                s.wait = Find<QCheckBox>(d, "waitBetweenPackets")->isChecked();
                s.name = dialog->PresetBox()->currentText();
            };
            Find<QRadioButton>(d, "radio7722")->click();
            Find<QSpinBox>(d, "channel")->setValue(9);
            Find<QSpinBox>(d, "sample")->setValue(33);
            Find<QCheckBox>(d, "waitBetweenPackets")->setChecked(true);
            dialog->PresetBox()->setEditText("My Preset");
            Find<QPushButton>(d, "savePreset")->click();
            saved = QFile::exists(path);
            dialog->ChoosePreset(9);  // "Roland S770 on channel 6"
            see(afterOther);
            Find<QPushButton>(d, "loadPreset")->click();
            loaded = true;
            see(afterLoad);
            d->reject();
        });
        frame_->RunCommand(40005);
        QVERIFY(driver.driven);
        QVERIFY(saved && loaded);
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(afterOther.channel, 6);
        QCOMPARE(afterOther.sample, 1);
        QVERIFY(!afterOther.radio12 && !afterOther.wait);
        QCOMPARE(afterOther.name, QString("Roland S770 on channel 6"));
        QCOMPARE(afterLoad.channel, 9);
        QCOMPARE(afterLoad.sample, 33);
        QVERIFY(afterLoad.radio12 && afterLoad.wait);
        QCOMPARE(afterLoad.name, QString("My Preset"));
        // The file's record read as bytes: a "DUMP" record of 140 bytes with
        // the type, the words and the name where they belong.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        int at = bytes.indexOf("My Preset");
        QVERIFY(at >= 56);
        const uchar* r = reinterpret_cast<const uchar*>(bytes.constData()) + at - 56;
        auto word = [&](int offset) {
            return int(r[offset] | r[offset + 1] << 8 | r[offset + 2] << 16 | r[offset + 3] << 24);
        };
        QCOMPARE(word(0), 0);          // SDS 12 bit
        QCOMPARE(word(4), 9);          // channel
        QCOMPARE(word(8), 33);         // sample number
        QCOMPARE(word(4 + 8 * 4), 1);  // option flags: wait between packets
        QVERIFY(bytes.contains("DUMP"));
        // Cancel kept the type and the current preset.
        QCOMPARE(gSamplerType, int32_t(kSamplerSds16));
        QCOMPARE(gCurrentSamplerPreset.name, BuiltInSamplerPreset(0).name);
        QCOMPARE(gCurrentSamplerPreset.words[kWordChannel], 1);
        QVERIFY(!DialogInUse(kDialogSamplerTransfer));
    }

    void noDevicesShowNoneAvailableAndGiveFive() {
        unsetenv("ORBICK_MIDI_SOCKET");
        if (!ListMidiDevices().outputs.empty() || !ListMidiDevices().inputs.empty())
            QSKIP("this machine has MIDI devices");
        StartShellWithUi();
        EditorWindow* editor = OpenRamp(100);
        QVERIFY(editor);
        QString inputs, outputs;
        ModalDriver driver([&](QDialog* d) {
            inputs = ListEntries(Find<QListWidget>(d, "inputDriver")).join("|");
            outputs = ListEntries(Find<QListWidget>(d, "outputDriver")).join("|");
            Finish(d, true);
        });
        frame_->RunCommand(40005);
        QVERIFY(driver.driven);
        QCOMPARE(inputs, QString("None Available"));
        QCOMPARE(outputs, QString("None Available"));
        QVERIFY(Saw("Initialization Failed"));
        QCOMPARE(gTransfer.lastResult, int32_t(kTransferInitFailed));
    }

    void samplerMenuTypesAndDynamicDialog() {
        StartShellWithUi();
        QCOMPARE(frame_->ActionFor(40301)->text(), QString("S&DS 12 Bit"));
        QVERIFY(frame_->ActionFor(40301)->isChecked());
        frame_->RunCommand(40304);  // Ensoniq EPS: selectable
        QCOMPARE(gSamplerType, int32_t(kSamplerEps));
        QVERIFY(frame_->ActionFor(40304)->isChecked());
        QVERIFY(!frame_->ActionFor(40301)->isChecked());
        gSamplerType = kSamplerAkaiS1000;  // no item of its own: shown as SDS 16 bit
        frame_->RefreshCommands();
        QVERIFY(frame_->ActionFor(40302)->isChecked());

        QVERIFY(frame_->ActionFor(40310)->isChecked());
        frame_->RunCommand(40310);
        QVERIFY(!gSamplerDynamicDialog);
        QVERIFY(gShellSettings.displayFlags & kDisplayNoDynamicDialog);
        QVERIFY(!frame_->ActionFor(40310)->isChecked());
        frame_->RunCommand(40310);
        QVERIFY(gSamplerDynamicDialog);
        QVERIFY(!(gShellSettings.displayFlags & kDisplayNoDynamicDialog));

        // Send with no wave says so without a dialog.
        ui_->boxes.clear();
        frame_->NewWave();
        frame_->RunCommand(40005);
        QVERIFY(Saw("There is no Wave to send!"));
    }
    void korgAndAkaiControlsInTheTransferDialog() {
        StartShellWithUi();
        EditorWindow* editor = OpenRamp(100);
        QVERIFY(editor);
        gTransfer.words[kWordMessageFlags] = 0;
        struct Seen {
            bool dss1Shown = false, s612Shown = false, dsm1Shown = false;
            int s612ChannelMax = 0, dsm1MultisoundMax = 0, dsm1BankMax = 0, dss1Multisound = 0;
            bool verboseShown = false;
            int32_t words[kParameterWords] = {};
            QString inputs;
        } seen;
        ModalDriver driver([&](QDialog* d) {
            auto page = [d](const char* name) { return Find<QWidget>(d, name); };
            Find<QRadioButton>(d, "radio7728")->click();  // Korg DSS-1
            QWidget* dss1 = page("dss1Controls");
            seen.dss1Shown = dss1 && dss1->isVisible();
            if (dss1) {
                seen.verboseShown = dss1->findChild<QCheckBox*>("verbose")->isChecked();
                dss1->findChild<QSpinBox*>("channel")->setValue(5);
                dss1->findChild<QSpinBox*>("sound")->setValue(3);
                dss1->findChild<QSpinBox*>("multisound")->setValue(12);
                dss1->findChild<QCheckBox*>("chopToFit")->setChecked(true);
                dss1->findChild<QCheckBox*>("verbose")->setChecked(false);
                seen.inputs = ListEntries(dss1->findChild<QListWidget*>("inputDriver")).join("|");
            }
            Find<QRadioButton>(d, "radio7730")->click();  // Akai S-612: reads the DSS-1 back
            std::copy(gTransfer.words, gTransfer.words + kParameterWords, seen.words);
            QWidget* s612 = page("s612Controls");
            seen.s612Shown = s612 && s612->isVisible() && !dss1->isVisible();
            if (s612) seen.s612ChannelMax = s612->findChild<QSpinBox*>("channel")->maximum();
            Find<QRadioButton>(d, "radio7729")->click();  // Korg DSM-1
            QWidget* dsm1 = page("dsm1Controls");
            seen.dsm1Shown = dsm1 && dsm1->isVisible();
            if (dsm1) {
                seen.dsm1MultisoundMax = dsm1->findChild<QSpinBox*>("multisound")->maximum();
                seen.dsm1BankMax = dsm1->findChild<QSpinBox*>("bank")->maximum();
            }
            Find<QRadioButton>(d, "radio7728")->click();
            if (dss1) seen.dss1Multisound = dss1->findChild<QSpinBox*>("multisound")->value();
            d->reject();
        });
        frame_->RunCommand(40005);
        QVERIFY(driver.driven);
        QCOMPARE(driver.lateRejects, 0);
        QVERIFY(seen.dss1Shown && seen.s612Shown && seen.dsm1Shown);
        QVERIFY(seen.verboseShown);  // quiet bit clear: Verbose checked
        QCOMPARE(seen.words[kWordChannel], 5);
        QCOMPARE(seen.words[kWordSampleNumber], 3);
        QCOMPARE(seen.words[kWordInstrument], 12);
        QCOMPARE(seen.words[kWordOptionFlags] & 1, 1);   // Chop To Fit
        QCOMPARE(seen.words[kWordMessageFlags] & 1, 1);  // Verbose off = quiet
        QCOMPARE(seen.s612ChannelMax, 9);
        QCOMPARE(seen.dsm1MultisoundMax, 8);
        QCOMPARE(seen.dsm1BankMax, 4);
        QCOMPARE(seen.dss1Multisound, 8);  // the DSM-1 page read 12 back as its 8
        if (ListMidiDevices().inputs.empty()) QCOMPARE(seen.inputs, QString("None Available"));
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
    }

    void dss1SendAndS612ReceiveThroughTheirOwnDialogs() {
        StartShellWithUi();
        Simulator sim;
        QVERIFY(sim.Start(temp_->path, {"--dss1"}));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        EditorWindow* editor = OpenRamp(1500);
        QVERIFY(editor);
        gSamplerDynamicDialog = false;
        gSamplerType = kSamplerDss1;
        QString title;
        ModalDriver driver([&](QDialog* d) {
            title = d->windowTitle();
            if (auto* channel = Find<QSpinBox>(d, "channel")) channel->setValue(4);
            if (auto* sound = Find<QSpinBox>(d, "sound")) sound->setValue(2);
            if (auto* multisound = Find<QSpinBox>(d, "multisound")) multisound->setValue(1);
            Finish(d, true);
        });
        frame_->RunCommand(40005);
        QVERIFY(driver.driven);
        QCOMPARE(title, QString("Send: Korg DSS1"));
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(gTransfer.lastResult, int32_t(kTransferOk));
        // Sound 2 of multisound 1 starts at 3000.
        QVERIFY2(sim.Log().contains("rx pcm block 1 start=4000 end=4500 ok"),
                 qPrintable(sim.Log().join("\n")));
        sim.Stop();

        Simulator akai;
        QVERIFY(akai.Start(temp_->path + "/akai", {"--s612"}));
        setenv("ORBICK_MIDI_SOCKET", akai.socket.toLocal8Bit().constData(), 1);
        frame_->CloseAllEditors();
        gSamplerType = kSamplerAkaiS612;
        QString receiveTitle;
        ModalDriver receiver([&](QDialog* d) {
            receiveTitle = d->windowTitle();
            Finish(d, true);
        });
        frame_->RunCommand(40006);
        QVERIFY(receiver.driven);
        QCOMPARE(receiveTitle, QString("Receive: Akai S612"));
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(frame_->Editors().size(), 1);
        const WaveRecord* record = frame_->Editors().front()->Record();
        QVERIFY(WaveHasData(record));
        QCOMPARE(record->frameCount, 32256u);
        QCOMPARE(record->sampleRate, 16000u);
    }

    void ensoniqControlsShowAndReadBackTheContext() {
        StartShellWithUi();
        unsetenv("ORBICK_MIDI_SOCKET");
        TransferContext c;
        InitTransferContext(c, nullptr);
        c.devices = MidiDeviceLists();
        c.channel() = 0;
        c.sampleNumber() = 200;
        c.words[kWordLayer] = 9;
        c.words[kWordInstrument] = 0;
        c.optionFlags() = kOptionCreateWavesample | kOptionCreateInstrument;
        c.messageFlags() = kMessageQuiet;
        EnsoniqControls controls(nullptr);
        controls.Fill(c);
        auto* channel = controls.findChild<QSpinBox*>("ensoniqChannel");
        auto* wave = controls.findChild<QSpinBox*>("ensoniqWave");
        auto* layer = controls.findChild<QSpinBox*>("ensoniqLayer");
        auto* instrument = controls.findChild<QSpinBox*>("ensoniqInstrument");
        QVERIFY(channel && wave && layer && instrument);
        QCOMPARE(channel->value(), 1);
        QCOMPARE(wave->value(), 127);
        QCOMPARE(layer->value(), 8);
        QCOMPARE(instrument->value(), 1);
        QCOMPARE(wave->minimum(), 1);
        QCOMPARE(layer->maximum(), 8);
        QVERIFY(controls.findChild<QCheckBox*>("ensoniqCreateWave")->isChecked());
        QVERIFY(!controls.findChild<QCheckBox*>("ensoniqCreateLayer")->isChecked());
        QVERIFY(controls.findChild<QCheckBox*>("ensoniqCreateInstrument")->isChecked());
        QVERIFY(!controls.findChild<QCheckBox*>("ensoniqVerbose")->isChecked());  // quiet
        QCOMPARE(ListEntries(controls.findChild<QListWidget*>("ensoniqInputDriver")),
                 QStringList{"None Available"});
        QCOMPARE(ListEntries(controls.findChild<QListWidget*>("ensoniqOutputDriver")),
                 QStringList{"None Available"});

        wave->setValue(100);
        layer->setValue(2);
        controls.findChild<QCheckBox*>("ensoniqCreateLayer")->setChecked(true);
        controls.findChild<QCheckBox*>("ensoniqCreateWave")->setChecked(false);
        controls.findChild<QCheckBox*>("ensoniqVerbose")->setChecked(true);
        controls.ReadBack(c);
        QCOMPARE(c.channel(), 1);
        QCOMPARE(c.sampleNumber(), 100);
        QCOMPARE(c.words[kWordLayer], 2);
        QCOMPARE(c.words[kWordInstrument], 1);
        QCOMPARE(c.optionFlags(), kOptionCreateLayer | kOptionCreateInstrument);
        QCOMPARE(c.messageFlags(), 0);
    }

    void ensoniqSendThroughTheTransferDialog() {
        StartShellWithUi();
        Simulator sim;
        QVERIFY(sim.Start(temp_->path, {"--eps", "--eps-tone", "3:2:5:10:14"}));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        gSamplerType = kSamplerEps;
        EditorWindow* editor = OpenRamp(1200);
        QVERIFY(editor);
        const WaveRecord& record = *editor->Record();
        std::vector<float> before(record.leftSamples, record.leftSamples + record.frameCount);
        QVERIFY(StartRecorder(temp_->File("rec.bas").toStdString()) == kRecorderStarted);
        bool shown = false, verbose = false;
        ModalDriver driver(
            [&](QDialog* d) {
                auto* radio = Find<QRadioButton>(d, "radio7725");
                auto* page = Find<QWidget>(d, "ensoniqControls");
                shown = radio && radio->isChecked() && page && page->isVisible();
                if (auto* box = Find<QCheckBox>(d, "ensoniqVerbose")) {
                    verbose = box->isChecked();
                    box->setChecked(false);
                }
                if (auto* box = Find<QSpinBox>(d, "ensoniqWave")) box->setValue(5);
                if (auto* box = Find<QSpinBox>(d, "ensoniqLayer")) box->setValue(2);
                if (auto* box = Find<QSpinBox>(d, "ensoniqInstrument")) box->setValue(3);
                if (auto* box = Find<QSpinBox>(d, "ensoniqChannel")) box->setValue(4);
                Finish(d, true);
            },
            60000);
        frame_->RunCommand(40005);
        StopRecorder();
        QVERIFY(driver.driven);
        QCOMPARE(driver.lateRejects, 0);
        QVERIFY(shown);
        QVERIFY(verbose);  // message flags 0 show Verbose checked
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(gTransfer.lastResult, int32_t(kTransferOk));
        QCOMPARE(gTransfer.messageFlags(), int32_t(kMessageQuiet));
        QFile stored(sim.store + "/eps_2_1_5.txt");
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(stored.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 11 + 1200);
        QCOMPARE(lines[0], QString("name RAMP        "));
        for (int i = 0; i < 1200; ++i)
            if (lines[11 + i].toLong() != Wire16(before[size_t(i)]))
                QFAIL(qPrintable(QString("sample %1: %2").arg(i).arg(lines[11 + i])));
        QVERIFY(sim.Log().contains("rx mode 19"));
        QFile rec(temp_->File("rec.bas"));
        QVERIFY(rec.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(rec.readAll())
                    .contains(QString("obSend %1, 5, 2, 3, 4, 0, 0, 0\n").arg(editor->Number())));
    }

    void ensoniqReceiveThroughTheOwnDialog() {
        StartShellWithUi();
        Simulator sim;
        QVERIFY(sim.Start(temp_->path, {"--eps", "--eps-tone", "1:1:7:1500:28:100:900:3:40"}));
        setenv("ORBICK_MIDI_SOCKET", sim.socket.toLocal8Bit().constData(), 1);
        frame_->CloseAllEditors();
        gSamplerDynamicDialog = false;
        gSamplerType = kSamplerAsr10;
        QString title;
        ModalDriver driver([&](QDialog* d) {
            title = d->windowTitle();
            if (auto* box = Find<QSpinBox>(d, "ensoniqWave")) box->setValue(7);
            if (auto* box = Find<QSpinBox>(d, "ensoniqLayer")) box->setValue(1);
            if (auto* box = Find<QSpinBox>(d, "ensoniqInstrument")) box->setValue(1);
            Finish(d, true);
        });
        frame_->RunCommand(40006);
        QVERIFY(driver.driven);
        QCOMPARE(driver.lateRejects, 0);
        QCOMPARE(title, QString("Receive: Ensoniq ASR-10"));
        QVERIFY2(ui_->boxes.empty(), ui_->boxes.empty() ? "" : ui_->boxes.front().c_str());
        QCOMPARE(frame_->Editors().size(), 1);
        const WaveRecord* record = frame_->Editors().front()->Record();
        QVERIFY(WaveHasData(record));
        QCOMPARE(record->frameCount, 1500u);
        QCOMPARE(record->sampleRate, 1000000000u / (28u * 1600u));
        QCOMPARE(QString::fromStdString(record->name), QString("SIM TONE"));
        QCOMPARE(record->sustainLoopId, 0);
        QVERIFY(record->loops && record->loops->start == 100 && record->loops->end == 900 &&
                record->loops->type == 1);
        QVERIFY(record->stateFlags & kStateChanged);
    }
};

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    SamplerWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "sampler_window_tests.moc"
