// The Multi-Clips commands, Delete and Trim, and the system clipboard's Cut,
// Copy and Paste through the command table (offscreen clipboard).
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "app/command_table.h"
#include "app/editor_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "dsp/frame.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/clipboard_image.h"
#include "wave/clips.h"
#include "wave/undo.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
MainFrame* gFrame = nullptr;

std::vector<float> Samples(const float* p, uint32_t first, uint32_t end) {
    return p ? std::vector<float>(p + first, p + end) : std::vector<float>();
}
}  // namespace

void ClipCommandsTest::cleanup() {
    EraseAllClips();
    StopShell(gFrame);
    gFrame = nullptr;
    gEditing = EditingState{};
    gBackups = 1;
}

void ClipCommandsTest::everyClipCommandHasAHandler() {
    for (int id = 41300; id <= 41317; ++id) {
        const Command* c = FindCommand(id);
        QVERIFY(c);
        QVERIFY2(c->handler, qPrintable(QString::number(id)));
    }
}

void ClipCommandsTest::systemCopyCutPasteAndDelete() {
    TempFolder folder;
    QString wav = folder.File("in.wav");
    QVERIFY(WriteTestWav(wav, 2, 4000, "In"));
    gFrame = Start(folder.path, wav);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* editor = gFrame->ActiveEditor();
    WaveRecord* r = editor->Record();
    std::vector<float> left = Samples(r->leftSamples, 0, 4000);
    std::vector<float> right = Samples(r->rightSamples, 0, 4000);
    gBackups = 5;
    gFrame->RunCommand(40102);  // Affect Markers 0, 1
    SetMarker(*r, 1000, 0, nullptr);
    SetMarker(*r, 1999, 1, nullptr);

    // Copy: the clipboard holds a float image of frames 1000..1999.
    QCOMPARE(gFrame->RunCommand(41310), MainFrame::Route::Editor);
    QByteArray bytes = QApplication::clipboard()->mimeData()->data("audio/wav");
    ClipboardAudio audio;
    QCOMPARE(ParseClipboardImage(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                 size_t(bytes.size()), audio),
             int(kImageOk));
    QCOMPARE(int(audio.formatTag), 3);
    QCOMPARE(int(audio.channels), 2);
    QCOMPARE(audio.frames, 1000u);
    std::vector<float> got(1000);
    DecodeClipboardChannel(audio, 1, 0, 1000, got.data());
    QVERIFY(got == Samples(right.data(), 1000, 2000));

    // Delete removes the area; Undo brings it back.
    QCOMPARE(gFrame->RunCommand(41315), MainFrame::Route::Editor);
    QCOMPARE(r->frameCount, 3000u);
    QCOMPARE(r->leftSamples[1000], left[2000]);
    gFrame->RunCommand(41312);
    QCOMPARE(r->frameCount, 4000u);
    QVERIFY(Samples(r->leftSamples, 0, 4000) == left);

    // Cut: copy, then delete; Paste into a new, empty editor.
    gFrame->RunCommand(41309);
    QCOMPARE(r->frameCount, 3000u);
    // Trim keeps the area only (the frames now at 1000..1999).
    QCOMPARE(gFrame->RunCommand(41317), MainFrame::Route::Editor);
    QCOMPARE(r->frameCount, 1000u);
    QCOMPARE(r->leftSamples[0], left[2000]);
    QCOMPARE(r->rightSamples[999], right[2999]);
    gFrame->RunCommand(41312);
    QCOMPARE(r->frameCount, 3000u);

    EditorWindow* second = gFrame->NewEditor();
    QCoreApplication::processEvents();
    QVERIFY(second && second != editor);
    QCOMPARE(gFrame->ActiveEditor(), second);
    WaveRecord* e = second->Record();
    QCOMPARE(gFrame->RunCommand(41311), MainFrame::Route::Editor);
    QCOMPARE(e->frameCount, 1000u);
    QCOMPARE(QString::fromStdString(e->name), QString("Pasted from System"));
    QVERIFY(Samples(e->rightSamples, 0, 1000) == Samples(right.data(), 1000, 2000));

    // Another program's image under the older type name, 16-bit mono.
    QByteArray other(
        "RIFF\x2a\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0"
        "data\x06\0\0\0\0\x40\0\xc0\xff\x7f",
        50);
    auto* data = new QMimeData;
    data->setData("audio/x-wav", other);
    QApplication::clipboard()->setMimeData(data);
    gEditing.affectArea = kAffectAll;
    gFrame->RunCommand(41311);  // replaces the whole wave
    QCOMPARE(e->frameCount, 3u);
    QCOMPARE(e->leftSamples[0], 0.5f);
    QCOMPARE(e->rightSamples[1], -0.5f);  // mono into both channels
    QCOMPARE(e->rightSamples[2], 32767 / 32768.0f);

    SetUserInterface(nullptr);
}

