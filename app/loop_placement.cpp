#include "app/loop_placement.h"

#include "script/recorder.h"
#include "wave/auto_locate.h"
#include "wave/change_notice.h"

namespace ob {

PendingPlacement gPendingPlacement;

bool PlacementPending(const WaveRecord* record) {
    return gPendingPlacement.kind != PendingPlacement::None && gPendingPlacement.record == record;
}

void CancelPlacement() {
    gPendingPlacement = PendingPlacement{};
}

std::string PlacementPrompt() {
    switch (gPendingPlacement.kind) {
        case PendingPlacement::Marker:
            return "Click in the wave to place marker " + std::to_string(gPendingPlacement.id) +
                   ".";
        case PendingPlacement::Loop:
            return std::string("Click in the wave to place the ") +
                   (gPendingPlacement.haveStart ? "end" : "start") + " of loop " +
                   std::to_string(gPendingPlacement.id) + ".";
        default:
            return "";
    }
}

namespace {

void PlaceMarker(WaveRecord& record, uint32_t frame) {
    const PendingPlacement p = gPendingPlacement;
    CancelPlacement();
    const uint32_t at = SnapPosition(record, frame, kLocateMarkers);
    // An existing marker moves and keeps its name; a new one gets the name typed.
    if (!SetMarker(record, at, p.id, FindMarker(record, p.id) ? nullptr : p.name.c_str())) return;
    record.stateFlags |= kStateChanged;
    RecordLine([&] { return SetMarkerLine(EditorNumberOf(&record), p.id, at); });
    NotifyChange(&record, kChangeLoopsMarkers);
}

void PlaceLoop(WaveRecord& record, uint32_t frame) {
    PendingPlacement& p = gPendingPlacement;
    const uint32_t at = SnapPosition(record, frame, kLocateLoops);
    if (!p.haveStart) {
        p.haveStart = true;
        p.start = at;
        return;
    }
    uint32_t start = p.start, end = at;
    if (start > end) std::swap(start, end);
    if (start == end) {
        // Two clicks on one frame still make a loop of two frames.
        if (end + 1 < record.frameCount)
            ++end;
        else if (start > 0)
            --start;
        else {
            CancelPlacement();
            return;
        }
    }
    const PendingPlacement q = p;
    CancelPlacement();
    if (!SetLoop(record, start, end, q.type, q.id)) return;
    // A role is taken when its loop exists (the placed one does now).
    record.sustainLoopId = int16_t(q.sustain >= 0 && FindLoop(record, q.sustain) ? q.sustain : -1);
    record.releaseLoopId = int16_t(q.release >= 0 && FindLoop(record, q.release) ? q.release : -1);
    record.stateFlags |= kStateChanged;
    const int role = record.releaseLoopId == q.id ? 2 : (record.sustainLoopId == q.id ? 1 : 0);
    RecordLine(
        [&] { return SetLoopLine(EditorNumberOf(&record), q.id, start, end, q.type & 1, role); });
    NotifyChange(&record, kChangeLoopsMarkers);
}

}  // namespace

bool PlaceAt(WaveRecord& record, uint32_t frame) {
    if (!PlacementPending(&record) || !WaveHasData(&record)) return false;
    if (frame >= record.frameCount) frame = record.frameCount - 1;
    if (gPendingPlacement.kind == PendingPlacement::Marker)
        PlaceMarker(record, frame);
    else
        PlaceLoop(record, frame);
    return true;
}

void DragLoopPoint(WaveRecord& record, LoopNode& loop, bool& holdingStart, uint32_t frame) {
    frame = SnapPosition(record, frame, kLocateLoops);
    if (frame >= record.frameCount) frame = record.frameCount - 1;
    const uint32_t other = holdingStart ? loop.end : loop.start;
    if (frame == other) return;  // equal ends would delete the loop: keep it as it is
    if (holdingStart)
        loop.start = frame;
    else
        loop.end = frame;
    if (loop.start > loop.end) {
        std::swap(loop.start, loop.end);
        holdingStart = !holdingStart;
    }
}

}  // namespace ob
