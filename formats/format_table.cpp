// The table of sound file formats that drives the open chain and the save list.
#include "formats/format_table.h"

#include <cstring>

#include "formats/realaudio.h"
#include "formats/sound_formats.h"
#include "formats/wav.h"

namespace ob {

namespace {

bool Is(const uint8_t* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// "RIFF" of any form type, and "FORM" of a type no other IFF reader claims.
bool ProbeWave(const uint8_t head[12]) {
    if (Is(head, "RIFF")) return true;
    return Is(head, "FORM") && !Is(head + 8, "AIFF") && !Is(head + 8, "AIFC") &&
           !Is(head + 8, "8SVX");
}
bool ProbeAiff(const uint8_t head[12]) {
    return Is(head, "FORM") && (Is(head + 8, "AIFF") || Is(head + 8, "AIFC"));
}
bool Probe8svx(const uint8_t head[12]) {
    return Is(head, "FORM") && Is(head + 8, "8SVX");
}

ReadOutcome ReadWaveEntry(const std::string& path, WaveRecord& record, const FormatContext&) {
    WaveReadResult r = ReadWave(path, record);
    ReadOutcome out;
    out.result = r.result;
    out.recognised = r.recognised;
    out.format = r.formatCode;
    return out;
}
ReadOutcome ReadAiffEntry(const std::string& path, WaveRecord& record, const FormatContext&) {
    return ReadAiff(path, record);
}
ReadOutcome Read8svxEntry(const std::string& path, WaveRecord& record, const FormatContext&) {
    return Read8svx(path, record);
}
ReadOutcome ReadSd1Entry(const std::string& path, WaveRecord& record, const FormatContext&) {
    return ReadSd1(path, record);
}
ReadOutcome ReadS16Entry(const std::string& path, WaveRecord& record, const FormatContext&) {
    return ReadS16(path, record);
}
ReadOutcome ReadAuEntry(const std::string& path, WaveRecord& record, const FormatContext&) {
    return ReadAu(path, record);
}
ReadOutcome ReadVocEntry(const std::string& path, WaveRecord& record, const FormatContext&) {
    return ReadVoc(path, record);
}
ReadOutcome ReadTextEntry(const std::string& path, WaveRecord& record, const FormatContext& c) {
    return ReadText(path, record, c.interactive, c.ui);
}

template <int Bits>
int WriteWaveEntry(const std::string& path, const WaveRecord& record, const FormatContext& c) {
    return WriteWave(path, record, Bits, c.wavOptions);
}
template <int Bits>
int WriteAiffEntry(const std::string& path, const WaveRecord& record, const FormatContext&) {
    return WriteAiff(path, record, Bits);
}
template <int Code>
int WriteRawEntry(const std::string& path, const WaveRecord& record, const FormatContext&) {
    return WriteRaw(path, record, Code);
}
int Write8svxEntry(const std::string& path, const WaveRecord& record, const FormatContext&) {
    return Write8svx(path, record);
}
int WriteSd1Entry(const std::string& path, const WaveRecord& record, const FormatContext&) {
    return WriteSd1(path, record);
}
int WriteS16Entry(const std::string& path, const WaveRecord& record, const FormatContext&) {
    return WriteS16(path, record);
}
int WriteAuEntry(const std::string& path, const WaveRecord& record, const FormatContext&) {
    return WriteAu(path, record);
}
int WriteVocEntry(const std::string& path, const WaveRecord& record, const FormatContext&) {
    return WriteVoc(path, record);
}
int WriteRealAudioEntry(const std::string& path, const WaveRecord& record, const FormatContext& c) {
    return ExportRealAudio(path, record, *c.ui);
}

// A row whose name and extension come from the format codes' own table
// (wave/), so each format is named in one place.
FormatEntry Row(int code, ProbeFunction probe, ReadFunction read, WriteFunction write) {
    return {code, FormatName(code), FormatExtension(code), probe, read, write};
}

// Rows sharing a reader (the WAV and AIFF depths) name it on each row; the
// chain takes each reader once.
const std::vector<FormatEntry> kTable = {
    Row(kFormatWav16, ProbeWave, ReadWaveEntry, WriteWaveEntry<16>),
    Row(kFormatWav8, ProbeWave, ReadWaveEntry, WriteWaveEntry<8>),
    Row(kFormatWav24, ProbeWave, ReadWaveEntry, WriteWaveEntry<24>),
    Row(kFormatWav32, ProbeWave, ReadWaveEntry, WriteWaveEntry<32>),
    Row(kFormatAiff16, ProbeAiff, ReadAiffEntry, WriteAiffEntry<16>),
    Row(kFormatAiff24, ProbeAiff, ReadAiffEntry, WriteAiffEntry<24>),
    Row(kFormat8svx, Probe8svx, Read8svxEntry, Write8svxEntry),
    Row(kFormatSd1, nullptr, ReadSd1Entry, WriteSd1Entry),
    Row(kFormatS16v3, nullptr, ReadS16Entry, WriteS16Entry),
    Row(kFormatAu, nullptr, ReadAuEntry, WriteAuEntry),
    Row(kFormatVoc, nullptr, ReadVocEntry, WriteVocEntry),
    Row(kFormatText1, nullptr, ReadTextEntry, nullptr),
    Row(kFormatRaw8s, nullptr, nullptr, WriteRawEntry<kFormatRaw8s>),
    Row(kFormatRaw8u, nullptr, nullptr, WriteRawEntry<kFormatRaw8u>),
    Row(kFormatRaw16m, nullptr, nullptr, WriteRawEntry<kFormatRaw16m>),
    Row(kFormatRaw16i, nullptr, nullptr, WriteRawEntry<kFormatRaw16i>),
    Row(kFormatRawAlaw, nullptr, nullptr, WriteRawEntry<kFormatRawAlaw>),
    Row(kFormatRawUlaw, nullptr, nullptr, WriteRawEntry<kFormatRawUlaw>),
    Row(kFormatRealAudio, nullptr, nullptr, WriteRealAudioEntry),
};

}  // namespace

const FormatMenuEntry kFormatMenu[18] = {
    {"WA&V 8 Bit", kFormatWav8},
    {"&WAV 16 Bit", kFormatWav16},
    {"WAV 24 &Bit", kFormatWav24},
    {"WAV 3&2 Bit", kFormatWav32},
    {"8SV&X", kFormat8svx},
    {"AI&FF 16 Bit", kFormatAiff16},
    {"AIFF 2&4 Bit", kFormatAiff24},
    {"AU Su&n", kFormatAu},
    {"RAW 8 &Signed", kFormatRaw8s},
    {"RAW 8 &Unsigned", kFormatRaw8u},
    {"RAW 16 &Motorola 68K", kFormatRaw16m},
    {"RAW 16 &Intel X86", kFormatRaw16i},
    {"RAW &a-Law", kFormatRawAlaw},
    {"RAW u-&Law", kFormatRawUlaw},
    {"&RealAudio", kFormatRealAudio},
    {"Sound &Designer 1", kFormatSd1},
    {"Studio 16 V&3", kFormatS16v3},
    {"V&OC", kFormatVoc},
};

const std::vector<FormatEntry>& FormatTable() {
    return kTable;
}

const FormatEntry* FindFormat(int code) {
    for (const FormatEntry& e : kTable)
        if (e.code == code) return &e;
    return nullptr;
}

std::vector<const FormatEntry*> OpenChain(const uint8_t head[12]) {
    std::vector<const FormatEntry*> readers;
    for (const FormatEntry& e : kTable) {
        if (!e.read) continue;
        if (!readers.empty() && readers.back()->read == e.read) continue;
        readers.push_back(&e);
    }
    size_t start = 0;
    while (start < readers.size() && readers[start]->probe && !readers[start]->probe(head)) ++start;
    return std::vector<const FormatEntry*>(readers.begin() + long(start), readers.end());
}

std::vector<int> SaveFormatList() {
    std::vector<int> codes;
    for (int code : kFormatDisplayOrder)
        if (FindFormat(code) && FindFormat(code)->write) codes.push_back(code);
    return codes;
}

bool IsRawFormat(int code) {
    return code >= kFormatRaw8s && code <= kFormatRawUlaw;
}

}  // namespace ob
