// The Cut or Keep List: pairs of markers (in position order) bound sections;
// the sections become clips with their own samples, are saved to files of
// their own, or every frame outside them goes to a new editor.
// The wave itself is never changed, so the command takes no undo backup.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_record.h"

namespace ob {

enum CutKeepMode : int {
    kCutKeepClips = 0,  // OB_CUTKEEPLIST_CLIP
    kCutKeepFiles = 1,  // OB_CUTKEEPLIST_FILE
    kCutKeepCut = 2,    // OB_CUTKEEPLIST_CUT
};

enum CutKeepResult : int {
    kCutKeepDone = 0,
    kCutKeepNoWave = 1,
    kCutKeepNoSections = 2,
    kCutKeepNoPath = 3,
    kCutKeepNoMemory = 4,
    kCutKeepSaveFailed = 5,
    kCutKeepAborted = 6,
    kCutKeepUnused7 = 7,  // free
    kCutKeepBadMode = 8,
    kCutKeepNoEditor = 9,
};
// The message of a result ("" for kCutKeepDone).
const char* CutKeepResultText(int result);

// One section: frames first..last, both included.
struct CutSection {
    uint32_t first = 0;
    uint32_t last = 0;
};
// Tidies the lists, then pairs the sorted, distinct marker positions: 1st
// with 2nd, 3rd with 4th, ...; a last unpaired position is ignored.
std::vector<CutSection> MarkerSections(WaveRecord& record);

// The file of section `number` (from 1): the path up to the dot of the file
// name's extension (the whole path when the name has none) + "." + number +
// the extension of format `code`. Empty for an empty path.
std::string SectionFilePath(const std::string& path, int number, int code);

struct CutKeepOutcome {
    int newEditor = 0;       // kCutKeepCut: the new editor, 0 when nothing was left
    int sectionsDone = 0;    // sections handled
    std::string failedPath;  // kCutKeepSaveFailed: the file that could not be written
    int fileResult = 0;      // kCutKeepSaveFailed: the save's file result code
};

// Runs the list in `mode` with the default save format and WAV options for
// files. Progress runs over sections + 2 steps; an abort stops between
// sections (files written so far stay; a cut makes no editor).
int CutKeepList(WaveRecord& record, int mode, CutKeepOutcome* outcome = nullptr);

// Reports a result other than kCutKeepDone: a failed section file with its
// path as caption and the file result's text, the others with the record's
// title.
void ReportCutKeepResult(const WaveRecord& record, int result, const CutKeepOutcome& outcome);

// Plays the sections one after another (a play result code of
// audio/player.h; kPlayBadRange when there are no sections). The player
// holds its own references to the sample buffers, so an edit meanwhile
// never frees what it reads.
int PlayCutKeepPreview(WaveRecord& record);

// "obCutKeepList %d, OB_CUTKEEPLIST_CLIP|FILE|CUT\n".
std::string CutKeepListLine(int editor, int mode);

}  // namespace ob
