// The marker and loop dialogs, mouse placing and dragging, Auto Locate, the
// Cut or Keep List and the Interactive Loop Window, driven as a user drives
// them; recorded lines are compared with what the dialogs did, and the loop
// saved after editing in the loop window is read back by python3 parsing
// the file's smpl chunk.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <cmath>

#include "app/editor_view.h"
#include "app/editor_window.h"
#include "app/loop_marker_dialogs.h"
#include "app/loop_placement.h"
#include "app/loop_window.h"
#include "app/main_frame.h"
#include "app/shell_startup.h"
#include "base/user_interface.h"
#include "formats/sound_io.h"
#include "script/cut_keep_list.h"
#include "script/recorder.h"
#include "shell_test_classes.h"
#include "shell_test_support.h"
#include "wave/auto_locate.h"
#include "wave/wave_record.h"

using namespace ob;

namespace shelltest {

namespace {
MainFrame* gFrame = nullptr;

QString Body(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<no file>";
    QString text = QString::fromUtf8(file.readAll());
    QString header = QString::fromStdString(RecorderHeader());
    if (!text.startsWith(header) || !text.endsWith("End Sub\n")) return "<bad frame>" + text;
    return text.mid(header.size(), text.size() - header.size() - 8);
}

void SetText(QDialog* d, const char* name, const QString& text) {
    if (auto* e = d->findChild<QLineEdit*>(name)) {
        e->setText(text);
        emit e->textEdited(text);
        emit e->editingFinished();
    }
}
QString TextOf(QDialog* d, const char* name) {
    auto* e = d->findChild<QLineEdit*>(name);
    return e ? e->text() : "<missing>";
}
void Press(QDialog* d, const char* name) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->click();
}
void SetCheck(QDialog* d, const char* name, bool on) {
    if (auto* b = d->findChild<QAbstractButton*>(name)) b->setChecked(on);
}

// Opens a mono wave of `frames` frames holding a sine of `period` frames.
EditorWindow* OpenSine(TempFolder& folder, const QString& name, unsigned frames, double period) {
    const QString path = folder.File(name);
    if (!WriteTestWav(path, 1, frames, "sine")) return nullptr;
    EditorWindow* editor = gFrame->OpenFile(path, false);
    if (!editor) return nullptr;
    WaveRecord* r = editor->Record();
    for (unsigned i = 0; i < frames; ++i)
        r->leftSamples[i] = float(0.5 * std::sin(2 * M_PI * (i + 0.3) / period));
    UpdateOverview(*r, 0, 0, 3);
    return editor;
}

// Runs a command on `editor` (made the active one first) through its dialog.
DialogRun DriveOn(EditorWindow* editor, int command, const std::function<void(QDialog*)>& act,
                  bool ok = false) {
    gFrame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(editor->parentWidget()));
    gActiveEditor = editor->Number();
    return DriveDialog(gFrame, command, act, ok);
}

EditorView* ViewOf(EditorWindow* editor) {
    return qobject_cast<EditorView*>(editor->View());
}

// Opens a 400-frame sine with a period of 100 frames in `e` and sizes its
// window for the mouse tests; its view, or null.
EditorView* OpenMouseSine(TempFolder& folder, const QString& name, EditorWindow*& e) {
    e = OpenSine(folder, name, 400, 100);
    EditorView* view = e ? ViewOf(e) : nullptr;
    if (!view) return nullptr;
    e->resize(900, 500);
    view->resize(820, 400);
    QCoreApplication::processEvents();
    return view;
}

// The window point of a frame in the first lane.
QPoint PointOf(EditorView* view, uint32_t frame) {
    const ViewLayout layout = view->Layout();
    const double x = layout.lanesArea.left() + view->Mapping().XForFrameCentre(frame);
    return QPoint(int(std::lround(x)), int(layout.lanes[0].rect.center().y()));
}

}  // namespace

void LoopMarkerTest::cleanup() {
    SetUserInterface(nullptr);
    StopRecorder();
    CancelPlacement();
    if (LoopWindow* w = CurrentLoopWindow()) delete w;
    StopShell(gFrame);
    gFrame = nullptr;
    gEditing = EditingState{};
    gAutoLocate = AutoLocateSettings{};
}

