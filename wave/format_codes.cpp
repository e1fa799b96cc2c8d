// Format codes: the name and extension of each, and the display order.
#include "wave/wave_record.h"

namespace ob {

namespace {
struct FormatCodeRow {
    int code;
    const char* name;
    const char* extension;
};
const FormatCodeRow kFormats[] = {
    {kFormatAiff16, "AIFF 16 bit", ".aif"},
    {kFormatSd1, "Sound Designer 1", ".sd"},
    {kFormat8svx, "8SVX (8 bit)", ".svx"},
    {kFormatWav8, "WAVE 8 bit", ".wav"},
    {kFormatWav16, "WAVE 16 bit", ".wav"},
    {kFormatRaw8s, "RAW 8 Signed", ".raw"},
    {kFormatRaw8u, "RAW 8 Unsigned", ".raw"},
    {kFormatRaw16m, "RAW 16 Motorola", ".raw"},
    {kFormatRaw16i, "RAW 16 Intel", ".raw"},
    {kFormatRawAlaw, "RAW a-Law", ".raw"},
    {kFormatRawUlaw, "RAW u-Law", ".raw"},
    {kFormatS16v3, "Studio 16 V3", ".s16"},
    {kFormatAu, "AU Sun", ".au"},
    {kFormatVoc, "VOC", ".voc"},
    {kFormatRealAudio, "RealAudio", ".ra"},
    {kFormatWav32, "WAVE 32 bit", ".wav"},
    {kFormatAiff24, "AIFF 24 bit", ".aif"},
    {kFormatWav24, "WAVE 24 bit", ".wav"},
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

const char* FormatExtension(int code) {
    const FormatCodeRow* entry = Lookup(code);
    return entry ? entry->extension : "";
}

}  // namespace ob
