// The window side of playback and recording, with the file device: Play and
// Space from the window, the play position line, the record window recording
// a known input and opening the file, the preferences dialogs' records, the
// keyboard window's pitch and sustain loop, scrub mode, the Open dialog's
// preview and the effect dialogs' Preview.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "app/audio_dialogs.h"
#include "app/editor_view.h"
#include "app/editor_window.h"
#include "app/keyboard_window.h"
#include "app/main_frame.h"
#include "app/operation_dialog.h"
#include "app/qt_user_interface.h"
#include "app/record_window.h"
#include "app/shell_startup.h"
#include "app/transport.h"
#include "audio/audio_clock.h"
#include "audio/play_fill.h"
#include "audio/recorder.h"
#include "audio/scrub.h"
#include "dsp/delay.h"
#include "dsp/operation.h"
#include "dsp/preset_list.h"
#include "script/host_state.h"
#include "script/recorder.h"
#include "script/settings_store.h"
#include "tests/audio/audio_test_support.h"

using namespace ob;

namespace {

// Lets a number of device waits pass, then holds the playback thread until
// given more (so a test decides how far a held note or a playback gets).
class CountdownClock : public AudioClock {
  public:
    int64_t NowNs() override { return now_.load(); }
    void WaitUntilNs(int64_t ns, const std::atomic<bool>& cancel) override {
        while (budget.load() <= 0 && !cancel.load()) {
            blocked = true;
            usleep(200);
        }
        blocked = false;
        budget.fetch_sub(1);
        int64_t current = now_.load();
        while (current < ns && !now_.compare_exchange_weak(current, ns)) {
        }
    }
    std::atomic<int> budget{0};
    std::atomic<bool> blocked{false};

  private:
    std::atomic<int64_t> now_{0};
};

// Records message boxes and answers questions with Yes, so no box waits for a user.
class TestUi : public QtUserInterface {
  public:
    explicit TestUi(MainFrame* frame) : QtUserInterface(frame) {}
    void MessageBox(void*, const std::string& caption, const std::string& text) override {
        boxes.push_back(caption + ": " + text);
    }
    QuestionAnswer Ask(void*, const std::string&, const std::string& text, QuestionButtons,
                       QuestionAnswer) override {
        questions.push_back(text);
        return kAnswerYes;
    }
    bool Saw(const std::string& text) const {
        for (const std::string& b : boxes)
            if (b.find(text) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> boxes, questions;
};

// Waits (handling events) until `done` or about five seconds passed.
template <class Done>
bool WaitFor(Done done) {
    for (int i = 0; i < 2500 && !done(); ++i) {
        QCoreApplication::processEvents();
        usleep(2000);
    }
    return done();
}

}  // namespace

class AudioWindowTest : public QObject {
    Q_OBJECT
  private:
    TempDir dir_;
    std::string out_ = dir_ / "out.wav";
    std::string in_ = dir_ / "in.wav";
    MainFrame* frame_ = nullptr;
    TestUi* ui_ = nullptr;

    void UseFileDevice(std::shared_ptr<AudioClock> clock, bool withInput = false,
                       std::vector<uint32_t> rates = {}) {
        FileDeviceConfig config;
        config.rates = std::move(rates);
        config.outputPath = out_;
        if (withInput) config.inputPath = in_;
        SetAudioBackend(MakeFileBackend(config, std::move(clock)));
    }
    // An editor window holding a new sound.
    EditorWindow* Editor(uint32_t frames, bool stereo,
                         const std::function<float(int, uint32_t)>& f) {
        WaveRecord* record = MakeWave(frames, stereo, f);
        if (!record) return nullptr;
        frame_->AdoptNewEditors();
        for (EditorWindow* e : frame_->Editors())
            if (e->Record() == record) {
                frame_->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(e->parentWidget()));
                MakeEditorActive(e->Number());
                e->RebuildView();
                return e;
            }
        return nullptr;
    }
    WavData Output() {
        WavData w;
        ReadWav(out_, w);
        return w;
    }

