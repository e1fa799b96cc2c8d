// The record preferences: the "RCPF" preset record (six 32-bit fields, an
// 80-byte name, 4 reserved bytes), the 16 built-in presets, reading with the
// clamps of the Record Preferences dialog, and the rate it chooses.
#pragma once

#include <cstdint>
#include <string>

namespace ob {

constexpr int32_t kRecord24Bit = 2;  // flags

struct RecordPrefs {
    int32_t channels = 1;        // 1 mono, 2 stereo
    int32_t bufferSize = 0;      // 0 Small (8192 bytes), 1 Large (32768 bytes)
    int32_t rateChoice = 2;      // 0 11025, 1 22050, 2 44100, 3 custom
    int32_t customRate = 44056;  // Hz, at least 100
    int32_t device = 0;          // input device number
    int32_t flags = 0;           // kRecord24Bit
    std::string name;
};
constexpr uint32_t kRecordPrefsBytes = 108;
constexpr int kRecordPresetCount = 16;
extern const RecordPrefs kRecordPresets[kRecordPresetCount];
// The current settings; they start as the first built-in preset.
extern RecordPrefs gRecordPrefs;

// Results of reading a record: 0 taken; 1 refused (channels other than 1
// or 2, or a rate choice other than 0..3), nothing changed. A custom rate
// below 100 becomes 100, a device number outside the `inputDevices` devices
// becomes 0, any buffer size other than 0 is Large, and flags keep only the
// 24-bit bit.
int RecordPrefsFromRecord(const uint8_t record[kRecordPrefsBytes], bool swapped, int inputDevices,
                          RecordPrefs& prefs);
void RecordPrefsToRecord(const RecordPrefs& prefs, uint8_t record[kRecordPrefsBytes]);

// Record preference preset files. Results: the container's codes, or 8 when
// the record is refused.
constexpr int kRecordPrefsRefused = 8;
int ReadRecordPrefsFile(const std::string& path, int inputDevices, RecordPrefs& prefs);
int WriteRecordPrefsFile(const std::string& path, const RecordPrefs& prefs);

// 11025, 22050, 44100 or the custom rate.
uint32_t RecordRate(const RecordPrefs& prefs);
// 8192 or 32768 bytes (doubled for 24-bit by the recorder).
uint32_t RecordBufferBytes(const RecordPrefs& prefs);

}  // namespace ob
