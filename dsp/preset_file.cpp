// Preset container read and write, the kinds table and field helpers.
#include "dsp/preset_file.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "wave/file_io.h"
#include "wave/file_result.h"

namespace ob {

const PresetKindInfo kPresetKinds[kPresetKindCount] = {
    {"Resynthesizer", "RSYN", 116, 5},
    {"Spectral Warp", "SWRP", 104, 8},
    {"Harmony", "HRMY", 108, 9},
    {"Noise Reduction", "NSRD", 108, 5},
    {"Sampler Dump", "DUMP", 140, 10},
    {"Generate", "GEN2", 116, 21},
    {"Record Preferences", "RCPF", 108, 16},
    {"Sample Rate Transpose", "SRTR", 100, 8},
    {"Transfer Function", "TRFN", 220, 15},
    {"Envelope Generator", "ENVG", 188, 14},
    {"Compressor", "COMP", 104, 7},
    {"Noise Gate", "NSGT", 100, 6},
    {"EQ: Bass & Treble", "EQBT", 104, 7},
    {"EQ: Filters", "EQFI", 104, 8},
    {"EQ: GraFreq", "EQGF", 124, 6},
    {"EQ: Parametric", "EQPA", 112, 10},
    {"EQ: Vari-Time Filters", "EQVT", 104, 8},
    {"FM", "FMOD", 96, 10},
    {"AM", "AMOD", 96, 8},
    {"Grunge", "GRNG", 100, 8},
    {"Echo", "ECHO", 96, 7},
    {"Flange", "FLAN", 108, 7},
    {"Chorus", "CHOR", 104, 7},
    {"Reverb", "RVRB", 108, 10},
};

const PresetKindInfo* FindPresetKind(const char* kind) {
    if (!kind) return nullptr;
    for (const PresetKindInfo& info : kPresetKinds)
        if (std::strncmp(info.kind, kind, 4) == 0) return &info;
    return nullptr;
}

std::string PresetReadErrorText(const char* dialog) {
    return std::string("Error Reading ") + dialog + " Preset File";
}
std::string PresetWriteErrorText(const char* dialog) {
    return std::string("Error Writing ") + dialog + " Preset File";
}

namespace {

uint32_t Load32(const uint8_t* p, bool bigEndian) {
    if (bigEndian) return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

void Store32(uint8_t* p, uint32_t v, bool bigEndian) {
    for (int i = 0; i < 4; ++i) p[bigEndian ? 3 - i : i] = uint8_t(v >> (8 * i));
}

// A source of bytes at offsets: a file (read on demand) or memory.
struct Source {
    const uint8_t* data = nullptr;  // memory source
    int fd = -1;                    // file source
    uint64_t length = 0;
    bool Read(uint64_t offset, void* out, size_t n) const {
        if (offset > length || n > length - offset) return false;
        if (data) {
            std::memcpy(out, data + offset, n);
            return true;
        }
        return Seek(fd, int64_t(offset), kSeekSet) >= 0 && ReadBlock(fd, out, n) == n;
    }
};

int ReadFrom(const Source& source, const char* kind, void* record, uint32_t size, bool* swapped) {
    if (swapped) *swapped = false;
    uint8_t header[12];
    if (!source.Read(0, header, 12)) return kFileReadError;
    bool bigEndian;
    if (std::memcmp(header, "FRBk", 4) == 0)
        bigEndian = false;
    else if (std::memcmp(header, "kBRF", 4) == 0)
        bigEndian = true;
    else
        return kFileFormImproper;
    if (std::memcmp(header + 8, "PRES", 4) != 0) return kFileTypeImproper;
    uint64_t offset = 12;
    for (;;) {
        uint8_t chunk[8];
        if (!source.Read(offset, chunk, 8)) return kItemNotFound;
        uint64_t chunkSize = Load32(chunk + 4, bigEndian);
        uint64_t data = offset + 8;
        if (std::memcmp(chunk, kind, 4) == 0) {
            if (!source.Read(data, record, size)) return kFileReadError;
            if (swapped) *swapped = bigEndian;
            return kFileOk;
        }
        // A size running past the end of the file ends the walk.
        if (chunkSize > source.length - data) return kItemNotFound;
        offset = data + chunkSize + (chunkSize & 1);
    }
}

}  // namespace

int ReadPresetBytes(const uint8_t* data, size_t length, const char* kind, void* record,
                    uint32_t size, bool* swapped) {
    Source source;
    source.data = data;
    source.length = data ? length : 0;
    static const uint8_t kEmpty = 0;
    if (!source.data) source.data = &kEmpty;
    return ReadFrom(source, kind, record, size, swapped);
}

int ReadPresetFile(const std::string& path, const char* kind, void* record, uint32_t size,
                   bool* swapped) {
    if (swapped) *swapped = false;
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) return kCantOpenFile;
    Source source;
    source.fd = fd;
    int64_t end = Seek(fd, 0, kSeekEnd);
    int64_t length = end >= 0 ? Tell(fd) : -1;
    int result = kFileReadError;
    if (length >= 0) {
        source.length = uint64_t(length);
        result = ReadFrom(source, kind, record, size, swapped);
    }
    CloseFile(fd);
    return result;
}

int WritePresetFile(const std::string& path, const char* kind, const void* record, uint32_t size,
                    bool bigEndian) {
    std::vector<uint8_t> bytes(20);
    std::memcpy(bytes.data(), bigEndian ? "kBRF" : "FRBk", 4);
    Store32(bytes.data() + 4, size + 12, bigEndian);
    std::memcpy(bytes.data() + 8, "PRES", 4);
    std::memcpy(bytes.data() + 12, kind, 4);
    Store32(bytes.data() + 16, size, bigEndian);
    const uint8_t* p = static_cast<const uint8_t*>(record);
    bytes.insert(bytes.end(), p, p + size);
    if (size & 1) bytes.push_back(0);

    SafeSave save;
    if (BeginSafeSave(path, save) != kFileOk) return kCantOpenFile;
    if (WriteBlock(save.fd, bytes.data(), bytes.size()) != bytes.size()) {
        AbortSafeSave(save);
        return kFileWriteError;
    }
    return CommitSafeSave(save) == kFileOk ? kFileOk : kFileWriteError;
}

void SwapWords32(void* record, size_t offset, size_t count) {
    uint8_t* p = static_cast<uint8_t*>(record) + offset;
    for (size_t i = 0; i < count; ++i, p += 4) {
        std::swap(p[0], p[3]);
        std::swap(p[1], p[2]);
    }
}

std::string FieldText(const void* field, size_t size) {
    const char* p = static_cast<const char*>(field);
    const void* nul = std::memchr(p, 0, size);
    return std::string(p, nul ? size_t(static_cast<const char*>(nul) - p) : size);
}

void StoreFieldText(void* field, size_t size, const std::string& text) {
    if (size == 0) return;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

}  // namespace ob
