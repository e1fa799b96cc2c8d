// Length-changing operations: replicate the affect area, insert silence,
// append another editor's sound. Each builds the new channels in new blocks
// first, so running out of memory changes nothing.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

enum ReplicateUnit : int {
    kReplicateSeconds = 0,
    kReplicateMilliseconds = 1,
    kReplicateRepetitions = 2
};
struct ReplicateParams {
    double amount = 1.0;  // must be above 0
    int unit = kReplicateRepetitions;
};
// "Replication must be greater than 0"; "Not enough memory for this operation.\n"
// when the new length would pass the memory budget or 2^32 - 1 frames.
int Replicate(WaveRecord& record, const ReplicateParams& params);
// "obReplicate %d, %.3f, %s\n" with OB_REPLICATE_SECS / _MILLISECS / _REPS.
std::string ReplicateMacroLine(int editor, const ReplicateParams& params);

enum InsertUnit : int { kInsertSeconds = 0, kInsertMilliseconds = 1, kInsertSamplePoints = 2 };
enum InsertPlace : int {
    kInsertAtPosition = 0,  // the frame `position` (obInsertSilenceAt)
    kInsertSampleStart = 1,
    kInsertSampleEnd = 2,
    kInsertAffectStart = 3,
    kInsertAffectEnd = 4,
};
struct InsertSilenceParams {
    double amount = 0.0;
    int unit = kInsertSeconds;
    int place = kInsertSampleStart;
    uint32_t position = 0;  // for kInsertAtPosition
};
// "Silence area must be greater than 0 length" for no frames.
int InsertSilence(WaveRecord& record, const InsertSilenceParams& params);
// "obInsertSilence %d, %f, %s, %s\n"; at a frame "obInsertSilenceAt %d, %f, %s, %u\n".
std::string InsertSilenceMacroLine(int editor, const InsertSilenceParams& params);
// Frames an amount gives at a rate (64-bit, truncated).
uint64_t SilenceFrames(double amount, int unit, uint32_t rate);

struct AppendParams {
    int sourceEditor = 0;
    int order = 1;  // 1: this sound first, then the source; 0: the source first
};
// "Non-existant Editor!", "Empty Wave!".
int Append(WaveRecord& record, const AppendParams& params);
std::string AppendMacroLine(int editor, const AppendParams& params);  // "obAppend %d, %d\n"

// Shared by the length-changing operations: a new sample block of `frames`
// (null when it would pass 2^32 - 1 frames or the memory budget).
float* NewChannelBlock(uint64_t frames, bool zero);
void ReleaseChannelBlock(float* block, uint64_t frames);
// Puts new channel blocks of `frames` into the record, releasing the old ones.
void ReplaceChannels(WaveRecord& record, float* left, float* right, uint32_t frames);
// After a length change: view (Auto Zoom Out) and the whole overview.
void AfterLengthChange(WaveRecord& record);

}  // namespace ob
