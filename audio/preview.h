// The sound preview of the file-open dialog: a WAV file of 8-bit or 16-bit
// PCM or 32-bit float samples, mono or stereo, streamed from disk through the
// player's block entry as the player asks for it.
#pragma once

#include <string>

namespace ob {

enum PreviewResult : int {
    kPreviewOk = 0,
    kPreviewUnsupported = 1,  // "This format is not supported for preview"
    kPreviewNoMemory = 2,     // "Insufficient memory for preview"
    kPreviewPlayFailed = 3,   // the player's result text
};
constexpr const char* kPreviewUnsupportedText = "This format is not supported for preview";
constexpr const char* kPreviewNoMemoryText = "Insufficient memory for preview";

// Starts the preview (stopping any playback). `message` gets the text to show
// for a failure. The stream file and its buffer are released when the player
// stops (StopPlay, or the next playback).
int PreviewSoundFile(const std::string& path, std::string* message);

}  // namespace ob
