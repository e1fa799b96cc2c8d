// Generate preset records, built-ins, load and save.
#include "dsp/generate_presets.h"

#include <algorithm>
#include <cstring>

#include "dsp/preset_file.h"
#include "wave/file_result.h"

namespace ob {

namespace {

struct BuiltIn {
    int32_t shape, rate;
    double hz, seconds;
    int32_t duty;
    double chord[kGenChordTones];
    const char* name;
};

const BuiltIn kBuiltIns[kGenerateBuiltInCount] = {
    {kGenSine, 44100, 1000, 10, 50, {}, "1 kHz test tone for 10 seconds, CD rate"},
    {kGenPulse, 22050, 1000, 1, 10, {}, "1 kHz 10% duty cycle pulse for 1 second, multimedia rate"},
    {kGenSquare, 48000, 150, 2, 50, {}, "150 Hz square wave for 2 seconds, DAT rate"},
    {kGenWhiteNoise, 22050, 1000, 1, 50, {}, "Noise for 1 second, multi-media rate"},
    {kGenSilence, 44100, 1000, 1, 50, {}, "Silence for 1 second, CD rate"},
    {kGenSine, 44100, 440, 1, 50, {}, "A above middle C (440) sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 220, 1, 50, {}, "A below middle C (220) sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 233.082, 1, 50, {}, "A sharp below middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 246.942, 1, 50, {}, "B below middle C sine wave for 1 second, CD rate"},
    {kGenSine,
     44100,
     261.626,
     1,
     50,
     {},
     "C (middle C for standard 440 Hz reference) sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 277.183, 1, 50, {}, "C sharp above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 293.665, 1, 50, {}, "D above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 311.127, 1, 50, {}, "D sharp above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 329.628, 1, 50, {}, "E above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 349.228, 1, 50, {}, "F above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 369.994, 1, 50, {}, "F sharp above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 391.995, 1, 50, {}, "G above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 415.305, 1, 50, {}, "G sharp above middle C sine wave for 1 second, CD rate"},
    {kGenSine, 44100, 261.626, 1, 50, {329.628}, "C and E sines for 1 second, CD rate"},
    {kGenSquare,
     44100,
     261.626,
     1,
     50,
     {329.628, 391.995},
     "C, E, G squares for 1 second, CD rate"},
    {kGenSine,
     44100,
     261.626,
     1,
     50,
     {329.628, 391.995, 233.082},
     "A sharp, C, E, G sines for 1 second, CD rate"},
};

constexpr size_t kWordOffsets[] = {0, 4, 8, 12, 16, 104, 108, 112};

void Put32(uint8_t* at, uint32_t v) {
    std::memcpy(at, &v, 4);
}
uint32_t Get32(const uint8_t* at) {
    uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
}

// Hz or seconds to thousandths, rounded (the table's decimals are exact).
int32_t Milli(double v) {
    return int32_t(v * 1000.0 + 0.5);
}

}  // namespace

GenerateSettings GenerateBuiltIn(int index) {
    const BuiltIn& b = kBuiltIns[index >= 0 && index < kGenerateBuiltInCount ? index : 0];
    GenerateSettings s;
    s.shape = b.shape;
    s.rate = b.rate;
    s.frequency = Milli(b.hz);
    s.duration = Milli(b.seconds);
    s.duty = b.duty;
    for (int k = 0; k < kGenChordTones; ++k) s.chord[k] = Milli(b.chord[k]);
    s.name = b.name;
    return s;
}

const uint8_t* GenerateBuiltInRecords() {
    static const struct Records {
        uint8_t bytes[kGenerateBuiltInCount][kGenerateRecordSize];
        Records() {
            for (int i = 0; i < kGenerateBuiltInCount; ++i)
                GenerateToRecord(GenerateBuiltIn(i), bytes[i]);
        }
    } records;
    return &records.bytes[0][0];
}

void GenerateToRecord(const GenerateSettings& s, uint8_t record[kGenerateRecordSize]) {
    std::memset(record, 0, kGenerateRecordSize);
    Put32(record + 0, uint32_t(s.shape));
    Put32(record + 4, uint32_t(s.rate));
    Put32(record + 8, uint32_t(s.frequency));
    Put32(record + 12, uint32_t(std::clamp<int64_t>(s.duration, 0, 0x7FFFFFFF)));
    Put32(record + 16, uint32_t(s.duty));
    StoreFieldText(record + 20, kPresetNameBytes, s.name);
    for (int k = 0; k < kGenChordTones; ++k) Put32(record + 104 + 4 * k, uint32_t(s.chord[k]));
}

void SwapGenerateRecord(void* record) {
    for (size_t offset : kWordOffsets) SwapWords32(record, offset, 1);
}

GenerateSettings GenerateFromRecord(const uint8_t* record, uint32_t size, bool swapped) {
    uint8_t copy[kGenerateRecordSize] = {};
    std::memcpy(copy, record, std::min(size, kGenerateRecordSize));
    if (size < kGenerateRecordSize) std::memset(copy + 104, 0, 12);
    if (swapped) SwapGenerateRecord(copy);
    GenerateSettings s;
    s.shape = int32_t(Get32(copy + 0));
    s.rate = int32_t(Get32(copy + 4));
    s.frequency = int32_t(Get32(copy + 8));
    s.duration = int32_t(Get32(copy + 12));
    s.duty = int32_t(Get32(copy + 16));
    s.name = FieldText(copy + 20, kPresetNameBytes);
    for (int k = 0; k < kGenChordTones; ++k) s.chord[k] = int32_t(Get32(copy + 104 + 4 * k));
    ClampGenerateSettings(s);
    return s;
}

int ReadGeneratePreset(const std::string& path, GenerateSettings& settings) {
    uint8_t record[kGenerateRecordSize] = {};
    bool swapped = false;
    int result = ReadPresetFile(path, "GEN2", record, kGenerateRecordSize, &swapped);
    uint32_t size = kGenerateRecordSize;
    if (result == 4) {
        result = ReadPresetFile(path, "GENE", record, kGenerateOldRecordSize, &swapped);
        size = kGenerateOldRecordSize;
    }
    if (result != kFileOk) return result;
    settings = GenerateFromRecord(record, size, swapped);
    return kFileOk;
}

int WriteGeneratePreset(const std::string& path, const GenerateSettings& settings, bool bigEndian) {
    uint8_t record[kGenerateRecordSize];
    GenerateToRecord(settings, record);
    if (bigEndian) SwapGenerateRecord(record);
    return WritePresetFile(path, "GEN2", record, kGenerateRecordSize, bigEndian);
}

}  // namespace ob
