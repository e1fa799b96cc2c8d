// The sound of one editor (WaveRecord), its loops and markers, the editor
// slots, the global editing state, the format codes, and the operations every
// subsystem uses on a record: lookups, loops, markers, tidy, affect range and
// channels, the zoom rule, sample-rate rules, peak overview and peak cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ob {

struct UndoBackup;  // the undo history (wave/undo.h)

// One loop of a wave. Invariant after a tidy: start < end <= frameCount - 1.
struct LoopNode {
    LoopNode* next = nullptr;
    uint32_t playCount = 1;  // kLoopEndless = endless
    uint32_t start = 0;      // frame
    uint32_t end = 0;        // frame, inclusive
    uint8_t id = 0;          // 0..255, unique within the wave
    uint8_t type = 0;        // bit 0: 0 forward, 1 forward/backward; bit 7: hidden
};
constexpr uint32_t kLoopEndless = 0xFFFFFFFFu;
constexpr uint8_t kLoopTypeHidden = 0x80;

// One marker of a wave. Markers 0 and 1 bound the Markers affect area.
struct MarkerNode {
    MarkerNode* next = nullptr;
    uint32_t position = 0;  // frame, <= frameCount - 1
    uint8_t id = 0;         // 0..255, unique within the wave
    std::string name;       // may be empty
};

// Peak overview of one channel: a (maximum, minimum) pair per 200-frame
// block, followed in the same heap block by a coarse level of one pair per
// 16 blocks, so the widest views read a sixteenth of the pairs. Every heap
// block of an overview is obtained with AllocateOverview (OverviewBytes) and
// every change of its pairs updates the coarse pairs over them as well.
struct PeakOverview {
    float* pairs = nullptr;  // 2 * blocks floats, then 2 * CoarseBlockCount(blocks)
    uint32_t blocks = 0;
};
constexpr uint32_t kOverviewBlockFrames = 200;
constexpr uint32_t kOverviewMinBlocks = 500;
constexpr uint32_t kCoarseOverviewBlocks = 16;  // overview blocks per coarse pair

inline uint32_t CoarseBlockCount(uint32_t blocks) {
    return blocks / kCoarseOverviewBlocks + (blocks % kCoarseOverviewBlocks != 0);
}
// The coarse pairs of an overview: pair k folds blocks 16k .. 16k + 15 (the
// last one the blocks that remain).
inline const float* CoarsePairs(const PeakOverview& overview) {
    return overview.pairs + 2 * size_t(overview.blocks);
}

constexpr uint32_t kStateChanged = 0x80000000u;  // stateFlags bit 31
constexpr size_t kMaxNameLength = 73;            // names read from files

struct WaveRecord {
    float* leftSamples = nullptr;  // channel 1 (mono or left); null = no wave
    uint32_t frameCount = 0;
    uint32_t viewStart = 0;
    uint32_t viewSpan = 0;
    int16_t viewLevelCentre = 0;
    uint16_t viewLevelSpan = 65535;
    float* rightSamples = nullptr;  // channel 2; null = mono
    uint32_t sampleRate = 44100;
    uint32_t displayOffset = 0;

    // Display state: drawing only, apart from viewWidth which the In View
    // affect area and the zoom rule use (0 = the window has no drawing area).
    uint32_t viewWidth = 0;
    uint32_t colours[6] = {};
    uint32_t timeUnit = 0;
    uint32_t levelUnit = 0;
    uint32_t displayOptions = 0;
    void* window = nullptr;  // the editor window (owned by the shell)

    int16_t sustainLoopId = -1;
    int16_t releaseLoopId = -1;
    LoopNode* loops = nullptr;      // newest first
    MarkerNode* markers = nullptr;  // newest first
    uint8_t keyLow = 0;
    uint8_t keyHigh = 0;
    uint8_t keyRoot = 0;
    int8_t fineTune = 0;  // cents, -50..+50

    int editorNumber = 0;  // 1..99, 0 for the default record
    std::string name = "Untitled";

