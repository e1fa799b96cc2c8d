// The preset container: one file holding one record (a dialog's parameters
// and an 80-byte preset name, or a settings record), read in both byte orders
// and written through a temporary file; the table of record kinds and sizes.
//
// Layout (32-bit words in the writer's byte order; this program writes
// little-endian): "FRBk", record size + 12, "PRES", then chunks of
// kind (four characters), size, data, one zero pad byte for an odd size.
// A file written in the other byte order starts with "kBRF"; its sizes and
// the record's numeric fields are byte-swapped, the kind and type characters
// are not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ob {

constexpr size_t kPresetNameBytes = 80;

struct PresetKindInfo {
    const char* dialog;   // the dialog's name, as in "Error Reading %s Preset File"
    const char* kind;     // four characters
    uint32_t recordSize;  // bytes, the 80-byte name included
    uint32_t builtIns;    // number of built-in presets the program carries
};
constexpr int kPresetKindCount = 24;
// Indexes of kPresetKinds used by name.
enum PresetKindIndex : int {
    kPresetKindTransferFunction = 8,
    kPresetKindEnvelope = 9,
    kPresetKindCompressor = 10,
    kPresetKindNoiseGate = 11,
    kPresetKindBassTreble = 12,
    kPresetKindFilters = 13,
    kPresetKindGraFreq = 14,
    kPresetKindParametric = 15,
    kPresetKindVariTime = 16,
    kPresetKindEcho = 20,
    kPresetKindFlange = 21,
    kPresetKindChorus = 22,
    kPresetKindReverb = 23,
};
extern const PresetKindInfo kPresetKinds[kPresetKindCount];
// Indexes of kPresetKinds that operations use.
constexpr int kPresetSampleRateTranspose = 7;  // "SRTR"
// The settings records carried by the same container.
constexpr uint32_t kConfigRecordSize = 1688;     // "CFG1"
constexpr uint32_t kPlayPrefsRecordSize = 40;    // "PLP0"
constexpr uint32_t kMacroKeysRecordSize = 2871;  // "MACR"
// A preset kind by its four characters, or null.
const PresetKindInfo* FindPresetKind(const char* kind);

// Texts of the preset dialogs' load and save failures:
// "Error Reading <dialog> Preset File" / "Error Writing <dialog> Preset File",
// reported with the caption "Sample Orbick 24/96".
std::string PresetReadErrorText(const char* dialog);
std::string PresetWriteErrorText(const char* dialog);
constexpr const char* kPresetErrorCaption = "Sample Orbick 24/96";

// Writes a container with one record (result: a file result code: 0, 5 when
// the file cannot be created, 7 on a short write). The file is written beside
// the target and renamed, so a failed write keeps the previous file.
// `bigEndian` writes the other byte order (sizes only; the caller supplies the
// record's fields already in that order).
int WritePresetFile(const std::string& path, const char* kind, const void* record, uint32_t size,
                    bool bigEndian = false);

// Reads `size` bytes of the first record of `kind`. Results: 0; 1 no
// container id; 2 type not "PRES"; 4 no record of the kind (also when a chunk
// runs past the end of the file); 5 cannot open; 6 fewer bytes than `size`
// present. `swapped` tells the caller to byte-swap the record's fields.
int ReadPresetFile(const std::string& path, const char* kind, void* record, uint32_t size,
                   bool* swapped);
// The same over bytes in memory (what the file reader uses; fuzz target).
int ReadPresetBytes(const uint8_t* data, size_t length, const char* kind, void* record,
                    uint32_t size, bool* swapped);

// Byte-swaps `count` 32-bit words at `offset` of a record.
void SwapWords32(void* record, size_t offset, size_t count);
// A text field of `size` bytes: up to its first NUL, or all `size` bytes when
// it has none.
std::string FieldText(const void* field, size_t size);
// Stores a text into a field of `size` bytes, cut to size - 1 and NUL-filled.
void StoreFieldText(void* field, size_t size, const std::string& text);

}  // namespace ob
