// The play preferences record, its persisted names and its files.
#include "audio/play_prefs.h"

#include "dsp/preset_file.h"

namespace ob {

PlayPrefs gPlayPrefs;

const char* const kPlayPrefNames[10] = {"PlPfIter", "PlPfTrans", "PlPfArea", "PlPfChan",
                                        "PlPfLpC",  "PlPfLpDir", "PlPfBfSz", "PlPfF",
                                        "PlPfDID",  "PlPfAtten"};

namespace {

int32_t* FieldOf(PlayPrefs& p, int field) {
    int32_t* fields[10] = {&p.iterations,    &p.transpose,  &p.area,  &p.channel, &p.loopChoice,
                           &p.loopDirection, &p.bufferSize, &p.flags, &p.device,  &p.attenuation};
    return field >= 0 && field < 10 ? fields[field] : nullptr;
}

bool InRange(int field, int64_t v, int outputDevices) {
    switch (field) {
        case 0:
            return v >= 0 && v <= 1000000;
        case 1:
            return v >= -128 && v <= 127;
        case 2:
            return v >= 0 && v < 2;
        case 3:
        case 4:
        case 5:
            return v >= 0 && v < 3;
        case 6:
            return v >= 1 && v <= 3;
        case 7:
            return v >= 0 && v < 8;
        case 8:
            return v >= 0 && (outputDevices <= 0 || v < outputDevices);
        case 9:
            return v >= 0 && v < 19;
        default:
            return false;
    }
}

}  // namespace

bool SetPlayPrefField(PlayPrefs& prefs, int field, int64_t value, int outputDevices) {
    int32_t* f = FieldOf(prefs, field);
    if (!f || !InRange(field, value, outputDevices)) return false;
    *f = int32_t(value);
    return true;
}

int32_t PlayPrefField(const PlayPrefs& prefs, int field) {
    int32_t* f = FieldOf(const_cast<PlayPrefs&>(prefs), field);
    return f ? *f : 0;
}

void PlayPrefsToRecord(const PlayPrefs& prefs, uint8_t record[kPlayPrefsBytes]) {
    for (int i = 0; i < 10; ++i) {
        uint32_t v = uint32_t(PlayPrefField(prefs, i));
        for (int b = 0; b < 4; ++b) record[i * 4 + b] = uint8_t(v >> (8 * b));
    }
}

void PlayPrefsFromRecord(const uint8_t record[kPlayPrefsBytes], bool swapped, PlayPrefs& prefs) {
    for (int i = 0; i < 10; ++i) {
        const uint8_t* p = record + i * 4;
        uint32_t v = swapped
                         ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                         : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        // The device number is checked against the device list when playing.
        SetPlayPrefField(prefs, i, int32_t(v), 0);
    }
}

int ReadPlayPrefsFile(const std::string& path, PlayPrefs& prefs) {
    uint8_t record[kPlayPrefsBytes];
    bool swapped = false;
    int r = ReadPresetFile(path, "PLP0", record, kPlayPrefsBytes, &swapped);
    if (r == 0) PlayPrefsFromRecord(record, swapped, prefs);
    return r;
}

int WritePlayPrefsFile(const std::string& path, const PlayPrefs& prefs) {
    uint8_t record[kPlayPrefsBytes];
    PlayPrefsToRecord(prefs, record);
    return WritePresetFile(path, "PLP0", record, kPlayPrefsBytes);
}

uint32_t PlayBufferBytes(int32_t bufferSize) {
    return bufferSize == 1 ? 8192u : bufferSize == 3 ? 131072u : 32768u;
}

int AttenuationShift(int32_t attenuation) {
    return attenuation >= 18 ? 3 : attenuation >= 12 ? 2 : attenuation >= 6 ? 1 : 0;
}

}  // namespace ob