    PeakOverview leftOverview;
    PeakOverview rightOverview;
    uint32_t tempo = 120;
    uint32_t beatsPerBar = 4;
    uint32_t mouseStart = 0;
    uint32_t mouseLength = 0;
    uint32_t mouseChannels = 0;  // bit 0 left, bit 1 right; 0 = no mouse area yet
    int32_t sourceFormat = -1;
    std::string filePath;     // empty = never saved
    uint32_t stateFlags = 0;  // bit 31 = changed since last open or save
    std::string scratchPath;  // companion scratch file deleted on discard

    UndoBackup* undoHead = nullptr;  // newest backup
    uint32_t undoPosition = 0;       // how many of the newest backups are undone
    void* clipLink = nullptr;        // multi-clip link (later)
};

// "%2d:  " followed by the name.
std::string TitleOf(const WaveRecord& record);

// ---- Format codes ----
enum FormatCode : int {
    kFormatAiff16 = 0,
    kFormatSd1 = 2,
    kFormat8svx = 3,
    kFormatWav8 = 5,
    kFormatWav16 = 6,
    kFormatRaw8s = 7,
    kFormatRaw8u = 8,
    kFormatRaw16m = 9,
    kFormatRaw16i = 10,
    kFormatRawAlaw = 11,
    kFormatRawUlaw = 12,
    kFormatS16v3 = 13,
    kFormatAu = 14,
    kFormatVoc = 15,
    kFormatRealAudio = 16,
    kFormatWav32 = 17,
    kFormatAiff24 = 18,
    kFormatWav24 = 19,
    kFormatMp3 = 20,
};
// "AIFF 16 bit", ...; codes without a name give "Unspecified".
const char* FormatName(int code);
// Bits per sample a format keeps: 8, 16 (also a-law, u-law and RealAudio,
// whose decoded values need 16), 24, or 32 for float and for codes without a
// format (text import, none): the samples are floats then.
int FormatBits(int code);
// ".aif", ...; "" for codes without an extension.
const char* FormatExtension(int code);
// The display order of the format list (19 entries, the last -1 = Unspecified).
extern const int kFormatDisplayOrder[19];

// ---- Global editing state ----
enum AffectArea : uint16_t {
    kAffectAll = 1,
    kAffectInView = 2,
    kAffectMarkers = 3,
    kAffectMouse = 4
};
enum EditChannelBits : uint32_t { kEditLeft = 1, kEditRight = 2, kEditLeftRight = 3 };

struct EditingState {
    uint16_t affectArea = kAffectAll;
    uint32_t editChannel = kEditLeftRight;
    int defaultSaveFormat = kFormatWav32;
    uint32_t wavOptions = 15;
};
extern EditingState gEditing;

// ---- Editor slots ----
constexpr int kEditorSlots = 100;  // 0 = the default record, 1..99 = editors
// Slot 0 always holds the default record (a static record that never holds a
// wave; its display settings are the template for new editors).
extern WaveRecord* gEditorSlots[kEditorSlots];
// The active editor (what editor number 0 addresses); 0 = none. The shell
// sets it from the active window, the batch runner from the last opened editor.
extern int gActiveEditor;

WaveRecord* FindEditor(int number);
WaveRecord* FindEditorWithWave(int number);
bool WaveHasData(const WaveRecord* record);
int EditorNumberOf(const WaveRecord* record);
WaveRecord* RecordOfWindow(const void* window);
int NextUsedEditor(int from);

// Result of CreateEditor: 0 ok, 1 no free slot, 2 no memory.
int CreateEditor(int* numberOut);
void CloseEditor(int number);
void CloseAllEditors();
void ResetRecord(WaveRecord& record);
// Drops overviews, lists, undo backups, samples and the scratch file, then resets.
void DiscardWave(WaveRecord& record);
// Copies a wave into a new editor; returns its number, or 0 on failure.
int DuplicateWave(const WaveRecord& source);

// ---- Shared samples ----
// Copy on write for sample buffers that another owner (the player) holds:
// gives the record private copies of its shared channel buffers before it
// writes into them in place. False when a copy cannot be allocated; then
// gStopSharingHook (the player's stop) runs so the record owns its buffers
// alone again, and the result is still true unless that did not help.
bool UnshareSamples(WaveRecord& record);
extern void (*gStopSharingHook)();