void ClipCommandsTest::multiClipDialogs() {
    TempFolder folder;
    QString wav = folder.File("in.wav");
    QVERIFY(WriteTestWav(wav, 1, 3000, "In"));
    gFrame = Start(folder.path, wav);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    WaveRecord* r = gFrame->ActiveEditor()->Record();
    std::vector<float> left = Samples(r->leftSamples, 0, 3000);
    SetMarker(*r, 100, 2, nullptr);
    SetMarker(*r, 199, 3, nullptr);

    // New clip by markers 2 and 3, named.
    DialogRun run = DriveDialog(
        gFrame, 41300,
        [](QDialog* d) {
            if (auto* name = d->findChild<QLineEdit*>()) name->setText("drums");
            for (QRadioButton* b : d->findChildren<QRadioButton*>())
                if (b->text() == "&Markers:") b->setChecked(true);
            QList<QSpinBox*> spins = d->findChildren<QSpinBox*>();
            if (spins.size() == 2) {
                spins[0]->setValue(2);
                spins[1]->setValue(3);
            }
        },
        true);
    QVERIFY(run.seen);
    QCOMPARE(run.title, QString("Clip Number: 1"));
    QCOMPARE(run.lateClosed, 0);
    Clip* clip = ActiveClip(*r);
    QVERIFY(clip);
    QCOMPARE(QString::fromStdString(clip->name), QString("drums"));
    QCOMPARE(clip->start, 100u);
    QCOMPARE(clip->length, 100u);

    // Copy, then Paste at marker 2: the clip goes in before frame 100.
    gFrame->RunCommand(41301);
    QVERIFY(clip->leftCopy);
    run = DriveDialog(
        gFrame, 41303,
        [](QDialog* d) {
            if (auto* spin = d->findChild<QSpinBox*>()) spin->setValue(2);
        },
        true);
    QVERIFY(run.seen);
    QCOMPARE(r->frameCount, 3100u);
    QVERIFY(Samples(r->leftSamples, 100, 200) == Samples(left.data(), 100, 200));
    QVERIFY(Samples(r->leftSamples, 200, 3100) == Samples(left.data(), 100, 3000));
    // A missing marker is reported and nothing changes.
    run = DriveDialog(
        gFrame, 41304,
        [](QDialog* d) {
            if (auto* spin = d->findChild<QSpinBox*>()) spin->setValue(77);
        },
        true);
    QCOMPARE(r->frameCount, 3100u);
    QVERIFY(!ui.boxes.empty() &&
            QString::fromStdString(ui.boxes.back()).endsWith("Can't find specified Marker."));

    // Edit Clip lists the clips; choosing one makes it active.
    SetActiveClip(*r, nullptr);
    QString line;
    run = DriveDialog(
        gFrame, 41305,
        [&line](QDialog* d) {
            auto* list = d->findChild<QListWidget*>("clipList");
            if (list && list->count() == 1) {
                list->setCurrentRow(0);
                line = list->item(0)->text();
            }
        },
        true);
    QCOMPARE(run.title, QString("Edit Clip"));
    QCOMPARE(line, QString(" 1 C \tdrums") + QString(27, ' ') + " \t100");
    QCOMPARE(ActiveClip(*r), clip);

    // Cut of the clip: its source is this wave.
    gFrame->RunCommand(41302);
    QCOMPARE(r->frameCount, 3000u);
    // Erase asks, Yes frees it.
    ui.answer = kAnswerYes;
    gFrame->RunCommand(41306);
    QCOMPARE(QString::fromStdString(ui.questions.back()),
             QString("Erase this clip... Are you sure?"));
    QVERIFY(gClips == nullptr);
    QVERIFY(ActiveClip(*r) == nullptr);
    gFrame->RunCommand(41308);  // Play without a clip
    QVERIFY(QString::fromStdString(ui.boxes.back())
                .endsWith("No clip to play.\nUse Multi-Clips/Edit to\nselect a clip."));
    SetUserInterface(nullptr);
}

}  // namespace shelltest
