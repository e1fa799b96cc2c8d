// Editor view tests on the offscreen platform: the frame/pixel mapping, mouse
// selection at two zoom levels, Freehand Draw and its one undo step, Shuffle
// by a middle-button drag, zooming,
// the pixel cache against a fresh paint, and RenderImage's lanes.
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <vector>

#include "app/editor_view.h"
#include "app/view_mapping.h"
#include "app/view_navigation.h"
#include "dsp/frame.h"
#include "tests/app_view/view_test_sound.h"
#include "wave/undo.h"

using namespace ob;

namespace {

const QColor kWave(0, 200, 0);

void UseTestColours(EditorView& view) {
    // Settings order: background, waveform, axis, labels, markers, loops, point, selection.
    QColor colours[8] = {QColor(250, 250, 250), kWave,
                         QColor(90, 90, 160),   Qt::black,
                         QColor(220, 0, 0),     QColor(0, 0, 230),
                         QColor(150, 0, 60),    QColor(255, 220, 0)};
    view.SetColors(colours);
}

// Pixels of the waveform colour in `rect` of `image`, and the columns that have any.
struct WaveCount {
    int pixels = 0;
    int columns = 0;
};
WaveCount CountWave(const QImage& image, QRect rect) {
    WaveCount count;
    rect = rect.intersected(image.rect());
    for (int x = rect.left(); x <= rect.right(); ++x) {
        bool any = false;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            // The waveform colour, also under the translucent affect-area shading.
            const QColor c(image.pixel(x, y));
            if (c.green() - std::max(c.red(), c.blue()) > 50) {
                ++count.pixels;
                any = true;
            }
        }
        count.columns += any;
    }
    return count;
}

QPoint LanePoint(const EditorView& view, int lane, double x, double yFraction) {
    const ViewLayout l = view.Layout();
    const QRectF r = l.lanes[lane].rect;
    return QPoint(int(r.left() + x), int(r.top() + r.height() * yFraction));
}

}  // namespace