// ---- Sample rate rules ----
uint32_t GetSampleRate(const WaveRecord& record);
void SetSampleRate(WaveRecord& record, uint32_t hz);  // 100..200000, else 22050
uint32_t SnapSampleRate(uint32_t hz);
uint32_t RateToPeriod(uint32_t hz);
uint32_t PeriodToRate(uint32_t ns);

// ---- Nodes ----
// Loop and marker nodes come from the heap allocator (Allocate with
// kAllocHeap), so running out of memory gives null; free them only with these.
LoopNode* NewLoopNode();                      // playCount 1, the rest zero
void FreeLoopNode(LoopNode* node);            // null does nothing
MarkerNode* NewMarkerNode(const char* name);  // name may be null (empty name)
void FreeMarkerNode(MarkerNode* node);        // null does nothing

// ---- Loops ----
LoopNode* FindLoop(WaveRecord& record, int id);
LoopNode* AddDefaultLoop(WaveRecord& record, int id);  // null when out of memory
LoopNode* SetLoop(WaveRecord& record, uint32_t start, uint32_t end, uint8_t type, int id);
void DeleteLoop(WaveRecord& record, int id);

// ---- Markers ----
MarkerNode* FindMarker(WaveRecord& record, int id);
MarkerNode* FindMarkerByName(WaveRecord& record, const std::string& name);
// name == nullptr means "no name given".
MarkerNode* SetMarker(WaveRecord& record, uint32_t position, int id, const char* name);
void DeleteMarker(WaveRecord& record, int id);
void DeleteMarkerByName(WaveRecord& record, const std::string& name);

// ---- Lists as a whole ----
void TidyLoopsAndMarkers(WaveRecord& record);
enum ListBits : unsigned { kListLoops = 1, kListMarkers = 2 };
void ClearLists(WaveRecord& record, unsigned what);
int CopyLists(unsigned what, const WaveRecord& from, WaveRecord& to);  // 1 ok, 0 failure

// ---- Affect area ----
struct FrameRange {
    uint32_t start = 0;
    uint32_t length = 0;
};
FrameRange AffectRange(WaveRecord& record);
uint32_t AffectChannels(const WaveRecord& record);
// Frames visible across `widthPixels` with viewSpan `span` (the zoom rule).
uint32_t VisibleFrames(uint32_t widthPixels, uint32_t span);

// ---- Overview and peak cache ----
uint32_t OverviewBlockCount(uint32_t frameCount);  // frameCount / 200 + 1
void UpdateOverview(WaveRecord& record, uint32_t start, uint32_t length, uint32_t channels);
// Bytes of the heap block of an overview of `blocks` pairs and its coarse level.
size_t OverviewBytes(uint32_t blocks);
// Gives `overview` an unfilled heap block for `blocks` pairs (what it held
// before is released); false, and an empty overview, when memory runs out.
bool AllocateOverview(PeakOverview& overview, uint32_t blocks);
// Releases the heap block of one overview and empties it.
void FreeOverview(PeakOverview& overview);
// The pairs of blocks first..last of one channel of `frameCount` frames (for
// a reader that builds the overview while it fills the channel, front to
// back; the frames of those blocks must be in place). A coarse pair is built
// when its last block is, from the blocks before it, so one reader thread
// must fill each run of 16 blocks.
void ComputeOverviewBlocks(const float* samples, uint32_t frameCount, PeakOverview& overview,
                           uint32_t first, uint32_t last);
// Rebuilds the coarse pairs over blocks first..last from the pairs.
void UpdateCoarseOverview(PeakOverview& overview, uint32_t first, uint32_t last);
void DropOverviews(WaveRecord& record);
// Path of the peak cache beside a sound: the path with ".pkc" appended.
std::string PeakCachePath(const std::string& soundPath);
// True when a matching, not older cache was loaded into the record.
bool LoadOverviewCache(WaveRecord& record, const std::string& soundPath);
// Writes the cache beside the sound; silently does nothing on failure.
void SaveOverviewCache(const WaveRecord& record, const std::string& soundPath);

}  // namespace ob