void LoopMarkerTest::setMarkerDialogStepsNamesAndRecords() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = OpenSine(folder, "m.wav", 1000, 100);
    QVERIFY(e);
    WaveRecord* r = e->Record();
    SetMarker(*r, 100, 1, "One");
    SetMarker(*r, 500, 5, "Five");
    SetMarker(*r, 900, 9, "Nine");
    const QString macro = folder.File("marker.bas");
    QCOMPARE(StartRecorder(macro.toStdString()), int(kRecorderStarted));
    QStringList seen;
    DialogRun run = DriveOn(
        e, 41211,
        [&](QDialog* d) {
            seen << d->objectName() << TextOf(d, "idEdit") << TextOf(d, "positionEdit");
            Press(d, "nextButton");  // 1 -> 5
            seen << TextOf(d, "idEdit") << TextOf(d, "nameEdit");
            Press(d, "nextButton");  // 5 -> 9
            Press(d, "nextButton");  // stays on 9
            seen << TextOf(d, "idEdit");
            Press(d, "previousButton");  // 9 -> 5
            seen << TextOf(d, "idEdit");
            SetText(d, "idEdit", "300");  // limited to 255: no marker there
            seen << TextOf(d, "idEdit") << TextOf(d, "positionEdit");
            SetText(d, "nameEdit", "nINE");  // a marker's name selects it
            seen << TextOf(d, "idEdit") << TextOf(d, "positionEdit");
            SetCheck(d, "newCheck", true);  // 9 is taken: the lowest free id
            seen << TextOf(d, "idEdit");
            SetText(d, "positionEdit", "250");
            SetText(d, "nameEdit", "Kick");
            Press(d, "valueButton");
        },
        false);
    StopRecorder();
    QVERIFY(run.seen);
    QCOMPARE(run.lateClosed, 0);
    QCOMPARE(seen, (QStringList{kSetMarkerDialogName, "1", "100", "5", "Five", "9", "5", "255", "",
                                "9", "900", "0"}));
    MarkerNode* m = FindMarker(*r, 0);
    QVERIFY(m);
    QCOMPARE(m->position, 250u);
    QCOMPARE(QString::fromStdString(m->name), QString("Kick"));
    QCOMPARE(Body(macro), QString("obSetMarker %1, 0, 250\n").arg(e->Number()));
    // Delete removes the marker shown; Delete All the rest.
    run = DriveOn(
        e, 41211,
        [&](QDialog* d) {
            SetText(d, "idEdit", "5");
            Press(d, "deleteButton");
        },
        false);
    QVERIFY(!FindMarker(*r, 5) && FindMarker(*r, 9));
    run = DriveOn(
        e, 41211, [&](QDialog* d) { Press(d, "deleteAllButton"); }, false);
    QVERIFY(!r->markers);
}

void LoopMarkerTest::setLoopDialogChecksValuesAndRoles() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = OpenSine(folder, "l.wav", 1000, 100);
    QVERIFY(e);
    WaveRecord* r = e->Record();
    r->sustainLoopId = 7;  // names no loop: dropped on opening
    struct Bad {
        const char* start;
        const char* end;
    };
    // Equal, reversed, negative, at the frame count, and the last frame with
    // the frame count (which would clamp to equal ends).
    const Bad bad[] = {{"10", "10"},   {"20", "10"},    {"-5", "10"},
                       {"10", "1000"}, {"999", "1000"}, {"", "10"}};
    for (const Bad& b : bad) {
        ui.boxes.clear();
        DialogRun run = DriveOn(
            e, 41201,
            [&](QDialog* d) {
                SetText(d, "idEdit", "2");
                SetText(d, "startEdit", b.start);
                SetText(d, "endEdit", b.end);
                Press(d, "valueButton");
            },
            false);
        QVERIFY(run.seen);
        QVERIFY2(!r->loops, b.start);
        QCOMPARE(ui.boxes.size(), size_t(1));
        QVERIFY(
            ui.boxes[0].find("The requested loop positions are\neither too large or reversed") !=
            std::string::npos);
    }
    QCOMPARE(int(r->sustainLoopId), -1);
    const QString macro = folder.File("loop.bas");
    QCOMPARE(StartRecorder(macro.toStdString()), int(kRecorderStarted));
    DialogRun run = DriveOn(
        e, 41201,
        [&](QDialog* d) {
            SetText(d, "idEdit", "2");
            SetText(d, "startEdit", "100");
            SetText(d, "endEdit", "999");
            SetText(d, "releaseEdit", "2");
            SetCheck(d, "backwardRadio", true);
            SetCheck(d, "showCheck", false);
            Press(d, "valueButton");
        },
        false);
    StopRecorder();
    QVERIFY(run.seen);
    LoopNode* loop = FindLoop(*r, 2);
    QVERIFY(loop);
    QCOMPARE(loop->start, 100u);
    QCOMPARE(loop->end, 999u);
    QCOMPARE(int(loop->type), 0x81);
    QCOMPARE(int(r->releaseLoopId), 2);
    QCOMPARE(int(r->sustainLoopId), -1);
    QCOMPARE(Body(macro),
             QString("obSetLoop %1, 2, 100, 999, OB_SETLOOP_FORWARDBACKWARD, OB_SETLOOP_RELEASE\n")
                 .arg(e->Number()));
    // A role field outside -1..255 is refused.
    ui.boxes.clear();
    run = DriveOn(
        e, 41201,
        [&](QDialog* d) {
            SetText(d, "sustainEdit", "-2");
            Press(d, "valueButton");
        },
        false);
    QCOMPARE(ui.boxes.size(), size_t(1));
}

