// The editor window's view of one wave record: overview strip, time and level
// rulers, one lane per channel, markers, loops and the shaded affect area,
// with the modes Normal (select), Zoombox, Freehand Draw and Scrub, and the
// play position line. The view keeps
// no position of its own: it reads and writes the record's view fields, the
// mouse area and the global affect area and edit channel, so undo and the
// scripts see what the window shows. It observes the record's change notices
// and repaints only the columns of changed frames.
#pragma once

#include <QImage>
#include <QWidget>
#include <utility>
#include <vector>

#include "app/view_layout.h"
#include "app/view_mapping.h"
#include "app/view_style.h"
#include "wave/change_notice.h"
#include "wave/wave_record.h"

class QScrollBar;

namespace ob {

enum ViewMode : int { kModeNormal = 0, kModeZoombox = 1, kModeFreehand = 2, kModeScrub = 3 };
// The operation name "Freehand Draw" in the undo history.
constexpr uint32_t kOpFreehandDraw = 50;

class EditorView : public QWidget, public ChangeObserver {
    Q_OBJECT
  public:
    explicit EditorView(WaveRecord* record, QWidget* parent = nullptr);
    ~EditorView() override;

    WaveRecord* Record() const { return m_record; }
    int Mode() const { return m_mode; }

    // View options (bits of the record's displayOptions).
    void SetOverviewStrip(bool on) { SetOption(kViewOverview, on); }
    void SetEditStatus(bool on) { SetOption(kViewEditStatus, on); }
    void SetColorPoint(bool on) { SetOption(kViewColorPoint, on); }
    void SetXYReadout(bool on) { SetOption(kViewXYReadout, on); }
    void SetBoxOutline(bool on) { SetOption(kViewBoxOutline, on); }
    void SetOption(uint32_t bit, bool on);
    bool Option(uint32_t bit) const;
    // The eight drawing colours in settings order (Clr1..Clr8, see ColourRole);
    // the shell hands over its configured ones.
    void SetColors(const QColor colours[8]);
    // Back to colours that follow the palette.
    void UsePaletteColors();

    // The whole view drawn into an image of `size` through the same paint path
    // as the screen (Save Image, Print, tests).
    Q_INVOKABLE QImage RenderImage(QSize size);

    // The frame <-> pixel mapping of the lanes as drawn now (x = 0 at the
    // lanes' left edge) and where the parts are.
    ViewMapping Mapping() const;
    ViewLayout Layout() const;
    // The readout text as last sent.
    QString ReadoutText() const { return m_readout; }

    void OnChange(const ChangeNotice& notice) override;

  public slots:
    void SetMode(int mode);
    void ZoomIn();
    void ZoomOut();
    void ShowFull();
    void ZoomToSelection();
    void ZoomLevelIn();
    void ZoomLevelOut();
    void ScrollToStart();
    void ScrollToEnd();
    // Forgets every cached pixel and repaints (after changes made without a notice).
    void Refresh();
    // The play position line at `frame`; -1 hides it. Only the columns of
    // the old and the new line are repainted.
    void SetPlayPosition(qint64 frame);

  public:
    qint64 PlayPositionShown() const { return m_playFrame; }

  signals:
    void readoutChanged(const QString& text);
    void modeChanged(int mode);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    enum class Drag {
        None,
        Select,
        Zoombox,
        Draw,
        Marker,
        LoopStart,
        LoopEnd,
        Overview,
        Scrub,
        Shuffle
    };
    struct CacheKey {
        ViewMapping mapping;
        int16_t levelCentre = 0;
        uint16_t levelSpan = 0;
        const float* left = nullptr;
        const float* right = nullptr;
        QSize pixels;
        double dpr = 1;
        uint32_t colourGeneration = 0;
        bool colourPoints = false;
        ShadedArea shade;
        int shadeAlpha = 0;
        uint32_t editChannels = 0;
        bool SameExceptStart(const CacheKey& o) const;
    };

    QSizeF PaintSize() const;
    int LanesWidth() const;
    void PaintView(QPainter& painter, const ViewLayout& layout, bool onScreen);
    void PaintOverviewStrip(QPainter& painter, const QRectF& rect);
    void PaintEditStatusLine(QPainter& painter, const QRectF& rect);
    void PaintPointerReadout(QPainter& painter, const ViewLayout& layout);
    const QImage& UpdatedWaveCache(const ViewLayout& layout, double dpr);
    WavePaintJob PaintJob(const ViewLayout& layout) const;
    void InvalidateFrames(uint32_t first, uint32_t end);
    void ViewChanged();
    void SelectionChanged();
    void SyncScrollBar();
    void OnScrollBar(int value);
    void UpdateReadout(QPointF pointer, bool inside);
    int LaneAt(QPointF pos, const ViewLayout& layout) const;

    // Mouse work (editor_view_mouse.cpp).
    void BeginSelection(QPointF pos, Qt::KeyboardModifiers modifiers, const ViewLayout& layout);
    void ExtendSelection(QPointF pos);
    bool HitHandle(QPointF pos, const ViewLayout& layout, Drag& kind, int& id) const;
    void MoveHandle(QPointF pos);
    void RecordHandleLine();  // the obSetMarker / obSetLoop line of a finished drag
    void BeginStroke(QPointF pos, const ViewLayout& layout);
    void ContinueStroke(QPointF pos);
    void EndStroke();
    void FinishZoombox(QPointF pos);
    void JumpFromOverview(QPointF pos);
    int64_t PointerFrame(QPointF pos) const;
    bool BeginShuffle(QPointF pos);
    void FinishShuffle(QPointF pos);
    static uint32_t ShuffleDrop(QPointF pos, const ViewLayout& layout, const ViewMapping& m);
    QRect PlayLineRect(int64_t frame) const;
    void PaintPlayPosition(QPainter& painter, const ViewLayout& layout);

    WaveRecord* m_record = nullptr;
    int m_mode = kModeNormal;
    ViewColours m_colours;
    bool m_paletteColours = true;
    uint32_t m_colourGeneration = 0;
    QScrollBar* m_scrollBar = nullptr;
    bool m_syncingScrollBar = false;
    bool m_notifying = false;

    QImage m_cache;
    CacheKey m_cacheKey;
    bool m_cacheValid = false;
    std::vector<std::pair<int, int>> m_dirtyColumns;  // logical columns [x0, x1)
    QImage m_strip;
    bool m_stripValid = false;

    Drag m_drag = Drag::None;
    QPointF m_pressPos;
    QPointF m_pointer;
    bool m_pointerInside = false;
    uint32_t m_anchorFrame = 0;
    uint32_t m_dragChannels = 0;
    int m_handleId = 0;
    // Freehand stroke: the lane's channel, the last point and the frames touched.
    int m_strokeChannel = 0;
    int64_t m_strokeFrame = -1;
    double m_strokeValue = 0;
    uint32_t m_strokeFirst = 0;
    uint32_t m_strokeLast = 0;
    QString m_readout;
    uint32_t m_shownFrameCount = 0;
    int64_t m_playFrame = -1;  // the play position line, -1 for none  // frame count at the last
                               // notice (Auto Zoom Out)
};

}  // namespace ob
