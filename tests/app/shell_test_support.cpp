#include "shell_test_support.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "formats/sound_io.h"
#include "wave/memory.h"
#include "wave/wave_record.h"

namespace shelltest {

TempFolder::TempFolder() {
    QTemporaryDir dir(QDir::tempPath() + "/orbick-shell-XXXXXX");
    dir.setAutoRemove(false);
    path = dir.path();
}

TempFolder::~TempFolder() {
    QDir(path).removeRecursively();
}

bool WriteTestWav(const QString& path, int channels, unsigned frames, const std::string& name,
                  int formatCode) {
    ob::WaveRecord record;
    record.leftSamples = static_cast<float*>(ob::Allocate(frames * 4, ob::kAllocLarge));
    if (channels == 2)
        record.rightSamples = static_cast<float*>(ob::Allocate(frames * 4, ob::kAllocLarge));
    record.frameCount = frames;
    record.viewSpan = frames;
    for (unsigned i = 0; i < frames; ++i) {
        record.leftSamples[i] = float(int(i % 200) - 100) / 128.0f;
        if (record.rightSamples) record.rightSamples[i] = -record.leftSamples[i] / 2;
    }
    record.name = name;
    record.filePath = path.toStdString();
    int result = ob::SaveSound(record, formatCode, 15);
    ob::DiscardWave(record);
    return result == 0;
}

DialogRun DriveDialog(ob::MainFrame* frame, int command, const std::function<void(QDialog*)>& act,
                      bool ok) {
    DialogRun run;
    QPointer<QDialog> first;
    QTimer::singleShot(30, frame, [&] {
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
    frame->RunCommand(command);
    return run;
}

ModalCloser::ModalCloser() {
    connect(&timer_, &QTimer::timeout, this, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
            ++closed;
        }
    });
    timer_.start(20);
}

ob::MainFrame* Start(const QString& folder, const QString& file) {
    ob::ShellOptions options;
    options.configDir = folder;
    options.file = file;
    options.showTip = false;
    return ob::StartShell(options);
}

}  // namespace shelltest