void LoopMarkerTest::mouseDragKeepsLoopsAndSnaps() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = nullptr;
    EditorView* view = OpenMouseSine(folder, "d.wav", e);
    QVERIFY(view);
    WaveRecord* r = e->Record();
    QVERIFY(SetLoop(*r, 100, 200, 0, 4));
    // Drag the start past the end: the two swap and the loop stays.
    QTest::mousePress(view, Qt::LeftButton, {}, PointOf(view, 100));
    QTest::mouseMove(view, PointOf(view, 200));  // onto the end: no change
    QVERIFY(FindLoop(*r, 4));
    QTest::mouseMove(view, PointOf(view, 300));
    QTest::mouseRelease(view, Qt::LeftButton, {}, PointOf(view, 300));
    LoopNode* loop = FindLoop(*r, 4);
    QVERIFY(loop);
    const uint32_t s1 = loop->start, e1 = loop->end;
    QVERIFY2(s1 == 200 && std::abs(int(e1) - 300) <= 1,
             qPrintable(QString("%1..%2").arg(s1).arg(e1)));
    // With Auto Locate for loops on a grid of 25, a dragged end lands on it.
    gAutoLocate.flags |= kLocateLoops;
    gAutoLocate.multiplier = 25;
    QTest::mousePress(view, Qt::LeftButton, {}, PointOf(view, e1));
    QTest::mouseMove(view, PointOf(view, 331));
    QTest::mouseRelease(view, Qt::LeftButton, {}, PointOf(view, 331));
    QCOMPARE(loop->end, 350u);
    // A marker dragged with the marker flag off goes where it is dropped.
    QVERIFY(SetMarker(*r, 50, 3, "m"));
    QTest::mousePress(view, Qt::LeftButton, {}, PointOf(view, 50));
    QTest::mouseMove(view, PointOf(view, 70));
    QTest::mouseRelease(view, Qt::LeftButton, {}, PointOf(view, 70));
    QVERIFY(std::abs(int(FindMarker(*r, 3)->position) - 70) <= 1);
    QCOMPARE(QString::fromStdString(FindMarker(*r, 3)->name), QString("m"));
}

// Marker Show off: the marker's line is gone from the view and a press on it
// selects instead of dragging it; the marker itself stays. On again: drawn.
void LoopMarkerTest::markerShowHidesMarkers() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = nullptr;
    EditorView* view = OpenMouseSine(folder, "h.wav", e);
    QVERIFY(view);
    WaveRecord* r = e->Record();
    QVERIFY(SetMarker(*r, 150, 3, "m"));
    gFrame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(e->parentWidget()));
    QCOMPARE(gFrame->ActiveEditor(), e);
    view->Refresh();
    const QPoint at = PointOf(view, 150);
    // The columns around the marker's line, top to bottom.
    auto column = [&] {
        const QImage image = view->grab().toImage();
        std::vector<QRgb> pixels;
        for (int x = at.x() - 2; x <= at.x() + 2; ++x)
            for (int y = 0; y < image.height(); ++y) pixels.push_back(image.pixel(x, y));
        return pixels;
    };
    gFrame->RefreshCommands();
    QVERIFY(gFrame->ActionFor(41212)->isEnabled());
    QVERIFY(gFrame->ActionFor(41212)->isChecked());
    const std::vector<QRgb> shown = column();

    gFrame->RunCommand(41212);
    gFrame->RefreshCommands();
    QVERIFY(!gFrame->ActionFor(41212)->isChecked());
    QVERIFY(column() != shown);
    QTest::mousePress(view, Qt::LeftButton, {}, at);
    QTest::mouseMove(view, PointOf(view, 200));
    QTest::mouseRelease(view, Qt::LeftButton, {}, PointOf(view, 200));
    QCOMPARE(FindMarker(*r, 3)->position, 150u);
    QVERIFY(r->mouseLength > 40);

    const std::vector<QRgb> hidden = column();
    gFrame->RunCommand(41212);
    gFrame->RefreshCommands();
    QVERIFY(gFrame->ActionFor(41212)->isChecked());
    QVERIFY(column() != hidden);
}

