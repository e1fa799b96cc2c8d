// The record preferences record, its built-in presets and its files.
#include "audio/record_prefs.h"

#include <cstring>

#include "dsp/preset_file.h"

namespace ob {

const RecordPrefs kRecordPresets[kRecordPresetCount] = {
    {1, 0, 2, 44056, 0, 0, "CD quality, mono"},
    {2, 0, 2, 44056, 0, 0, "CD quality, stereo"},
    {1, 0, 3, 48000, 0, 0, "CD quality DAT rate, mono"},
    {2, 0, 3, 48000, 0, 0, "CD quality DAT rate, stereo"},
    {1, 0, 1, 44056, 0, 0, "Multimedia quality, mono"},
    {2, 0, 1, 44056, 0, 0, "Multimedia quality, stereo"},
    {1, 1, 1, 44056, 0, 0, "Radio quality"},
    {1, 0, 0, 44056, 0, 0, "Telephone quality"},
    {1, 0, 2, 44056, 0, 2, "High Resolution CD rate, mono"},
    {2, 0, 2, 44056, 0, 2, "High Resolution CD rate, stereo"},
    {1, 0, 3, 48000, 0, 2, "High Resolution DAT rate, mono"},
    {2, 0, 3, 48000, 0, 2, "High Resolution DAT rate, stereo"},
    {1, 1, 3, 88200, 0, 2, "High Resolution double CD rate, mono"},
    {2, 1, 3, 88200, 0, 2, "High Resolution double CD rate, stereo"},
    {1, 1, 3, 96000, 0, 2, "High Resolution double DAT rate, mono"},
    {2, 1, 3, 96000, 0, 2, "High Resolution double DAT rate, stereo"},
};

RecordPrefs gRecordPrefs = kRecordPresets[0];

namespace {

int32_t Field(const uint8_t* p, bool swapped) {
    uint32_t v = swapped ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    return int32_t(v);
}

}  // namespace

int RecordPrefsFromRecord(const uint8_t record[kRecordPrefsBytes], bool swapped, int inputDevices,
                          RecordPrefs& prefs) {
    int32_t f[6];
    for (int i = 0; i < 6; ++i) f[i] = Field(record + 4 * i, swapped);
    if ((f[0] != 1 && f[0] != 2) || f[2] < 0 || f[2] > 3) return 1;
    prefs.channels = f[0];
    prefs.bufferSize = f[1] == 0 ? 0 : 1;
    prefs.rateChoice = f[2];
    prefs.customRate = f[3] < 100 ? 100 : f[3];
    prefs.device = f[4] >= 0 && f[4] < inputDevices ? f[4] : 0;
    prefs.flags = f[5] & kRecord24Bit;
    prefs.name = FieldText(record + 24, kPresetNameBytes);
    return 0;
}

void RecordPrefsToRecord(const RecordPrefs& prefs, uint8_t record[kRecordPrefsBytes]) {
    std::memset(record, 0, kRecordPrefsBytes);
    const int32_t f[6] = {prefs.channels,   prefs.bufferSize, prefs.rateChoice,
                          prefs.customRate, prefs.device,     prefs.flags};
    for (int i = 0; i < 6; ++i)
        for (int b = 0; b < 4; ++b) record[4 * i + b] = uint8_t(uint32_t(f[i]) >> (8 * b));
    StoreFieldText(record + 24, kPresetNameBytes, prefs.name);
}

int ReadRecordPrefsFile(const std::string& path, int inputDevices, RecordPrefs& prefs) {
    uint8_t record[kRecordPrefsBytes];
    bool swapped = false;
    int r = ReadPresetFile(path, "RCPF", record, kRecordPrefsBytes, &swapped);
    if (r != 0) return r;
    return RecordPrefsFromRecord(record, swapped, inputDevices, prefs) == 0 ? 0
                                                                            : kRecordPrefsRefused;
}

int WriteRecordPrefsFile(const std::string& path, const RecordPrefs& prefs) {
    uint8_t record[kRecordPrefsBytes];
    RecordPrefsToRecord(prefs, record);
    return WritePresetFile(path, "RCPF", record, kRecordPrefsBytes);
}

uint32_t RecordRate(const RecordPrefs& prefs) {
    switch (prefs.rateChoice) {
        case 0:
            return 11025;
        case 1:
            return 22050;
        case 2:
            return 44100;
        default:
            return uint32_t(prefs.customRate < 100 ? 100 : prefs.customRate);
    }
}

uint32_t RecordBufferBytes(const RecordPrefs& prefs) {
    return prefs.bufferSize ? 32768u : 8192u;
}

}  // namespace ob