class ViewTest : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        gEditing = EditingState{};
        gProcessing = ProcessingSettings{};
        gBackups = 10;
    }
    void cleanup() { CloseAllEditors(); }

    void mappingAgreesWithTheZoomRuleAndRoundTrips() {
        for (int width : {1, 7, 640, 1000, 1920})
            for (uint32_t span : {1u, 3u, 100u, 639u, 640u, 1921u, 50000u, 2000000u, 172800000u}) {
                const ViewMapping m = ViewMapping::For(1234, span, 200000000u, width);
                QCOMPARE(m.VisibleFrames(), uint64_t(VisibleFrames(uint32_t(width), span)));
                for (int x = 0; x < width; x += std::max(1, width / 97)) {
                    const int64_t f = m.FrameForX(x);
                    // The frame at x is drawn in the pixels that contain x.
                    QVERIFY(m.XForFrame(f) <= x);
                    QVERIFY(x < m.XForFrame(f) + int64_t(m.pixelsPerFrame));
                    // A frame boundary maps back onto itself.
                    const double bx = m.XForFrameExact(double(f));
                    if (m.framesPerPixel == 1 || (f - 1234) % m.framesPerPixel == 0)
                        QCOMPARE(m.BoundaryForX(bx), uint32_t(f));
                }
            }
        // Clamping at both ends of a short wave.
        const ViewMapping m = ViewMapping::For(0, 100, 100, 400);
        QCOMPARE(m.pixelsPerFrame, 4u);
        QCOMPARE(m.BoundaryForX(-30), 0u);
        QCOMPARE(m.BoundaryForX(10000), 100u);
        QCOMPARE(m.ClampedFrameForX(10000), 99u);
        // Levels: full scale fills the lane; a round trip returns the value.
        WaveRecord r;
        LevelMapping level = LevelMapping::For(r, 10, 200);
        QVERIFY(std::abs(level.YForValue(1.0) - 10.0) < 0.01);
        QVERIFY(std::abs(level.YForValue(0.0) - 110.0) < 0.01);
        for (double v : {-0.9, -0.1, 0.0, 0.37, 1.0})
            QVERIFY(std::abs(level.ValueForY(level.YForValue(v)) - v) < 1e-9);
    }

    void columnMinMaxFromTheOverviewEqualsTheSamples() {
        // Noise with a few lone peaks; every range's extremes from the coarse
        // level, the overview (whole blocks) and samples (ragged ends) must
        // equal a plain scan, also after edits that raise and lower a peak in
        // the middle and update only their frames.
        WaveRecord* record = MakeStereoTestSound(150000);  // 751 blocks: a short last coarse pair
        QVERIFY(record);
        uint32_t seed = 12345;
        auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
        for (uint32_t i = 0; i < record->frameCount; ++i)
            record->rightSamples[i] = float(int32_t(next()) / 2147483648.0 * 0.5);
        record->rightSamples[777] = 0.99f;
        record->rightSamples[120001] = -0.97f;
        record->rightSamples[record->frameCount - 3] = 0.98f;  // in the last coarse pair
        UpdateOverview(*record, 0, 0, 3);
        QVERIFY(record->rightOverview.pairs);
        const float* p = record->rightSamples;
        int wide = 0;
        auto check = [&](uint32_t first, uint32_t last) {
            float lo = 0, hi = 0;
            ChannelMinMax(*record, 1, first, last, lo, hi);
            if (hi != *std::max_element(p + first, p + last + 1) ||
                lo != *std::min_element(p + first, p + last + 1))
                return false;
            // A drawn column of 64 blocks or more covers the blocks its ends fall in.
            ColumnMinMax(*record, 1, first, last, lo, hi);
            uint32_t from = first, to = last;
            if ((last - first + 1) / kOverviewBlockFrames >= 64) {
                ++wide;
                from = first / kOverviewBlockFrames * kOverviewBlockFrames;
                to = std::min(record->frameCount - 1,
                              (last / kOverviewBlockFrames + 1) * kOverviewBlockFrames - 1);
            }
            return hi == *std::max_element(p + from, p + to + 1) &&
                   lo == *std::min_element(p + from, p + to + 1);
        };
        auto checkMany = [&] {
            for (int n = 0; n < 400; ++n) {
                uint32_t a = next() % record->frameCount, b = next() % record->frameCount;
                if (n % 4 == 0) b = std::min(record->frameCount - 1, a + next() % 1000);
                if (n % 4 == 1) b = record->frameCount - 1;  // up to the last frame
                if (!check(std::min(a, b), std::max(a, b))) return false;
            }
            // Every column of views around the edited frames, as the painter asks.
            for (uint32_t width : {12800u, 12801u, 16000u, 40000u})
                for (uint32_t f = 60000; f + width < 90000; f += width / 3)
                    if (!check(f, f + width)) return false;
            return true;
        };
        QVERIFY(checkMany());
        // An edit in the middle: a new peak raised and an old one lowered,
        // each updating only its own frames.
        record->rightSamples[75555] = 0.995f;
        UpdateOverview(*record, 75555, 1, kEditRight);
        record->rightSamples[777] = 0.0f;
        UpdateOverview(*record, 700, 200, kEditRight);
        for (uint32_t i = 80000; i < 80400; ++i) record->rightSamples[i] = -0.999f;
        UpdateOverview(*record, 80000, 400, kEditRight);
        QVERIFY(checkMany());
        float lo = 0, hi = 0;
        ColumnMinMax(*record, 1, 64000, 96000, lo, hi);
        QCOMPARE(hi, 0.995f);
        QCOMPARE(lo, -0.999f);
        ColumnMinMax(*record, 1, 0, record->frameCount - 1, lo, hi);
        QCOMPARE(hi, 0.995f);
        QVERIFY(wide > 400);
    }

    void dragSetsTheMouseAreaAtTwoZoomLevels() {
        WaveRecord* record = MakeStereoTestSound(200000);
        QVERIFY(record);
        EditorView view(record);
        view.resize(852, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int width = int(view.Layout().lanesArea.width());
        QCOMPARE(width, 800);
        QSignalSpy readouts(&view, &EditorView::readoutChanged);

        // Zoomed out: whole columns of frames, from the core's zoom rule.
        view.ShowFull();
        const uint32_t framesPerPixel = VisibleFrames(800, record->viewSpan) / 800;
        QVERIFY(framesPerPixel > 1);
        // (x 120 and 260 are clear of the markers' and loops' handles)
        QTest::mousePress(&view, Qt::LeftButton, {}, LanePoint(view, 0, 120, 0.5));
        QTest::mouseMove(&view, LanePoint(view, 0, 200, 0.5));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, LanePoint(view, 1, 260, 0.5));
        QCOMPARE(record->mouseStart, 120 * framesPerPixel);
        QCOMPARE(record->mouseLength, 140 * framesPerPixel);
        QCOMPARE(record->mouseChannels, 3u);
        QCOMPARE(gEditing.affectArea, uint16_t(kAffectMouse));
        QVERIFY(!readouts.isEmpty());
        QVERIFY(view.ReadoutText().contains("Mouse "));
        QVERIFY(view.ReadoutText().contains("44100 Hz  24 bit  Stereo"));

        // Shift-click beyond the end extends the area from its start.
        QTest::mouseClick(&view, Qt::LeftButton, Qt::ShiftModifier, LanePoint(view, 0, 520, 0.5));
        QCOMPARE(record->mouseStart, 120 * framesPerPixel);
        QCOMPARE(record->mouseLength, 400 * framesPerPixel);
        // A press on a marker's line drags the marker and keeps its name.
        const int64_t markerX = view.Mapping().XForFrame(FindMarker(*record, 1)->position);
        QTest::mousePress(&view, Qt::LeftButton, {}, LanePoint(view, 0, double(markerX), 0.5));
        QTest::mouseMove(&view, LanePoint(view, 0, double(markerX + 30), 0.5));
        QTest::mouseRelease(&view, Qt::LeftButton, {},
                            LanePoint(view, 0, double(markerX + 30), 0.5));
        QCOMPARE(FindMarker(*record, 1)->position, uint32_t((markerX + 30) * framesPerPixel));
        QCOMPARE(FindMarker(*record, 1)->name, std::string("middle"));
        QCOMPARE(record->mouseLength, 400 * framesPerPixel);  // the selection stayed

        // Zoomed in: four pixels per frame, dragged right to left, from frame 1000.
        record->viewStart = 1000;
        record->viewSpan = 200;
        view.Refresh();
        QCOMPARE(view.Mapping().pixelsPerFrame, 4u);
        QTest::mousePress(&view, Qt::LeftButton, {}, LanePoint(view, 1, 402, 0.3));
        QTest::mouseMove(&view, LanePoint(view, 1, 300, 0.3));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, LanePoint(view, 1, 98, 0.3));
        QCOMPARE(record->mouseStart, 1000u + 98 / 4 + 1);  // nearest boundary to x = 98 is frame 25
        QCOMPARE(record->mouseStart, 1025u);
        QCOMPARE(record->mouseLength,
                 1000u + 101 - 1025u);       // x = 402 is nearest to boundary 101 (404)
        QCOMPARE(record->viewStart, 1000u);  // the view did not move

        // Ctrl limits the selection to the lane's channel; a double click selects all.
        QTest::mousePress(&view, Qt::LeftButton, Qt::ControlModifier, LanePoint(view, 1, 40, 0.5));
        QTest::mouseRelease(&view, Qt::LeftButton, Qt::ControlModifier,
                            LanePoint(view, 1, 80, 0.5));
        QCOMPARE(record->mouseChannels, 2u);
        QCOMPARE(record->mouseStart, 1010u);
        QCOMPARE(record->mouseLength, 10u);
        QTest::mouseDClick(&view, Qt::LeftButton, {}, LanePoint(view, 0, 40, 0.5));
        QCOMPARE(record->mouseStart, 0u);
        QCOMPARE(record->mouseLength, 200000u);
        QCOMPARE(record->mouseChannels, 3u);
        // The core's affect range agrees with what the mouse set.
        FrameRange range = AffectRange(*record);
        QCOMPARE(range.length, 200000u);
    }

    void freehandDrawChangesTheStrokeAndUndoesInOneStep() {
        WaveRecord* record = MakeStereoTestSound(4000);
        QVERIFY(record);
        const std::vector<float> left(record->leftSamples, record->leftSamples + 4000);
        const std::vector<float> right(record->rightSamples, record->rightSamples + 4000);
        EditorView view(record);
        view.resize(852, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SetMode(kModeFreehand);

        // Zoomed out nothing is drawn and no undo step is taken.
        view.ShowFull();
        record->viewSpan = 3000;
        view.Refresh();
        QVERIFY(!view.Mapping().SampleLevel());
        QTest::mousePress(&view, Qt::LeftButton, {}, LanePoint(view, 0, 40, 0.25));
        QTest::mouseMove(&view, LanePoint(view, 0, 160, 0.25));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, LanePoint(view, 0, 160, 0.25));
        QCOMPARE(BackupCount(*record), 0u);
        QVERIFY(std::equal(left.begin(), left.end(), record->leftSamples));

        // Eight pixels per frame from frame 500: x 40..160 covers frames 505..520.
        record->viewStart = 500;
        record->viewSpan = 100;
        view.Refresh();
        QCOMPARE(view.Mapping().pixelsPerFrame, 8u);
        const QRectF lane = view.Layout().lanes[0].rect;
        const LevelMapping level = LevelMapping::For(*record, lane.top(), lane.height());
        const QPoint a = LanePoint(view, 0, 40, 0.25), b = LanePoint(view, 0, 100, 0.25),
                     c = LanePoint(view, 0, 160, 0.25);
        const float expected = float(level.ValueForY(a.y()));
        QVERIFY(expected > 0.3f);
        QTest::mousePress(&view, Qt::LeftButton, {}, a);
        QTest::mouseMove(&view, b);
        QTest::mouseMove(&view, c);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, c);
        for (uint32_t f = 0; f < 4000; ++f) {
            if (f >= 505 && f <= 520)
                QVERIFY2(std::abs(record->leftSamples[f] - expected) < 1e-6,
                         qPrintable(QString::number(f)));
            else
                QVERIFY2(record->leftSamples[f] == left[f], qPrintable(QString::number(f)));
            QVERIFY(record->rightSamples[f] == right[f]);
        }
        QVERIFY(record->stateFlags & kStateChanged);
        QCOMPARE(BackupCount(*record), 1u);
        QCOMPARE(QString(OperationName(BackupAt(*record, 0)->operation)), QString("Freehand Draw"));

        // One undo step gives back every sample.
        QCOMPARE(Undo(*record), int(kUndoDone));
        QVERIFY(std::equal(left.begin(), left.end(), record->leftSamples));
        QVERIFY(std::equal(right.begin(), right.end(), record->rightSamples));
        QVERIFY(!CanUndo(*record));
        QVERIFY(CanRedo(*record));
        QCOMPARE(view.Record(), record);  // the undo's notice left the view on its record
        QCOMPARE(record->viewStart, 500u);
    }

    void middleDragShufflesTheMouseArea() {
        WaveRecord* record = MakeStereoTestSound(4000);
        QVERIFY(record);
        EditorView view(record);
        view.resize(852, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        UseTestColours(view);
        view.ShowFull();
        const ViewMapping m = view.Mapping();
        const std::vector<float> left(record->leftSamples, record->leftSamples + 4000);
        const std::vector<float> right(record->rightSamples, record->rightSamples + 4000);
        record->mouseStart = 1200;
        record->mouseLength = 600;
        record->mouseChannels = 1;  // the left channel only
        view.Refresh();
        const double inside = double(m.XForFrameCentre(1500));

        // A press outside the area moves nothing and takes no backup.
        QTest::mousePress(&view, Qt::MiddleButton, {}, LanePoint(view, 0, 20, 0.5));
        QTest::mouseRelease(&view, Qt::MiddleButton, {}, LanePoint(view, 0, 600, 0.5));
        QCOMPARE(BackupCount(*record), 0u);
        QVERIFY(std::equal(left.begin(), left.end(), record->leftSamples));

        // Dropped after the area: its frames end at the drop boundary; the
        // drop line is drawn while the button is down.
        const uint32_t after = m.BoundaryForX(600);
        QVERIFY(after > 1800 && after < 4000);
        QTest::mousePress(&view, Qt::MiddleButton, {}, LanePoint(view, 0, inside, 0.5));
        QTest::mouseMove(&view, LanePoint(view, 0, 600, 0.5));
        const QImage during = view.grab().toImage();
        const int lineX = int(view.Layout().lanesArea.left() + m.XForFrameExact(after));
        int linePixels = 0;
        for (int y = 0; y < during.height(); ++y)
            for (int x = lineX - 1; x <= lineX + 1; ++x)
                if (QColor(during.pixel(x, y)) == QColor(255, 220, 0)) ++linePixels;
        QVERIFY2(linePixels > 40, qPrintable(QString::number(linePixels)));
        QTest::mouseRelease(&view, Qt::MiddleButton, {}, LanePoint(view, 0, 600, 0.5));
        std::vector<float> expected = left;
        std::rotate(expected.begin() + 1200, expected.begin() + 1800, expected.begin() + after);
        QVERIFY(std::equal(expected.begin(), expected.end(), record->leftSamples));
        QVERIFY(std::equal(right.begin(), right.end(), record->rightSamples));
        QCOMPARE(record->mouseStart, after - 600);
        QCOMPARE(record->mouseLength, 600u);
        QCOMPARE(BackupCount(*record), 1u);
        QCOMPARE(QString(OperationName(BackupAt(*record, 0)->operation)), QString("Shuffle"));

        // Dropped before it: its frames start at the drop boundary.
        const uint32_t before = m.BoundaryForX(50);
        QVERIFY(before < after - 600);
        const double moved = double(m.XForFrameCentre(after - 300));
        QTest::mousePress(&view, Qt::MiddleButton, {}, LanePoint(view, 0, moved, 0.5));
        QTest::mouseRelease(&view, Qt::MiddleButton, {}, LanePoint(view, 0, 50, 0.5));
        std::vector<float> again = expected;
        std::rotate(again.begin() + before, again.begin() + (after - 600), again.begin() + after);
        QVERIFY(std::equal(again.begin(), again.end(), record->leftSamples));
        QCOMPARE(record->mouseStart, before);

        // Undo twice gives back the original samples.
        QCOMPARE(Undo(*record), int(kUndoDone));
        QCOMPARE(Undo(*record), int(kUndoDone));
        QVERIFY(std::equal(left.begin(), left.end(), record->leftSamples));
        QVERIFY(std::equal(right.begin(), right.end(), record->rightSamples));
    }

    void zoomKeepsThePointerFrameAndAutoZoomOut() {
        WaveRecord* record = MakeStereoTestSound(300000);
        EditorView view(record);
        view.resize(852, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.ShowFull();
        QCOMPARE(record->viewStart, 0u);
        QCOMPARE(record->viewSpan, 300000u);
        const QPoint at = LanePoint(view, 0, 600, 0.5);
        const int64_t before = view.Mapping().FrameForX(600);
        QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        const ViewMapping after = view.Mapping();
        QVERIFY(after.framesPerPixel < VisibleFrames(800, 300000) / 800);
        QVERIFY(std::abs(after.FrameForX(600) - before) <= int64_t(after.framesPerPixel));
        // Plain wheel scrolls towards the end by whole columns.
        const uint32_t start = record->viewStart;
        QWheelEvent down(at, view.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &down);
        QVERIFY(record->viewStart > start);
        QCOMPARE((record->viewStart - start) % after.framesPerPixel, 0u);
        // Level zoom and back.
        view.ZoomLevelIn();
        QCOMPARE(record->viewLevelSpan, uint16_t(32767));
        view.ZoomLevelOut();
        QCOMPARE(record->viewLevelSpan, uint16_t(65535));
        // Zoom in stops at 64 pixels per frame and never leaves the wave.
        for (int i = 0; i < 40; ++i) view.ZoomIn();
        QVERIFY(view.Mapping().pixelsPerFrame <= 64u && view.Mapping().pixelsPerFrame > 32u);
        view.ScrollToEnd();
        QCOMPARE(uint64_t(record->viewStart) + view.Mapping().VisibleFrames(), uint64_t(300000));
        view.ZoomToSelection();  // no mouse area: the affect area (All)
        QVERIFY(view.Mapping().VisibleFrames() >= 300000);
        // Auto Zoom Out after a length change.
        record->viewStart = 1000;
        record->viewSpan = 1000;
        gProcessing.autoZoomOut = true;
        NotifyChange(record, kChangeAll);  // same length (an undo): the view stays
        QCOMPARE(record->viewStart, 1000u);
        record->frameCount = 299000;
        NotifyChange(record, kChangeLength);
        record->frameCount = 300000;
        NotifyChange(record, kChangeLength);
        QCOMPARE(record->viewStart, 0u);
        QCOMPARE(record->viewSpan, 300000u);
    }

    void zoomboxShowsTheFramesAndLevelsOfTheBox() {
        WaveRecord* record = MakeStereoTestSound(200000);
        EditorView view(record);
        view.resize(852, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.ShowFull();
        view.SetMode(kModeZoombox);
        const ViewMapping before = view.Mapping();
        const QRectF lane = view.Layout().lanes[0].rect;
        const LevelMapping level = LevelMapping::For(*record, lane.top(), lane.height());
        const QPoint a = LanePoint(view, 0, 130, 0.25), b = LanePoint(view, 0, 330, 0.5);
        QTest::mousePress(&view, Qt::LeftButton, {}, a);
        QTest::mouseMove(&view, b);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, b);
        const uint32_t first = before.BoundaryForX(130), end = before.BoundaryForX(330);
        QCOMPARE(record->viewStart, first);
        const uint64_t visible = view.Mapping().VisibleFrames();
        QVERIFY(visible >= end - first);       // the whole box is in view
        QVERIFY(visible < 2 * (end - first));  // and it fills most of the window
        QVERIFY(std::abs(record->viewLevelCentre - level.ValueForY((a.y() + b.y()) / 2.0) * 32767) <
                200);
        QVERIFY(record->viewLevelSpan < 65535 / 3);
        QCOMPARE(record->mouseChannels, 0u);  // no selection was made
    }

    void cachedPaintsMatchAFreshPaint() {
        WaveRecord* record = MakeStereoTestSound(400000);
        for (uint32_t span : {400000u, 20000u, 400u}) {
            record->viewStart = 0;
            record->viewSpan = span;
            EditorView view(record);
            UseTestColours(view);
            view.resize(852, 400);
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
            view.grab();  // fills the cache
            // Scroll by whole columns (the cache shifts), then change frames in view.
            const ViewMapping m = view.Mapping();
            record->viewStart += 37 * m.framesPerPixel;
            view.Refresh();
            view.grab();
            const uint32_t first = record->viewStart + uint32_t(m.VisibleFrames() / 3);
            for (uint32_t f = first; f < first + 50; ++f) record->leftSamples[f] = 0.95f;
            UpdateOverview(*record, first, 50, 1);
            NotifySamplesChanged(record, first, first + 50);
            const QImage cached = view.grab().toImage();
            EditorView fresh(record);
            UseTestColours(fresh);
            fresh.resize(852, 400);
            const QImage clean = fresh.grab().toImage();
            const QRect lanes = view.Layout().lanesArea.toRect();
            QCOMPARE(cached.copy(lanes), clean.copy(lanes));
        }
    }

    void scrolledCacheMatchesAFreshPaint() {
        WaveRecord* record = MakeStereoTestSound(400000);
        for (uint32_t span : {400000u, 20000u, 400u}) {
            record->viewStart = 100000;
            record->viewSpan = span;
            EditorView view(record);
            UseTestColours(view);
            view.resize(852, 400);
            view.grab();
            const QPoint at = LanePoint(view, 0, 300, 0.5);
            QWheelEvent down(at, view.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                             Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&view, &down);
            QWheelEvent up(at, view.mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                           Qt::NoModifier, Qt::NoScrollPhase, false);
            const QImage scrolledOnce = view.grab().toImage();
            QApplication::sendEvent(&view, &up);
            const QImage cached = view.grab().toImage();
            EditorView fresh(record);
            UseTestColours(fresh);
            fresh.resize(852, 400);
            const QImage clean = fresh.grab().toImage();
            const QRect lanes = view.Layout().lanesArea.toRect();
            QCOMPARE(cached.copy(lanes), clean.copy(lanes));
            if (span < 400000) QVERIFY(scrolledOnce.copy(lanes) != clean.copy(lanes));
        }
    }

    void renderImageHasTheWaveformInEachLane() {
        WaveRecord* record = MakeStereoTestSound(400000);
        EditorView view(record);
        UseTestColours(view);
        view.resize(852, 400);
        for (uint32_t span : {400000u, 20000u, 200u}) {
            record->viewStart = span >= 400000 ? 0 : 100000;
            record->viewSpan = span;
            const QImage image = view.RenderImage(QSize(1000, 500));
            QCOMPARE(image.size(), QSize(1000, 500));
            const ViewLayout layout = ComputeViewLayout(QSizeF(1000, 500), *record);
            QCOMPARE(layout.laneCount, 2);
            for (int lane = 0; lane < 2; ++lane) {
                const WaveCount count = CountWave(image, layout.lanes[lane].rect.toRect());
                QVERIFY2(count.columns > int(layout.lanes[lane].rect.width() * 0.9),
                         qPrintable(QString("span %1 lane %2: %3 columns")
                                        .arg(span)
                                        .arg(lane)
                                        .arg(count.columns)));
            }
            // Nothing of the waveform outside the lanes.
            QCOMPARE(CountWave(image, layout.timeRuler.toRect()).pixels, 0);
        }
        // The options move and add parts; the lanes still hold the waveform.
        view.SetOverviewStrip(true);
        view.SetEditStatus(true);
        view.SetBoxOutline(true);
        const QImage image = view.RenderImage(QSize(1000, 500));
        const ViewLayout layout = ComputeViewLayout(QSizeF(1000, 500), *record);
        QVERIFY(!layout.overview.isEmpty());
        QVERIFY(CountWave(image, layout.overview.toRect()).columns > 100);
        for (int lane = 0; lane < 2; ++lane)
            QVERIFY(CountWave(image, layout.lanes[lane].rect.toRect()).columns > 500);
    }
};

QTEST_MAIN(ViewTest)
#include "view_tests.moc"