void LoopMarkerTest::mouseButtonPlacesMarkerAndLoop() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = OpenSine(folder, "p.wav", 400, 100);
    QVERIFY(e);
    WaveRecord* r = e->Record();
    EditorView* view = ViewOf(e);
    e->resize(900, 500);
    view->resize(820, 400);
    QCoreApplication::processEvents();
    DriveOn(
        e, 41211,
        [&](QDialog* d) {
            SetCheck(d, "newCheck", true);
            SetText(d, "idEdit", "12");
            SetText(d, "nameEdit", "Snare");
            Press(d, "mouseButton");
        },
        false);
    QVERIFY(PlacementPending(r));
    QTest::mouseClick(view, Qt::LeftButton, {}, PointOf(view, 120));
    QVERIFY(!PlacementPending(r));
    MarkerNode* m = FindMarker(*r, 12);
    QVERIFY(m);
    QVERIFY(std::abs(int(m->position) - 120) <= 1);
    QCOMPARE(QString::fromStdString(m->name), QString("Snare"));
    // A loop takes two clicks, in either order; its sustain role is accepted
    // because it is the loop being placed.
    DriveOn(
        e, 41201,
        [&](QDialog* d) {
            SetText(d, "idEdit", "6");
            SetText(d, "sustainEdit", "6");
            Press(d, "mouseButton");
        },
        false);
    QTest::mouseClick(view, Qt::LeftButton, {}, PointOf(view, 300));
    QVERIFY(PlacementPending(r));
    QTest::mouseClick(view, Qt::LeftButton, {}, PointOf(view, 40));
    LoopNode* loop = FindLoop(*r, 6);
    QVERIFY(loop);
    QVERIFY(std::abs(int(loop->start) - 40) <= 1 && std::abs(int(loop->end) - 300) <= 1);
    QCOMPARE(int(r->sustainLoopId), 6);
}

void LoopMarkerTest::autoLocateDialogStoresSettings() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = OpenSine(folder, "a.wav", 400, 100);
    QVERIFY(e);
    QString shownMax;
    DialogRun run = DriveOn(
        e, 41200,
        [&](QDialog* d) {
            auto spin = [&](const char* name) { return d->findChild<QDoubleSpinBox*>(name); };
            shownMax = spin("maxLevelSpin")->text();
            spin("multiplierSpin")->setValue(4);
            spin("offsetSpin")->setValue(10);
            spin("maxLevelSpin")->setValue(12.5);
            spin("minLevelSpin")->setValue(-3.25);
            SetCheck(d, "rangeCheck", true);
            SetCheck(d, "negativeCheck", false);
        },
        true);
    QVERIFY(run.seen);
    QVERIFY(!run.stayedOpen);
    QVERIFY2(shownMax.startsWith("0") && shownMax.contains("0000"), qPrintable(shownMax));
    QCOMPARE(gAutoLocate.multiplier, 4u);
    QCOMPARE(gAutoLocate.offset, 10u);
    QCOMPARE(gAutoLocate.maxLevel, 0.125);
    QCOMPARE(gAutoLocate.minLevel, -0.0325);
    QCOMPARE(gAutoLocate.flags, uint32_t(kLocateLevelRange | kLocatePositive | kLocateZero));
    // Cancel keeps them.
    DriveOn(
        e, 41200, [&](QDialog* d) { d->findChild<QDoubleSpinBox*>("multiplierSpin")->setValue(9); },
        false);
    QCOMPARE(gAutoLocate.multiplier, 4u);
}