  private slots:
    void initTestCase() {
        const std::string device = "file:" + out_ + ",clock=virtual";
        setenv("ORBICK_AUDIO", device.c_str(), 1);
        SetAudioBackend(nullptr);  // chosen again from the environment
        ShellOptions options;
        options.configDir = QString::fromStdString(dir_.path.string());
        options.showTip = false;
        frame_ = StartShell(options);
        QVERIFY(frame_);
        ui_ = new TestUi(frame_);
        SetUserInterface(ui_);
        frame_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame_));
    }
    void cleanupTestCase() {
        StopShell(frame_);
        delete ui_;
        SetUserInterface(nullptr);
        SetAudioBackend(nullptr);
    }
    void init() {
        StopPlay();
        gPlayPrefs = PlayPrefs{};
        SetAudioBackend(nullptr);
    }
    void cleanup() {
        StopPlay();
        for (EditorWindow* e : frame_->Editors()) {
            e->Record()->stateFlags &= ~kStateChanged;
            e->parentWidget()->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The device list of the file device is what the preferences count.
    void outputDevicesAreCounted() {
        QCOMPARE(WaveOutputDeviceCount(), 1);
        QCOMPARE(int(Audio().OutputDevices().size()), 1);
    }

    void playFromTheWindowWritesTheSoundsFrames() {
        EditorWindow* editor =
            Editor(5000, true, [](int c, uint32_t i) { return Out16(c == 0 ? int(i) : -int(i)); });
        QVERIFY(editor);
        QVERIFY(frame_->ActionFor(40011)->isEnabled());
        frame_->ActionFor(40011)->trigger();
        QVERIFY(WaitFor([] { return !PlayerOpen(); }));  // the end closes the player
        WavData w = Output();
        QCOMPARE(w.channels, 2u);
        QCOMPARE(w.rate, 44100u);
        QVERIFY(w.Frames() >= 5000);
        for (size_t i = 0; i < 5000; ++i) {
            QCOMPARE(w.At(i, 0), int32_t(i));
            QCOMPARE(w.At(i, 1), -int32_t(i));
        }
        for (size_t i = 5000; i < w.Frames(); ++i) QCOMPARE(w.At(i, 0), 0);
    }

    void editAndPlayPlaysTheEditedArea() {
        EditorWindow* editor = Editor(3000, false, [](int, uint32_t i) { return Out16(int(i)); });
        QVERIFY(editor);
        WaveRecord* r = editor->Record();
        r->mouseStart = 1000;
        r->mouseLength = 500;
        r->mouseChannels = 1;
        gEditing.affectArea = kAffectMouse;
        gProcessing.editAndPlay = true;
        const uint32_t smoothing = gProcessing.smoothingOptions;
        gProcessing.smoothingOptions = 0;  // the edges exactly inverted
        frame_->RunCommand(41112);         // Invert
        gProcessing.smoothingOptions = smoothing;
        gProcessing.editAndPlay = false;
        gEditing.affectArea = kAffectAll;
        QVERIFY(WaitFor([] { return !PlayerOpen(); }));
        WavData w = Output();
        // Play Affect loops the area as a whole: the iterations of the
        // preferences (3) passes of exactly the 500 edited frames.
        QVERIFY(w.Frames() >= 1500);
        for (size_t i = 0; i < 1500; ++i) QCOMPARE(w.At(i), -int32_t(1000 + i % 500));
        for (size_t i = 1500; i < w.Frames(); ++i) QCOMPARE(w.At(i), 0);
    }

    void spaceTogglesAndThePositionLineFollows() {
        auto clock = std::make_shared<CountdownClock>();
        UseFileDevice(clock);
        gPlayPrefs.bufferSize = 1;
        EditorWindow* editor =
            Editor(200000, false, [](int, uint32_t i) { return Out16(i % 1000); });
        QVERIFY(editor);
        auto* view = qobject_cast<EditorView*>(editor->View());
        QVERIFY(view);
        view->setFocus();
        clock->budget = 3;
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(PlaybackRunning());
        QCOMPARE(PlayedEditor(), editor->Number());
        QVERIFY(WaitFor([&] { return clock->blocked.load(); }));
        PlayPositionTimer::Instance()->Tick();
        QVERIFY(view->PlayPositionShown() > 0);
        QVERIFY(view->PlayPositionShown() < 200000);
        QVERIFY(frame_->ActionFor(40014)->isEnabled());
        // Space again stops, and the line goes.
        QTest::keyClick(view, Qt::Key_Space);
        QVERIFY(!PlayerOpen());
        PlayPositionTimer::Instance()->Tick();
        QCOMPARE(view->PlayPositionShown(), qint64(-1));
        QVERIFY(!frame_->ActionFor(40014)->isEnabled());
    }

    void recordWindowRecordsTheInputAndOpensIt() {
        // A known stereo input: two different ramps.
        std::vector<int16_t> input;
        for (int i = 0; i < 6000; ++i) {
            input.push_back(int16_t(i * 5 - 15000));
            input.push_back(int16_t(7000 - i));
        }
        WriteWav16(in_, 44100, 2, input);
        UseFileDevice(MakeVirtualClock(), true);
        gRecordPrefs = kRecordPresets[1];  // CD quality, stereo
        EditorWindow* editor = Editor(0, false, [](int, uint32_t) { return 0.0f; });
        QVERIFY(editor);
        static QString path;
        path = QString::fromStdString(dir_ / "take.wav");
        // The file question answers with the path (the Open dialog's own
        // driving is tested with the preview).
        gAskRecordPath = [](QWidget*) { return path; };
        QStringList seen;
        bool recorded = false;
        QTimer driver;
        driver.setInterval(20);
        QList<QWidget*> handled;  // each window is listed once, however many ticks it takes
        connect(&driver, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            const bool first = !handled.contains(modal);
            if (first) {
                handled << modal;
                seen << modal->windowTitle();
            }
            if (modal->objectName() == "recordWindow") {
                if (!recorded) {
                    modal->findChild<QPushButton*>("record")->click();
                    RecorderWaitForInputEnd();
                    recorded = true;
                } else {
                    modal->findChild<QPushButton*>("close")->click();
                }
            } else {
                modal->close();
            }
        });
        driver.start();
        QTimer::singleShot(8000, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        frame_->RunCommand(40008);
        driver.stop();
        gAskRecordPath = AskRecordPath;
        QVERIFY2(seen == QStringList({"Record"}), qPrintable(seen.join(" / ")));
        // The file equals the input, sample for sample, and opened in the editor.
        WavData w;
        QVERIFY(ReadWav(path.toStdString(), w));
        QCOMPARE(w.channels, 2u);
        QCOMPARE(w.rate, 44100u);
        QCOMPARE(w.dataSize, uint32_t(input.size() * 2));
        QCOMPARE(w.riffSize, uint32_t(w.fileSize - 8));
        for (size_t i = 0; i < input.size(); ++i) QCOMPARE(w.samples[i], int32_t(input[i]));
        WaveRecord* record = editor->Record();
        QCOMPARE(record->frameCount, 6000u);
        QCOMPARE(record->filePath, path.toStdString());
        QVERIFY(!(record->stateFlags & kStateChanged));
        QVERIFY(record->rightSamples);
        QCOMPARE(int(std::lround(record->leftSamples[10] * 32768)), 10 * 5 - 15000);
        QCOMPARE(int(std::lround(record->rightSamples[5999] * 32768)), 7000 - 5999);
    }

    void recordWindowControlsDriveTheRecorder() {
        std::vector<int16_t> input(3000);
        for (int i = 0; i < 3000; ++i) input[i] = int16_t(i % 2 ? 30000 : -100);
        WriteWav16(in_, 22050, 1, input);
        UseFileDevice(MakeVirtualClock(), true);
        gRecordPrefs = kRecordPresets[5];  // Multimedia quality, stereo: 22050 Hz
        gRecordPrefs.channels = 1;
        WaveRecord* record = MakeWave(0, false, [](int, uint32_t) { return 0.0f; });
        record->filePath = dir_ / "controls.wav";
        RecordWindow window(frame_, record);
        QVERIFY(window.Opened());
        window.findChild<QPushButton*>("record")->click();
        RecorderWaitForInputEnd();
        window.Refresh();
        QCOMPARE(window.findChild<QLabel*>("size")->text(), QString("3000 pts"));
        // A meter above the clip level; the held peak stays after Reset Peak clears it.
        auto* held = window.findChild<LevelMeter*>("meter2");
        QCOMPARE(held->Value(), 30000);
        window.findChild<QPushButton*>("resetPeak")->click();
        QCOMPARE(held->Value(), 0);
        window.findChild<QLineEdit*>("offset")->setText("5000");
        window.findChild<QPushButton*>("goToOffset")->click();
        QCOMPARE(window.findChild<QLabel*>("position")->text(), QString("3000 pts"));
        window.findChild<QPushButton*>("goToStart")->click();
        QCOMPARE(window.findChild<QLabel*>("position")->text(), QString("0 pts"));
        window.findChild<QPushButton*>("play")->click();
        QVERIFY(WaitFor([] { return !PlayerOpen(); }));
        WavData played = Output();
        QCOMPARE(played.rate, 22050u);
        QVERIFY(played.Frames() >= 3000);
        // The file's 16-bit values come back through floats (/ 32768) and the
        // player's conversion (x 32767, truncated).
        for (size_t i = 0; i < 3000; ++i)
            QVERIFY(std::fabs(played.At(i) - input[i] * 32767.0 / 32768.0) < 1.0);
        window.findChild<QCheckBox*>("autoLoad")->setChecked(false);
        window.accept();
        QVERIFY(!window.Loaded());
        QCOMPARE(record->frameCount, 0u);
        WavData kept;
        QVERIFY(ReadWav(record->filePath, kept));
        QCOMPARE(kept.dataSize, 6000u);
    }

    void playPreferencesDialogRoundTripsItsRecord() {
        const QString path = QString::fromStdString(dir_ / "prefs.obxp");
        PlayPrefs wanted;
        wanted.iterations = 17;
        wanted.transpose = -5;
        wanted.channel = 2;
        wanted.loopChoice = 1;
        wanted.loopDirection = 2;
        wanted.bufferSize = 3;
        wanted.flags = kPlayLock44k | kPlay24Bit;
        wanted.attenuation = 12;
        {
            PlayPrefsDialog dialog(frame_);
            dialog.askPath = [&](QWidget*, bool save) { return save ? path : QString(); };
            dialog.Show(wanted);
            dialog.findChild<QPushButton*>("savePref")->click();
            dialog.reject();  // Cancel: the settings stay as they were
        }
        QCOMPARE(gPlayPrefs.iterations, PlayPrefs{}.iterations);
        PlayPrefs read;
        QCOMPARE(ReadPlayPrefsFile(path.toStdString(), read), 0);
        QCOMPARE(read.iterations, 17);
        QCOMPARE(read.transpose, -5);
        QCOMPARE(read.attenuation, 12);
        {
            StartRecorder(dir_ / "macro.bas");
            PlayPrefsDialog dialog(frame_);
            dialog.askPath = [&](QWidget*, bool save) { return save ? QString() : path; };
            dialog.findChild<QPushButton*>("loadPref")->click();
            QCOMPARE(dialog.findChild<QSpinBox*>("iterations")->value(), 17);
            QCOMPARE(dialog.findChild<QSpinBox*>("transpose")->value(), -5);
            QCOMPARE(dialog.findChild<QComboBox*>("attenuation")->currentText(), QString("-12 dB"));
            QCOMPARE(dialog.findChild<QComboBox*>("channel")->currentIndex(), 2);
            QVERIFY(dialog.findChild<QCheckBox*>("highRes")->isChecked());
            QVERIFY(!dialog.findChild<QCheckBox*>("showPosition")->isChecked());
            dialog.accept();
            StopRecorder();
        }
        uint8_t a[kPlayPrefsBytes], b[kPlayPrefsBytes];
        PlayPrefsToRecord(gPlayPrefs, a);
        PlayPrefsToRecord(read, b);
        QVERIFY(std::memcmp(a, b, kPlayPrefsBytes) == 0);
        std::vector<uint8_t> macro = ReadBytes(dir_ / "macro.bas");
        const std::string text(macro.begin(), macro.end());
        QVERIFY(text.find("obLoadPlayPrefs \"" + path.toStdString() + "\"") != std::string::npos);
        // A file that is no preference file: the reading error, nothing changes.
        ui_->boxes.clear();
        {
            PlayPrefsDialog dialog(frame_);
            dialog.askPath = [&](QWidget*, bool) { return QString::fromStdString(in_); };
            WriteWav16(in_, 44100, 1, {1, 2, 3});
            dialog.findChild<QPushButton*>("loadPref")->click();
            QCOMPARE(dialog.findChild<QSpinBox*>("iterations")->value(), 17);
            dialog.reject();
        }
        QVERIFY(ui_->Saw("Error Reading Play Preference File"));
    }

    void recordPreferencesDialogRoundTripsItsRecord() {
        PresetList list;
        std::vector<uint8_t> builtIns(size_t(kRecordPresetCount) * kRecordPrefsBytes);
        for (int i = 0; i < kRecordPresetCount; ++i)
            RecordPrefsToRecord(kRecordPresets[i], builtIns.data() + size_t(i) * kRecordPrefsBytes);
        std::filesystem::create_directories(dir_ / "no-presets");
        QCOMPARE(BuildPresetList(dir_ / "no-presets", "RCPF", kRecordPrefsBytes, builtIns.data(),
                                 kRecordPresetCount, list),
                 0);
        const QString path = QString::fromStdString(dir_ / "rec.obxr");
        gRecordPrefs = kRecordPresets[0];
        {
            RecordPrefsDialog dialog(frame_, list);
            auto* box = dialog.findChild<QComboBox*>("preset");
            QCOMPARE(box->count(), kRecordPresetCount);
            QCOMPARE(box->itemText(15), QString("High Resolution double DAT rate, stereo"));
            // Choosing the last built-in shows its values.
            box->setCurrentIndex(15);
            emit box->activated(15);
            QVERIFY(dialog.findChild<QRadioButton*>("stereo")->isChecked());
            QVERIFY(dialog.findChild<QRadioButton*>("large")->isChecked());
            QVERIFY(dialog.findChild<QRadioButton*>("rateCustom")->isChecked());
            QCOMPARE(dialog.findChild<QLineEdit*>("customRate")->text(), QString("96000"));
            QVERIFY(dialog.findChild<QCheckBox*>("highRes")->isChecked());
            QCOMPARE(dialog.findChild<QComboBox*>("driver")->count(), 1);
            dialog.askPath = [&](QWidget*, bool) { return path; };
            dialog.findChild<QPushButton*>("savePreset")->click();
            dialog.reject();
        }
        QCOMPARE(gRecordPrefs.channels, 1);  // Cancel keeps the settings
        RecordPrefs read;
        QCOMPARE(ReadRecordPrefsFile(path.toStdString(), 1, read), 0);
        QCOMPARE(read.channels, 2);
        QCOMPARE(read.bufferSize, 1);
        QCOMPARE(read.rateChoice, 3);
        QCOMPARE(read.customRate, 96000);
        QCOMPARE(read.flags, kRecord24Bit);
        QCOMPARE(read.name, std::string("High Resolution double DAT rate, stereo"));
        {
            RecordPrefsDialog dialog(frame_, list);
            dialog.askPath = [&](QWidget*, bool) { return path; };
            dialog.findChild<QPushButton*>("loadPreset")->click();
            // A custom rate below 100 becomes 100.
            dialog.findChild<QLineEdit*>("customRate")->setText("99");
            dialog.accept();
        }
        QCOMPARE(gRecordPrefs.channels, 2);
        QCOMPARE(gRecordPrefs.rateChoice, 3);
        QCOMPARE(gRecordPrefs.customRate, 100);
        QCOMPARE(gRecordPrefs.flags, kRecord24Bit);
        QCOMPARE(gRecordPrefs.name, read.name);
        gRecordPrefs = kRecordPresets[0];
    }

    void keyboardNoteAnOctaveUpPlaysAtTwiceTheSpeed() {
        // A device that takes only 44100 Hz: the note plays every second frame.
        UseFileDevice(MakeVirtualClock(), false, {44100});
        gPlayPrefs.iterations = 1;
        EditorWindow* editor = Editor(3000, false, [](int, uint32_t i) { return Out16(int(i)); });
        QVERIFY(editor);
        WaveRecord* r = editor->Record();
        r->keyLow = 48;
        r->keyHigh = 84;
        r->keyRoot = 60;
        frame_->RunCommand(40920);
        KeyboardWindow* keyboard = KeyboardWindow::Instance();
        QVERIFY(keyboard);
        PianoKeys* keys = keyboard->Keys();
        QTest::mousePress(keys, Qt::LeftButton, {}, keys->KeyRect(72).center() + QPoint(0, 30));
        QCOMPARE(keyboard->HeldKey(), 72);
        QCOMPARE(CurrentPlayerInfo().playRate, 88200u);
        QTest::mouseRelease(keys, Qt::LeftButton, {}, keys->KeyRect(72).center() + QPoint(0, 30));
        QCOMPARE(keyboard->HeldKey(), -1);
        QVERIFY(WaitFor([] { return !PlayerOpen(); }));
        WavData w = Output();
        QVERIFY(w.Frames() >= 1500);
        for (size_t i = 0; i < 1500; ++i) QCOMPARE(w.At(i), int32_t(2 * i));
        for (size_t i = 1500; i < w.Frames(); ++i) QCOMPARE(w.At(i), 0);
        // Outside the key range nothing plays.
        QCOMPARE(keyboard->NoteOn(85), kNoteOutsideKeyRange);
        QVERIFY(!PlayerOpen());
        keyboard->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void keyboardHeldNoteLoopsTheSustainLoop() {
        auto clock = std::make_shared<CountdownClock>();
        UseFileDevice(clock);
        gPlayPrefs.bufferSize = 1;  // 4096 frames a buffer
        EditorWindow* editor = Editor(2000, false, [](int, uint32_t i) { return Out16(int(i)); });
        QVERIFY(editor);
        WaveRecord* r = editor->Record();
        r->keyLow = 0;
        r->keyHigh = 127;
        r->keyRoot = 60;
        QVERIFY(SetLoop(*r, 500, 999, 0, 0));
        r->sustainLoopId = 0;
        frame_->RunCommand(40920);
        KeyboardWindow* keyboard = KeyboardWindow::Instance();
        QVERIFY(keyboard);
        // The key "z" is the root's C.
        clock->budget = 4;
        QTest::keyPress(keyboard, Qt::Key_Z, {}, -1);
        QCOMPARE(keyboard->HeldKey(), 60);
        QVERIFY(WaitFor([&] { return clock->blocked.load() && clock->budget.load() <= 0; }));
        QTest::keyRelease(keyboard, Qt::Key_Z, {}, -1);
        QCOMPARE(keyboard->HeldKey(), -1);
        clock->budget = 1 << 30;
        QVERIFY(WaitFor([] { return !PlayerOpen(); }));
        WavData w = Output();
        // Up to the loop end, whole passes of the loop while held, then the tail.
        size_t i = 0;
        for (; i < 1000; ++i) QCOMPARE(w.At(i), int32_t(i));
        int passes = 0;
        while (i + 500 <= w.Frames() && w.At(i) == 500) {
            for (int k = 0; k < 500; ++k) QCOMPARE(w.At(i + k), int32_t(500 + k));
            i += 500;
            ++passes;
        }
        QVERIFY(passes >= 5);
        for (int k = 0; k < 1000; ++k) QCOMPARE(w.At(i + k), int32_t(1000 + k));
        keyboard->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void scrubPlaysTheDraggedPart() {
        auto clock = std::make_shared<CountdownClock>();
        UseFileDevice(clock);
        EditorWindow* editor =
            Editor(44100, false, [](int, uint32_t i) { return Out16(i % 20000 + 1); });
        QVERIFY(editor);
        frame_->RunCommand(41003);
        QVERIFY(frame_->ActionFor(41003)->isChecked());
        auto* view = qobject_cast<EditorView*>(editor->View());
        QCOMPARE(view->Mode(), int(kModeScrub));
        const QRectF lanes = view->Layout().lanesArea;
        const QPoint start(int(lanes.left() + 10), int(lanes.center().y()));
        QTest::mousePress(view, Qt::LeftButton, {}, start);
        QVERIFY(Scrubbing());
        QVERIFY(PlaybackRunning());
        // The pointer moves before the device may play on, so every block it
        // plays from here chases the new position (the device thread cannot
        // use up its blocks at the old one before the move arrives).
        QTest::mouseMove(view, start + QPoint(200, 0));
        clock->budget = 4;
        QVERIFY(WaitFor([&] { return clock->blocked.load() && clock->budget.load() <= 0; }));
        QTest::mouseRelease(view, Qt::LeftButton, {}, start + QPoint(200, 0));
        QVERIFY(!Scrubbing());
        QVERIFY(!PlayerOpen());
        // The drag to the right played the sound forward: rising values.
        WavData w = Output();
        int rising = 0;
        for (size_t i = 1; i < w.Frames(); ++i)
            if (w.At(i) > w.At(i - 1)) ++rising;
        QVERIFY2(rising > 1000, qPrintable(QString("%1 rising of %2").arg(rising).arg(w.Frames())));
        frame_->RunCommand(41000);
    }

    void effectPreviewPlaysTheEffectAndStops() {
        // Loud and quiet noise, so the echo passes full scale.
        auto burst = [](int, uint32_t i) {
            uint32_t h = (i + 1) * 2654435761u;
            h ^= h >> 15;
            h *= 2246822519u;
            float level = (i / 2000) % 2 ? 0.9f : 0.01f;
            return float(int32_t(h % 20001) - 10000) / 10000.0f * level;
        };
        EditorWindow* editor = Editor(30000, false, burst);
        QVERIFY(editor);
        WaveRecord* record = editor->Record();
        const std::vector<float> dry(record->leftSamples, record->leftSamples + 30000);
        bool opened = false, played = false, refused = false, idleAfterRefusal = false;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<OperationDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            opened = dialog->PreviewButton() != nullptr;
            dialog->findChild<QLineEdit*>("delay")->setText("0.050");
            dialog->findChild<QLineEdit*>("feedback")->setText("60");
            dialog->findChild<QLineEdit*>("loudness")->setText("80");
            if (opened) {
                dialog->PreviewButton()->click();
                // The end of the area ends the preview and releases the button.
                played = dialog->Previewing() &&
                         WaitFor([&] { return !dialog->Previewing() && !PlayerOpen(); }) &&
                         !dialog->PreviewButton()->isChecked();
                // A line longer than the area: the operation's refusal, nothing plays.
                dialog->findChild<QLineEdit*>("delay")->setText("5");
                dialog->PreviewButton()->click();
                refused = ui_->Saw("Edit Size Too Small For Effect");
                idleAfterRefusal =
                    !dialog->Previewing() && !PlayerOpen() && !dialog->PreviewButton()->isChecked();
            }
            dialog->reject();
        });
        QTimer::singleShot(8000, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        QCOMPARE(RunOperationDialog(editor, kOperationEcho), -1);
        QVERIFY(opened);
        QVERIFY(played);
        QVERIFY(refused);
        QVERIFY(idleAfterRefusal);
        // The wave is unchanged; the device got the 16-bit form of the echo.
        for (uint32_t i = 0; i < 30000; ++i) QCOMPARE(record->leftSamples[i], dry[i]);
        WavData w = Output();
        const uint32_t smoothing = gProcessing.smoothingOptions;
        gProcessing.smoothingOptions = 0;
        QCOMPARE(Echo(*record, {0.05, 60, 80}), int(kEditDone));
        gProcessing.smoothingOptions = smoothing;
        QVERIFY(w.Frames() >= 30000);
        int saturated = 0;
        for (uint32_t i = 0; i < 30000; ++i) {
            QCOMPARE(w.At(i), ToOutput16(record->leftSamples[i]));
            saturated += std::fabs(record->leftSamples[i]) > 1;
        }
        QVERIFY(saturated > 0);
    }

    void effectPreviewStopsByItsButtonAndWithTheDialog() {
        auto clock = std::make_shared<CountdownClock>();
        UseFileDevice(clock);
        gPlayPrefs.bufferSize = 1;
        EditorWindow* editor = Editor(200000, true, [](int c, uint32_t i) {
            return float((i * (c ? 7 : 13)) % 2000) / 4000.0f - 0.25f;
        });
        QVERIFY(editor);
        bool started = false, stoppedByButton = false, restarted = false, changed = false;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<OperationDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->PreviewButton()) {
                if (dialog) dialog->reject();
                return;
            }
            QPushButton* button = dialog->PreviewButton();
            button->click();
            started = dialog->Previewing() && PlaybackRunning() && button->isChecked();
            button->click();
            stoppedByButton = !dialog->Previewing() && !PlayerOpen() && !button->isChecked();
            button->click();
            restarted = dialog->Previewing() && PlayerOpen();
            // A new value and a new enclosure while it plays: it goes on.
            dialog->findChild<QLineEdit*>("decay")->setText("0.5");
            dialog->findChild<QRadioButton*>("enclosure2")->click();
            clock->budget = 2;
            changed = WaitFor([&] { return clock->blocked.load() && clock->budget.load() <= 0; }) &&
                      dialog->Previewing();
            dialog->reject();  // closing stops it
        });
        QTimer::singleShot(8000, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        QCOMPARE(RunOperationDialog(editor, kOperationReverb), -1);
        QVERIFY(started);
        QVERIFY(stoppedByButton);
        QVERIFY(restarted);
        QVERIFY(changed);
        QVERIFY(!PlayerOpen());
    }

    void openDialogPreviewPlaysTheFile() {
        std::vector<int16_t> samples(4000);
        for (int i = 0; i < 4000; ++i) samples[i] = int16_t(i * 3);
        const std::string wav = dir_ / "preview.wav";
        WriteWav16(wav, 44100, 1, samples);
        QString message;
        bool played = false;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog) {
                emit dialog->currentChanged(QString::fromStdString(wav));
                dialog->findChild<QPushButton*>("previewButton")->click();
                played = WaitFor([] { return !PlaybackRunning(); });
                emit dialog->currentChanged(QString::fromStdString(in_));
                WriteWav16(in_, 44100, 1, {});
                std::FILE* f = std::fopen(in_.c_str(), "wb");
                std::fputs("not a sound", f);
                std::fclose(f);
                dialog->findChild<QPushButton*>("previewButton")->click();
                message = dialog->findChild<QLabel*>("previewMessage")->text();
                dialog->reject();
            }
        });
        QTimer::singleShot(6000, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        frame_->OpenWithDialog();
        QVERIFY(played);
        QCOMPARE(message, QString("This format is not supported for preview"));
        WavData w = Output();
        QVERIFY(w.Frames() >= 4000);
        for (size_t i = 0; i < 4000; ++i)
            QVERIFY(std::fabs(w.At(i) - samples[i] * 32767.0 / 32768.0) < 1.0);
    }
};

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    AudioWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "audio_window_tests.moc"
