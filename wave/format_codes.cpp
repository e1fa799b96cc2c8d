// Format codes: the name, extension and sample depth of each, and the display
// order.
#include "wave/wave_record.h"

namespace ob {

namespace {
struct FormatCodeRow {
    int code;
    const char* name;
    const char* extension;
    int bits;  // what the format's samples keep (FormatBits)
};
const FormatCodeRow kFormats[] = {
    {kFormatAiff16, "AIFF 16 bit", ".aif", 16},
    {kFormatSd1, "Sound Designer 1", ".sd", 16},
    {kFormat8svx, "8SVX (8 bit)", ".svx", 8},
    {kFormatWav8, "WAVE 8 bit", ".wav", 8},
    {kFormatWav16, "WAVE 16 bit", ".wav", 16},
    {kFormatRaw8s, "RAW 8 Signed", ".raw", 8},
    {kFormatRaw8u, "RAW 8 Unsigned", ".raw", 8},
    {kFormatRaw16m, "RAW 16 Motorola", ".raw", 16},
    {kFormatRaw16i, "RAW 16 Intel", ".raw", 16},
    {kFormatRawAlaw, "RAW a-Law", ".raw", 16},
    {kFormatRawUlaw, "RAW u-Law", ".raw", 16},
    {kFormatS16v3, "Studio 16 V3", ".s16", 16},
    {kFormatAu, "AU Sun", ".au", 16},
    {kFormatVoc, "VOC", ".voc", 8},
    {kFormatRealAudio, "RealAudio", ".ra", 16},
    {kFormatWav32, "WAVE 32 bit", ".wav", 32},
    {kFormatAiff24, "AIFF 24 bit", ".aif", 24},
    {kFormatWav24, "WAVE 24 bit", ".wav", 24},
};

const FormatCodeRow* Lookup(int code) {
    for (const FormatCodeRow& entry : kFormats)
        if (entry.code == code) return &entry;
    return nullptr;
}
}  // namespace

const int kFormatDisplayOrder[19] = {
    kFormatWav8,
    kFormatWav16,
    kFormatWav24,
    kFormatWav32,
    kFormat8svx,
    kFormatAiff16,
    kFormatAiff24,
    kFormatAu,
    kFormatRaw8s,
    kFormatRaw8u,
    kFormatRaw16m,
    kFormatRaw16i,
    kFormatRawAlaw,
    kFormatRawUlaw,
    kFormatRealAudio,
    kFormatSd1,
    kFormatS16v3,
    kFormatVoc,
    -1,
};

const char* FormatName(int code) {
    const FormatCodeRow* entry = Lookup(code);
    return entry ? entry->name : "Unspecified";
}

int FormatBits(int code) {
    const FormatCodeRow* entry = Lookup(code);
    return entry ? entry->bits : 32;
}

const char* FormatExtension(int code) {
    const FormatCodeRow* entry = Lookup(code);
    return entry ? entry->extension : "";
}

}  // namespace ob