void LoopMarkerTest::cutKeepDialogCutsIntoNewEditor() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = OpenSine(folder, "c.wav", 1000, 100);
    QVERIFY(e);
    WaveRecord* r = e->Record();
    SetMarker(*r, 100, 0, nullptr);
    SetMarker(*r, 199, 1, nullptr);
    SetMarker(*r, 600, 2, nullptr);
    const QString macro = folder.File("cut.bas");
    QCOMPARE(StartRecorder(macro.toStdString()), int(kRecorderStarted));
    DialogRun run = DriveOn(
        e, 40902, [&](QDialog* d) { SetCheck(d, "cutRadio", true); }, true);
    StopRecorder();
    QVERIFY(run.seen);
    QCOMPARE(run.lateClosed, 0);
    QCOMPARE(gCutKeepMode, int(kCutKeepCut));
    QCOMPARE(Body(macro), QString("obCutKeepList %1, OB_CUTKEEPLIST_CUT\n").arg(e->Number()));
    EditorWindow* result = nullptr;
    for (EditorWindow* w : gFrame->Editors())
        if (w != e) result = w;
    QVERIFY(result);
    WaveRecord* c = result->Record();
    QCOMPARE(c->frameCount, 900u);
    QVERIFY(c->stateFlags & kStateChanged);
    QVERIFY(QString::fromStdString(c->name).endsWith(", Cut List"));
    for (uint32_t i = 0; i < 900; ++i) {
        const uint32_t from = i < 100 ? i : i + 100;
        if (c->leftSamples[i] != r->leftSamples[from]) QFAIL(qPrintable(QString::number(i)));
    }
    QCOMPARE(r->frameCount, 1000u);
    // Without a path the files mode writes nothing and says so.
    r->filePath.clear();
    ui.boxes.clear();
    DriveOn(
        e, 40902, [&](QDialog* d) { SetCheck(d, "fileRadio", true); }, true);
    QCOMPARE(ui.boxes.size(), size_t(1));
    QVERIFY(ui.boxes[0].find("no file name") != std::string::npos);
}

void LoopMarkerTest::loopWindowNudgesSnapsAndSaves() {
    TempFolder folder;
    gFrame = Start(folder.path);
    TestUi ui(gFrame);
    SetUserInterface(&ui);
    EditorWindow* e = OpenSine(folder, "w.wav", 1000, 100);
    QVERIFY(e);
    WaveRecord* r = e->Record();
    QVERIFY(SetLoop(*r, 205, 812, 0, 1));
    r->sustainLoopId = 1;
    const QString macro = folder.File("window.bas");
    QCOMPARE(StartRecorder(macro.toStdString()), int(kRecorderStarted));
    gFrame->Area()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(e->parentWidget()));
    gActiveEditor = e->Number();
    gFrame->RunCommand(40918);
    LoopWindow* w = CurrentLoopWindow();
    QVERIFY(w);
    QCOMPARE(w->LoopId(), 1);
    auto press = [&](const char* name) {
        auto* b = w->findChild<QPushButton*>(name);
        QVERIFY(b);
        b->click();
    };
    press("startPlus1");
    press("startPlus10");
    press("endMinus1");
    QCOMPARE(FindLoop(*r, 1)->start, 216u);
    QCOMPARE(FindLoop(*r, 1)->end, 811u);
    // Zero crossings of the sine (0.5 sin(2 pi (i + 0.3) / 100)): rising
    // between frames 99 and 100, falling between 49 and 50, every 50 frames.
    press("startZero");
    press("endZero");
    QCOMPARE(FindLoop(*r, 1)->start, 200u);
    QCOMPARE(FindLoop(*r, 1)->end, 800u);
    // A nudge onto the other end is refused.
    QVERIFY(!w->Nudge(true, 600));
    QCOMPARE(FindLoop(*r, 1)->start, 200u);
    StopRecorder();
    QVERIFY(Body(macro).endsWith(
        QString("obSetLoop %1, 1, 200, 800, OB_SETLOOP_FORWARD, OB_SETLOOP_SUSTAIN\n")
            .arg(e->Number())));
    // The splice view draws the loop.
    QImage image(w->Splice()->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    w->Splice()->render(&image);
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    QVERIFY(colours.size() > 3);
    // Saved and read back by an independent reader of the smpl chunk.
    const QString saved = folder.File("saved.wav");
    r->filePath = saved.toStdString();
    QCOMPARE(SaveSound(*r, kFormatWav16, 15), 0);
    QProcess python;
    python.start("/usr/bin/python3", {"-c",
                                      "import struct,sys\n"
                                      "d=open(sys.argv[1],'rb').read()\n"
                                      "i=12\n"
                                      "while i+8<=len(d):\n"
                                      "  t,n=d[i:i+4],struct.unpack('<I',d[i+4:i+8])[0]\n"
                                      "  if t==b'smpl':\n"
                                      "    c=d[i+8:i+8+n]\n"
                                      "    k=struct.unpack('<I',c[28:32])[0]\n"
                                      "    for j in range(k):\n"
                                      "      l=struct.unpack('<6I',c[36+24*j:60+24*j])\n"
                                      "      print(l[2],l[3])\n"
                                      "  i+=8+n+(n&1)\n",
                                      saved});
    QVERIFY(python.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).trimmed(), QString("200 800"));
    // Closing the editor closes the window.
    QPointer<LoopWindow> guard(w);
    e->close();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!guard || !guard->isVisible());
}

}  // namespace shelltest
