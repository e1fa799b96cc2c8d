// Helpers shared by the sound file readers and writers of formats/: the
// reader outcome, obtaining and releasing a record's channel buffers, the
// reset after a failed load, streaming sample transfer between a file and the
// channel buffers, and small byte helpers for fixed headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/byte_order.h"
#include "wave/file_result.h"
#include "wave/sample_convert.h"
#include "wave/wave_record.h"

namespace ob {

// What a reader returns: a file result code, whether the file's signature was
// accepted (the open chain then reports a failure instead of trying the next
// reader), and the format code of what was loaded.
struct ReadOutcome {
    int result = kFileOk;
    bool recognised = false;
    int format = -1;
};

// Bytes moved per piece when streaming samples: a whole number of frames for
// every frame size of 1, 2, 3, 4, 6 and 8 bytes.
constexpr size_t kPieceBytes = 24 * 43690;

// Obtains zeroed channel buffers for `frames` frames of `channels` (1 or 2)
// channels and stores them in the record with frameCount. Returns kFileOk,
// kFormatNotSupported when frames is 0 or does not fit the record, or
// kNotEnoughMemory (then the record holds no wave).
int AllocateWave(WaveRecord& record, uint64_t frames, int channels);
// Releases the record's channel buffers; frameCount becomes 0.
void ReleaseWave(WaveRecord& record);
// The reset after a failed load: no samples, no loops or markers, rate
// 44100, no loop roles, key map and fine tune 0, name "Untitled".
void ResetAfterFailedLoad(WaveRecord& record);

// How samples are stored in a file: one of the shared encodings, or 32-bit
// big-endian integers (AIFF only), which the shared conversions do not cover.
struct FileSamples {
    SampleEncoding encoding = SampleEncoding::S16BE;
    bool int32Big = false;
    int BytesPerSample() const { return int32Big ? 4 : ob::BytesPerSample(encoding); }
};

// Reads `frames` interleaved frames from the current position of `fd` into the
// record's buffers (already allocated for at least that many frames), in
// pieces. kFileOk, kFileReadError on a short read, kNotEnoughMemory.
int ReadFrames(int fd, WaveRecord& record, uint64_t frames, int channels, FileSamples layout);
// Writes `frames` frames of the given channels (right ignored for mono)
// converted to `encoding`, in pieces. kFileOk, kFileWriteError, kNotEnoughMemory.
int WriteFrames(int fd, const float* left, const float* right, uint64_t frames, int channels,
                SampleEncoding encoding);

// Writes all bytes or fails.
bool WriteAll(int fd, const void* data, size_t size);
// Saves `headSize` header bytes (none when 0) followed by the record's frames
// of `channels` channels in `encoding`, through a temporary file renamed over
// `path`. kFileOk, kFileWriteError, kNotEnoughMemory; the old file stays on failure.
int SaveHeaderAndFrames(const std::string& path, const void* head, size_t headSize,
                        const WaveRecord& record, int channels, SampleEncoding encoding);
// Reads exactly `size` bytes at `offset` (pread); false on a short read.
bool ReadAt(int fd, int64_t offset, void* data, size_t size);

// A name stored in a file: at most `max` characters, ending at the first NUL.
std::string BoundedText(const uint8_t* p, size_t size, size_t max);
// True when the name is empty or "Untitled" in any mix of case.
bool IsUntitled(const std::string& name);
// Limits a value to 0..127 (key numbers) and -50..+50 (fine tune).
uint8_t LimitKey(int value);
int8_t LimitFineTune(int value);

// The sustain loop, else the release loop; null when the wave has neither.
const LoopNode* SustainLoop(const WaveRecord& record);
const LoopNode* ReleaseLoop(const WaveRecord& record);

}  // namespace ob
