// Multi-clips: numbered, named stretches of frames. A clip first refers to a
// stretch of its source wave; after CopyClip (or when loaded from a file) it
// holds its own samples and survives changes to its source or its closing.
// Each editor has one active clip (the record's clip link).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wave/wave_record.h"

namespace ob {

constexpr uint32_t kClipDetached = 1;  // clipFlags bit 0: only the copy counts
constexpr size_t kClipNameMax = 80;    // characters kept of a clip name
constexpr size_t kClipDialogNameMax = 31;

struct Clip {
    Clip* next = nullptr;
    Clip** backLink = nullptr;  // the list head or the previous clip's link
    uint32_t number = 0;        // unique, 1 upward
    float* leftCopy = nullptr;  // own samples (large blocks) or null
    float* rightCopy = nullptr;
    uint32_t length = 0;           // frames
    WaveRecord* source = nullptr;  // null: the clip is empty
    uint32_t start = 0;            // first frame within the source
    uint32_t sampleRate = 44100;   // the source's rate when defined
    uint32_t clipFlags = 0;        // kClipDetached
    std::string name;              // at most kClipNameMax characters
};

// The clip list, newest first.
extern Clip* gClips;

// The lowest number no clip uses.
uint32_t LowestFreeClipNumber();
// A new empty clip with the lowest free number, at the head of the list (null
// when out of memory). `name` is cut to kClipNameMax characters.
Clip* NewClip(const std::string& name);
Clip* FindClip(uint32_t number);
Clip* FindClipByName(const std::string& name);  // case-insensitive
std::vector<Clip*> AllClips();                  // newest first
// Frees the clip and its copies and clears every editor's link to it.
void EraseClip(Clip* clip);
void EraseAllClips();

// The active clip of an editor (null: none).
Clip* ActiveClip(const WaveRecord& record);
void SetActiveClip(WaveRecord& record, Clip* clip);
// True when an editor other than `record` has the clip as its active clip.
bool ClipUsedElsewhere(const Clip* clip, const WaveRecord* record);

// Where a clip's samples are read from, limited to what is there now.
struct ClipSamples {
    const float* left = nullptr;
    const float* right = nullptr;  // null: mono
    uint32_t length = 0;
};
// False when the clip counts as no clip: no clip, no source, or a clip that
// refers to its source and finds no frame of it left. A clip with a copy
// reads only its copies (a missing right copy: mono); one without reads the
// source from `start`, limited to the source's frames.
bool ResolveClip(const Clip* clip, ClipSamples& out);
// True when the record's active clip is usable (the editor "has a clip").
bool HasUsableClip(const WaveRecord& record);

// Results of the clip commands of this file.
enum ClipResult : int {
    kClipDone = 0,
    kClipNone = 1,      // no usable clip
    kClipAlready = 2,   // "Clip already copied."
    kClipNoMemory = 3,  // out of memory, nothing changed
    kClipRefused = 4,   // the command does not apply to this clip
};
// Gives the clip its own copy of both channels (the right only when there is
// one), limited to the source's frames.
int TakeClipCopy(Clip& clip);
// Defines the clip as frames first..last (ordered, limited to the last frame)
// of `source`, without a copy and not detached.
void DefineClip(Clip& clip, WaveRecord& source, uint32_t first, uint32_t last);
// A clip that owns samples: `left`, `right` (null: mono) become its copies.
void AdoptClipSamples(Clip& clip, float* left, float* right, uint32_t length, uint32_t rate);

// When a wave is discarded: every clip of that source is freed when it has no
// copy and detached when it has one; editors lose links to freed clips.
void DetachClipsOf(const WaveRecord& record);

// "%2d %c%c\t%-32s \t%d": number, C (left copy), S (right copy), name, length.
std::string ClipListLine(const Clip& clip);
// "Initial active clip for this wave: %d" or "... None".
std::string InitialActiveClipText(const WaveRecord& record);

}  // namespace ob
