// Undo backups and the edit history of each editor: the Backups setting, the
// backup node and its three kinds, the operation name table, taking a backup,
// undo and redo by exchanging a backup with the record, trimming, and the
// Undo History list logic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_record.h"

namespace ob {

enum BackupKind : uint32_t {
    kBackupWholeEditChannels = 0,  // whole wave, edit channels
    kBackupRange = 1,              // affect range, edit channels
    kBackupWholeAllChannels = 2,   // whole wave, all channels
    // Not a kind of its own: the edit takes its backup itself with
    // AdoptIntoBackup, so MakeBackup (and BeginEdit) take none.
    kBackupByCaller = 3,
};

// Operation numbers used by this and other modules (index into the name table).
enum UndoOperation : uint32_t {
    kOpUnspecified = 0,
    kOpSilence = 4,
    kOpCombine = 9,
    kOpMonoToStereo = 11,
    kOpStereoToMono = 12,
    kOpSampleRateTranspose = 13,
    kOpEqBassTreble = 14,
    kOpEqFilters = 15,
    kOpEqGraFreq = 16,
    kOpEqParametric = 17,
    kOpCompressor = 18,
    kOpEnvelopeGenerator = 19,
    kOpGain = 20,
    kOpMaximize = 21,
    kOpNormalize = 22,
    kOpNoiseGate = 23,
    kOpCrossfadeLoop = 24,
    kOpDcOffset = 25,
    kOpReplicate = 26,
    kOpInsertSilence = 27,
    kOpUnclip = 28,
    kOpChorus = 33,
    kOpFlange = 34,
    kOpEcho = 35,
    kOpReverb = 36,
    kOpDifferentiate = 38,
    kOpIntegrate = 39,
    kOpInvert = 40,
    kOpReverse = 41,
    kOpRectifyFull = 42,
    kOpRectifyHalf = 43,
    kOpPitchShift = 45,
    kOpTimeStretch = 48,
    kOpTransferFunction = 49,
    kOpTimeVariantFilter = 53,
};
constexpr uint32_t kOperationNameCount = 59;
// The name shown in the Undo History; indexes outside 0..58 give "Unspecified".
const char* OperationName(uint32_t operation);

// One undo step. The same node serves undo and redo alternately: an exchange
// swaps its contents with the record.
struct UndoBackup {
    UndoBackup* next = nullptr;       // next older backup
    UndoBackup** backLink = nullptr;  // what points at this node
    float* left = nullptr;            // saved samples (large blocks) or null
    float* right = nullptr;
    PeakOverview leftOverview;  // saved overview copies (heap) or empty
    PeakOverview rightOverview;
    uint32_t start = 0;           // first frame saved
    uint32_t length = 0;          // frames saved (whole: the frameCount then)
    uint32_t overviewBlocks = 0;  // overview block count when taken
    uint32_t channels = 0;        // bit 0 left, bit 1 right
    uint32_t kind = 0;            // BackupKind
    uint32_t sampleRate = 0;
    uint32_t operation = 0;
    uint32_t viewStart = 0;
    uint32_t viewSpan = 0;
    int16_t viewLevelCentre = 0;
    uint16_t viewLevelSpan = 0;
};

// The Backups setting: 0 none, 1 one level (toggles), 2..1000 levels.
constexpr uint32_t kMaxBackups = 1000;
extern uint32_t gBackups;
// Clamps to 0..1000, stores it and trims the history of every editor.
void SetBackupDepth(int64_t value);
// The macro-recorder line of the Backup Depth dialog: "obBackups %d\n".
std::string BackupsMacroLine(uint32_t value);

// Results of MakeBackup.
enum BackupResult : int {
    kBackupMade = 0,
    kBackupNone = 1,      // nothing to save (setting 0, no channels, empty range, no wave)
    kBackupNoMemory = 2,  // reported; the edit goes on unprotected
};
// Where an edit that writes out of place reads its input. MakeBackup fills it
// when, asked to, it takes a whole-wave backup of the edit channels by handing
// the record's buffers to the backup instead of copying them: the record then
// holds new buffers of the same size for those channels whose contents are
// undefined, and the caller must write every frame of them (the edit reading
// source[c] and writing the record is what fills them). A channel whose source
// is null was not handed over and is edited in place.
struct BackupHandOver {
    const float* source[2] = {};  // left, right
    bool Active() const { return source[0] || source[1]; }
};

// Takes the backup before an edit. When no memory is left the message is
// reported and the record's older history is dropped as well: the edit then
// changes the wave unprotected, and an older backup could no longer be
// exchanged safely. With `handOver` a whole-wave backup of the edit channels
// (kind 0 as taken) moves the buffers instead of copying them, see above;
// range backups and the other kinds are copies as usual.
int MakeBackup(WaveRecord& record, uint32_t operation, uint32_t kind,
               BackupHandOver* handOver = nullptr);

// A whole-wave, all-channels backup (kind 2) for an edit that built the new
// channels of the wave out of place: the backup keeps the record's present
// buffers and overviews (moved, not copied) and the record gets `left`,
// `right` (null: mono) and `frames`. Without a backup (setting 0, or no
// memory for the node: reported as by MakeBackup) the old buffers are
// released. Either way the record holds the new channels afterwards.
int AdoptIntoBackup(WaveRecord& record, uint32_t operation, float* left, float* right,
                    uint32_t frames);

uint32_t BackupCount(const WaveRecord& record);
const UndoBackup* BackupAt(const WaveRecord& record, uint32_t index);  // 0 = newest
bool CanUndo(const WaveRecord& record);
bool CanRedo(const WaveRecord& record);

// Results of Undo / Redo / UndoHistoryChoose.
enum UndoResult : int {
    kUndoDone = 0,
    kUndoNoWave = 1,    // "No wave here to Undo." / "No wave here to Redo."
    kUndoNothing = 2,   // "Can't Undo at this point" / "Can't Redo at this point"
    kUndoError = 3,     // "Error processing Undo" / "Error processing Redo"
    kUndoNoChoice = 4,  // "No wave or undo to process"
};
// Perform that many single steps; messages are reported through ReportMessage.
int Undo(WaveRecord& record, uint32_t steps = 1);
int Redo(WaveRecord& record, uint32_t steps = 1);

// Removes the undone steps, then the oldest ones beyond the setting.
void DropRedoAndTrim(WaveRecord& record);
// Frees every backup of the record.
void DropBackups(WaveRecord& record);

// Undo History: the lines (operation names, newest first), the line to
// preselect, and what choosing a line does (record null or line out of range:
// "No wave or undo to process").
std::vector<std::string> UndoHistoryLines(const WaveRecord& record);
uint32_t UndoHistoryPreselected(const WaveRecord& record);
struct HistoryChoice {
    bool undo = true;  // undo or redo
    uint32_t steps = 0;
};
HistoryChoice UndoHistoryStepsFor(const WaveRecord& record, uint32_t line);
int UndoHistoryChoose(WaveRecord* record, int64_t line);

}  // namespace ob
