// The recorder: records from the input device straight into a WAV file
// (16-bit PCM, or 32-bit float for 24-bit recording), with the transport of
// the record window (go to start, end or an offset, play back, stop,
// record, monitor), peak meters, completion of the header sizes when the
// window closes, and loading the recorded file into the editor.
//
// The window's commands run on the main thread; while the input runs, a
// recording thread takes each buffer from the device, measures its peaks
// and writes it at the file position. Every transport command stops that
// thread first, so the file is only ever used by one thread at a time.
// A recording that would pass the 4 GiB limit of WAV files stops before it
// with a notice; the file stays valid.
#pragma once

#include <cstdint>
#include <string>

#include "wave/wave_record.h"

namespace ob {

enum RecordResult : int {
    kRecordOk = 0,
    kRecordNoMemory = 1,
    kRecordBadDevice = 2,
    kRecordDeviceAllocated = 3,
    kRecordUnsupportedFormat = 4,
    kRecordCannotMeet = 5,
    kRecordReadWrite = 6,
    kRecordInternal = 7,
    kRecordCannotOpenFile = 8,  // "Could not open file for recording" (reported)
};
// "Record was successful." ...; other codes give the last entry.
const char* RecordResultText(int code);
int RecordResultOfDevice(int deviceError);

constexpr const char* kRecordLimitNotice =
    "Recording stopped: the file has reached the 4 GB size limit of WAV files.";

// What the record window shows.
struct RecorderView {
    bool open = false;
    const char* status = "Stop";  // "Stop", "Play" or "Record"
    bool monitoring = false;
    int64_t position = 0;                         // frames
    int64_t length = 0;                           // frames
    int32_t peakLeft = 0, peakRight = 0;          // last buffer, 0..32767
    int32_t heldPeakLeft = 0, heldPeakRight = 0;  // since Reset Peak
    uint32_t channels = 0, rate = 0;
    bool highResolution = false;
    bool writeError = false;  // "Record Error" in the status bar
    std::string path;
};

// Opens the record window's recorder for `record`: takes the record
// preferences, creates `record.filePath`, sets the record's rate, writes the
// header, opens the input device. A failure is reported (with the editor's
// title) and returned; the caller then closes the recorder (which deletes the
// still empty file).
int OpenRecorder(WaveRecord& record);
// Closes the window: completes the header (file size - 8 at 4, the data
// size), closes the device and the file, deletes an empty file, and with
// `autoLoad` loads a file of at least 37 data bytes into the editor. Returns
// true when the file was loaded.
bool CloseRecorder(bool autoLoad);

void RecorderRecord();
void RecorderMonitor(bool on);
void RecorderStop();
void RecorderGoToStart();
void RecorderGoToEnd();
void RecorderGoToOffset(int64_t frame);
int RecorderPlay();  // a player result; reported by the caller
void RecorderResetPeak();
RecorderView RecorderState();
// The limit notice once (empty when there is none); the window shows it.
std::string RecorderTakeNotice();
// Waits until the input stops by itself (a file device's input ended, or the
// size limit); for tests and batch runs.
void RecorderWaitForInputEnd();

// The largest file the recorder writes (UINT32_MAX bytes); tests lower it.
void SetRecordFileLimit(uint64_t bytes);

// The header (44 bytes for 16-bit, 46 for 24-bit recordings as float).
uint32_t RecordHeaderBytes(bool highResolution);

}  // namespace ob
