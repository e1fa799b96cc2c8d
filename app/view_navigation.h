// Moving and zooming an editor's view: every change goes into the record's
// view fields (viewStart, viewSpan, viewLevelCentre, viewLevelSpan), which the
// undo steps restore and the scripts read. No Qt here.
#pragma once

#include <cstdint>

#include "wave/wave_record.h"

namespace ob {

// Keeps viewStart inside the wave and, where the wave is longer than the view,
// the view filled up to the end. `width` is the drawing width in pixels.
void ClampView(WaveRecord& record, int width);
// Shows the whole sound.
void ShowFullView(WaveRecord& record, int width);
// Halves (in) or doubles (out) the frames across the window, keeping the frame
// under pixel `anchorX` where it is. Zooming in stops at 64 pixels per frame,
// zooming out at the whole sound.
void ZoomTime(WaveRecord& record, int width, bool in, double anchorX);
// Shows frames start .. start + length - 1 (at least as far as the zoom rule allows).
void ZoomToFrames(WaveRecord& record, int width, uint32_t start, uint32_t length);
// Halves or doubles the level span (16 .. 65535 steps), keeping the centre.
void ZoomLevel(WaveRecord& record, bool in);
// Shows the levels lo .. hi (floats, lo < hi).
void ZoomToLevels(WaveRecord& record, double lo, double hi);
// Moves the view by `frames` (negative: towards the start).
void ScrollFrames(WaveRecord& record, int width, int64_t frames);
void ScrollToStart(WaveRecord& record, int width);
void ScrollToEnd(WaveRecord& record, int width);

constexpr uint32_t kMaxPixelsPerFrame = 64;
constexpr uint16_t kMinLevelSpan = 16;

}  // namespace ob
