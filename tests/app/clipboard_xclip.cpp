// The system clipboard on a real X server (run under Xvfb): a copy is read
// by another program (xclip) and decoded by sox to the same samples, and a
// WAV that another program put on the clipboard is pasted into an empty
// editor as the samples sox decodes from it. Exit 0 when every check holds,
// 1 when one fails, 77 when xclip or sox is missing.
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "shell_test_support.h"
#include "wave/wave_record.h"

using namespace ob;

namespace {

int gFailures = 0;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "FAIL: %s\n", what);
        ++gFailures;
    }
}

// Runs a program while the event loop goes on serving the clipboard.
QByteArray Run(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    process.start(program, args);
    loop.exec();
    if (process.state() != QProcess::NotRunning) process.kill();
    process.waitForFinished(1000);
    if (status) *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

std::vector<float> Floats(const QByteArray& bytes) {
    std::vector<float> v(size_t(bytes.size()) / 4);
    std::memcpy(v.data(), bytes.constData(), v.size() * 4);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (QStandardPaths::findExecutable("xclip").isEmpty() ||
        QStandardPaths::findExecutable("sox").isEmpty()) {
        std::puts("clipboard_xclip: xclip or sox missing, skipped");
        return 77;
    }
    shelltest::TempFolder folder;
    QString wav = folder.File("in.wav");
    if (!shelltest::WriteTestWav(wav, 2, 3000, "In")) return 1;
    MainFrame* frame = shelltest::Start(folder.path, wav);
    WaveRecord* r = frame->ActiveEditor()->Record();
    gEditing.affectArea = kAffectMarkers;
    SetMarker(*r, 500, 0, nullptr);
    SetMarker(*r, 1499, 1, nullptr);

    // Copy; xclip reads the "audio/wav" target, sox decodes it.
    frame->RunCommand(41310);
    int status = 0;
    QByteArray image = Run("xclip", {"-selection", "clipboard", "-t", "audio/wav", "-o"}, &status);
    Check(status == 0 && image.size() == 44 + 1000 * 2 * 4, "xclip reads the copied image");
    QString copied = folder.File("copied.wav");
    QFile file(copied);
    if (file.open(QIODevice::WriteOnly)) file.write(image);
    file.close();
    std::vector<float> decoded = Floats(Run("sox", {copied, "-t", "f32", "-"}, &status));
    std::vector<float> want;
    for (uint32_t i = 500; i < 1500; ++i) {
        want.push_back(r->leftSamples[i]);
        want.push_back(r->rightSamples[i]);
    }
    Check(status == 0 && decoded == want, "sox decodes the copy as the same samples");

    // Another program's 16-bit mono WAV on the clipboard, pasted into an empty editor.
    QString other = folder.File("other.wav");
    Run("sox", {"-n", "-r", "22050", "-b", "16", "-c", "1", other, "synth", "0.05", "sine", "300",
                "vol", "0.7"});
    Run("xclip", {"-selection", "clipboard", "-t", "audio/wav", "-i", other}, &status);
    Check(status == 0, "xclip takes the file");
    // Let the clipboard's owner change reach the window system queue.
    QEventLoop wait;
    QTimer::singleShot(300, &wait, &QEventLoop::quit);
    wait.exec();
    EditorWindow* empty = frame->NewEditor();
    QCoreApplication::processEvents();
    WaveRecord* e = empty->Record();
    if (frame->ActiveEditor() != empty) Check(false, "the new editor is the active one");
    frame->RunCommand(41311);
    std::vector<float> reference = Floats(Run("sox", {other, "-t", "f32", "-"}));
    Check(WaveHasData(e) && e->rightSamples == nullptr, "the paste made a mono wave");
    Check(WaveHasData(e) && e->sampleRate == 22050, "with the file's rate");
    Check(WaveHasData(e) &&
              std::vector<float>(e->leftSamples, e->leftSamples + e->frameCount) == reference,
          "the pasted samples are those sox decodes");
    std::printf("clipboard_xclip: %d failures\n", gFailures);
    std::fflush(stdout);
    std::_Exit(gFailures ? 1 : 0);
}
