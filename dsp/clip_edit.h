// The clip commands of an editor (define, copy, cut, paste, replace, erase)
// and the system clipboard's copy, cut and paste, on the record; the shell
// moves the image bytes to and from the clipboard and asks the questions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/clips.h"
#include "wave/wave_record.h"

namespace ob {

// Clip definition. Each creates a clip with the lowest free number and the
// name, makes it the editor's active clip; a clip of no frames is deleted.
// Result: the clip, or null (reported: "Can't find specified Marker.", the
// memory message).
Clip* DefineClipByMarkers(WaveRecord& record, const std::string& name, int marker1, int marker2);
Clip* DefineClipByArea(WaveRecord& record, const std::string& name);
Clip* DefineClipByFrames(WaveRecord& record, const std::string& name, uint32_t first,
                         uint32_t last);

// The clip commands on the record's active clip; EditResult codes (kEditDone,
// kEditNothing with the missing-clip message, kEditNoMemory, kEditRefused).
int CopyActiveClip(WaveRecord& record);
// Removes the clip's frames from this wave, after taking the clip's copy.
int CutActiveClip(WaveRecord& record);
// Inserts the clip's frames before `frame` (past the end: appends). In an
// editor without a wave the clip becomes its wave.
int PasteActiveClip(WaveRecord& record, uint32_t frame);
// Overwrites from `frame`; a clip running past the end cuts the wave there
// and appends. Without a wave as PasteActiveClip.
int ReplaceActiveClip(WaveRecord& record, uint32_t frame);
// An editor without a wave takes a copy of the clip as its wave (no backup).
int PasteClipIntoEmpty(WaveRecord& record, const Clip* clip);
// The frame of a marker for the Paste and Replace dialogs ("Can't find
// specified Marker." when missing): false then.
bool ClipPositionOfMarker(WaveRecord& record, int marker, uint32_t& frame);

// The question EraseClip asks first.
std::string EraseClipQuestion(const WaveRecord& record, const Clip* clip);

// System clipboard. The image of the affect area (both channels when both
// are selected, else the selected one); kEditNothing for an empty range;
// refused with the memory message (caption "System Clipboard Copy") when it
// would pass 4 GB or the memory budget.
int SystemCopyImage(WaveRecord& record, std::vector<uint8_t>& image);
// Replaces the affect area with the image's sound ("Bad paste format";
// memory: caption "System Clipboard Paste"). An editor without a wave takes
// the image's sound, rate and the name "Pasted from System".
int SystemPasteImage(WaveRecord& record, const uint8_t* bytes, size_t size);

}  // namespace ob
