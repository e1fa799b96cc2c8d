// Screenshots of the audio windows as the X server shows them: the
// Playback Preferences and Record Preferences dialogs, the record window
// recording a loud input (its meters green and red) and the MIDI keyboard
// window. Written as PNG files into the folder given; each is checked for
// drawn pixels (many distinct colours, and the meters' green and red in the
// record window). Exit 0 when every picture passes, 1 otherwise.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "app/audio_dialogs.h"
#include "app/keyboard_window.h"
#include "app/record_window.h"
#include "audio/audio_device.h"
#include "audio/recorder.h"
#include "dsp/preset_list.h"
#include "script/host_state.h"
#include "tests/audio/audio_test_support.h"

using namespace ob;

namespace {

int gFailures = 0;

// Shows `window`, grabs it from the screen, saves it and checks it.
QImage Shoot(QWidget& window, const QString& folder, const char* name) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "%s: the window was never shown\n", name);
        ++gFailures;
        return QImage();
    }
    QTest::qWait(250);
    window.repaint();
    QTest::qWait(100);
    const QImage image = window.screen()->grabWindow(window.winId()).toImage();
    const QString path = folder + "/" + name;
    if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++gFailures;
    }
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y) & 0xffffff);
    const bool ok = image.width() > 100 && image.height() > 80 && colours.size() >= 8;
    std::printf("%s: %dx%d, %lld colours%s\n", name, image.width(), image.height(),
                static_cast<long long>(colours.size()), ok ? "" : "  FAIL");
    gFailures += !ok;
    return image;
}

int CountColour(const QImage& image, QColor colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == colour) ++n;
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: audio_screenshots FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    TempDir dir;
    // A loud input: a square wave above the clip level on the left, at half
    // scale on the right.
    std::vector<int16_t> input;
    for (int i = 0; i < 20000; ++i) {
        input.push_back(int16_t(i % 100 < 50 ? 31000 : -31000));
        input.push_back(int16_t(i % 100 < 50 ? 16000 : -16000));
    }
    WriteWav16(dir / "in.wav", 44100, 2, input);
    FileDeviceConfig config;
    config.outputPath = dir / "out.wav";
    config.inputPath = dir / "in.wav";
    SetAudioBackend(MakeFileBackend(config, MakeVirtualClock()));

    {
        PlayPrefsDialog dialog(nullptr);
        Shoot(dialog, folder, "play_prefs_dialog.png");
    }
    {
        PresetList list;
        std::vector<uint8_t> builtIns(size_t(kRecordPresetCount) * kRecordPrefsBytes);
        for (int i = 0; i < kRecordPresetCount; ++i)
            RecordPrefsToRecord(kRecordPresets[i], builtIns.data() + size_t(i) * kRecordPrefsBytes);
        BuildPresetList(dir / "none", "RCPF", kRecordPrefsBytes, builtIns.data(),
                        kRecordPresetCount, list);
        RecordPrefsDialog dialog(nullptr, list);
        Shoot(dialog, folder, "record_prefs_dialog.png");
    }
    {
        gRecordPrefs = kRecordPresets[1];
        WaveRecord* record = MakeWave(0, false, [](int, uint32_t) { return 0.0f; });
        record->filePath = dir / "take.wav";
        RecordWindow window(nullptr, record);
        if (!window.Opened()) {
            std::fprintf(stderr, "the recorder did not open\n");
            return 1;
        }
        window.findChild<QPushButton*>("record")->click();
        RecorderWaitForInputEnd();
        window.Refresh();
        const QImage image = Shoot(window, folder, "record_window.png");
        const int green = CountColour(image, QColor(0, 200, 0));
        const int red = CountColour(image, QColor(255, 0, 0));
        const bool ok = green > 200 && red > 20;
        std::printf("record_window.png: meter green %d, red %d pixels%s\n", green, red,
                    ok ? "" : "  FAIL");
        gFailures += !ok;
        window.accept();
    }
    {
        WaveRecord* record = MakeWave(1000, false, [](int, uint32_t) { return 0.1f; });
        record->keyLow = 48;
        record->keyHigh = 72;
        record->keyRoot = 60;
        MakeEditorActive(record->editorNumber);
        KeyboardWindow window(nullptr);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.RefreshKeyMap();
        Shoot(window, folder, "keyboard_window.png");
    }
    CloseAllEditors();
    SetAudioBackend(nullptr);
    return gFailures ? 1 : 0;
}
