// The play preferences: the "PLP0" record (ten 32-bit fields), its
// persisted names PlPfIter .. PlPfAtten, play preference files and the
// "orbick.play" start-up file.
#pragma once

#include <cstdint>
#include <string>

namespace ob {

enum PlayFlags : int32_t {
    kPlayShowPosition = 1,
    kPlayLock44k = 2,
    kPlay24Bit = 4,
};

struct PlayPrefs {
    int32_t iterations = 3;     // 0..1000000; 0 and 1 play once
    int32_t transpose = 0;      // semitones, -128..127
    int32_t area = 0;           // 0 whole sound, 1 affect area (set by the play command)
    int32_t channel = 0;        // 0 Auto, 1 Left Only, 2 Right Only
    int32_t loopChoice = 0;     // 0 Auto, 1 One-Shot, 2 Release
    int32_t loopDirection = 0;  // 0 Auto, 1 Forward, 2 Forward-Backward
    int32_t bufferSize = 2;     // 1 Small 8192, 2 Medium 32768, 3 Large 131072 bytes
    int32_t flags = kPlayShowPosition;
    int32_t device = 0;       // output device number
    int32_t attenuation = 0;  // dB: 0, 6, 12 or 18
};
constexpr uint32_t kPlayPrefsBytes = 40;
extern PlayPrefs gPlayPrefs;

// The ten persisted names, in field order.
extern const char* const kPlayPrefNames[10];
// Stores one persisted value by field index when it lies in the field's
// range (the device number is limited to `outputDevices`); false otherwise.
bool SetPlayPrefField(PlayPrefs& prefs, int field, int64_t value, int outputDevices);
int32_t PlayPrefField(const PlayPrefs& prefs, int field);

// The record's bytes (little-endian) and back; a swapped record (a file of
// the other byte order) is read field by field swapped. Fields out of range
// keep the value `prefs` had.
void PlayPrefsToRecord(const PlayPrefs& prefs, uint8_t record[kPlayPrefsBytes]);
void PlayPrefsFromRecord(const uint8_t record[kPlayPrefsBytes], bool swapped, PlayPrefs& prefs);

// Play preference files (the preset container, kind "PLP0"). Results are the
// container's (0 success).
int ReadPlayPrefsFile(const std::string& path, PlayPrefs& prefs);
int WritePlayPrefsFile(const std::string& path, const PlayPrefs& prefs);

// Buffer bytes of the buffer-size field (16-bit samples).
uint32_t PlayBufferBytes(int32_t bufferSize);
// Right shift of the attenuation field (0 dB .. -18 dB).
int AttenuationShift(int32_t attenuation);

}  // namespace ob
