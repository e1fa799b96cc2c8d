// The player: one per program, playing one editor (or a caller's blocks) at
// a time through the current audio backend. The calling thread sets up,
// opens the device and primes both buffers (so errors come back at once and
// the first buffer reaches the device right away); a playback thread then
// refills each buffer as the device takes it, without allocating. The samples
// played are held by shared ownership (see ShareBlock), so an edit or a
// closed editor never frees what the playback thread reads.
//
// Everything but PlayPosition, PlaybackRunning and the ended handler is for
// the main thread.
#pragma once

#include <cstdint>
#include <functional>

#include "audio/play_fill.h"
#include "wave/wave_record.h"

namespace ob {

enum PlayResult : int {
    kPlayOk = 0,
    kPlayNoMemory = 1,
    kPlayBadDevice = 2,
    kPlayDeviceAllocated = 3,
    kPlayUnsupportedFormat = 4,
    kPlayBadRange = 5,
    kPlayBadLoop = 6,
    kPlayCannotMeet = 7,
    kPlayReadWrite = 8,
    kPlayInternal = 9,
};
// "Playback was successful." ... ; other codes give the last entry.
const char* PlayResultText(int code);
// A device error as a play result.
int PlayResultOfDevice(int deviceError);

// Results of SetUpPlay.
enum SetUpResult : int { kSetUpOk = 0, kSetUpNoSound = 1, kSetUpLeftChosen = 2 };
// Chooses the range, channels, loop and iterations for `record`: the whole
// sound (loop choice of the preferences, or the whole range looped when
// `loop`), or the affect area looped as a whole.
int SetUpPlay(WaveRecord& record, bool whole, bool loop);
// Opens the device, primes both buffers and starts the playback thread.
int StartPlay();
// Stops and closes everything; safe when nothing plays.
void StopPlay();

// A key of the MIDI keyboard: plays `record` pitched by the key's distance
// from the key map's root (keys outside low..high give kNoteOutsideKeyRange
// and play nothing; a record without sound kPlayBadRange), looping the sustain loop until
// ReleaseNote, then on through the release loop (when it lies after the sustain loop) or the tail.
// Otherwise a play result.
constexpr int kNoteOutsideKeyRange = -1;
int PlayNote(WaveRecord& record, int key);
// The key was let go (any thread); takes effect at the next buffer.
void ReleaseNote();

// A frame range of a sound on the chosen channels (bit 1 left, 2 right):
// forward when first <= last, backward when reversed; no loops. Result 5
// when the range lies outside the sound or no chosen channel holds data.
int PlayRange(WaveRecord& record, int64_t first, int64_t last, uint32_t channels);

// Blocks of floats from a caller's fill function, for previews: `fill` is
// called on the playback thread (and once or twice on the calling thread
// while priming) to put up to `frames` frames into `left` (and `right` for
// two channels); it returns the frames it gave, fewer at the end.
using PlayFillFunction = std::function<uint32_t(float* left, float* right, uint32_t frames)>;
int PlayBlocks(uint32_t rate, uint32_t channels, PlayFillFunction fill);

// True from StartPlay until the last buffer has played (any thread).
bool PlaybackRunning();
// True while the device is open (until StopPlay).
bool PlayerOpen();
// The editor being played, 0 for none (or blocks).
int PlayedEditor();
// The frame the device is playing now, for the editor's 50 ms position
// timer (or the source frame of PlayBlocks); false when nothing plays or
// Show Position is off. Any thread.
bool PlayPosition(int64_t* frame);
// Called on the playback thread when the last buffer has played; the shell
// posts a StopPlay to the main thread from it.
void SetPlaybackEndedHandler(std::function<void()> handler);
// Waits until the playback has ended or the abort flag is set; true when it ended.
bool WaitForPlaybackEnd();

// What the current (or last) playback chose, for tests and the dialogs.
struct PlayerInfo {
    uint32_t playRate = 0;
    uint32_t deviceRate = 0;
    uint32_t channels = 0;
    uint32_t bits = 0;
    uint32_t framesPerBuffer = 0;
    int64_t step = 0;  // integer step * 8192 + fractional step
    int loopKind = 0;
    bool pingPong = false;
    uint32_t iterations = 0;
    uint32_t channelBits = 0;
    int64_t framesWritten = 0;
    int result = 0;  // the result of the playback thread (8 on a write failure)
};
PlayerInfo CurrentPlayerInfo();

// Installs edit-and-play and the stop that copy on write falls back on.
void InstallPlayerHooks();

}  // namespace ob
