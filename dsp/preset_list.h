// The preset list of a dialog: the preset files of the dialog's kind found in
// the presets folder (in directory order), then the dialog's built-in presets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ob {

// The presets folder (the settings store sets it; empty = the working folder).
extern std::string gPresetsFolder;

// Folders with more entries are only looked at up to this many.
constexpr int kPresetListMaxEntries = 1000;

struct PresetList {
    uint32_t recordSize = 0;
    uint32_t count = 0;              // files + built-ins
    uint32_t fileCount = 0;          // the first fileCount records came from files
    std::vector<uint8_t> records;    // count x recordSize bytes
    std::vector<std::string> paths;  // the files, in list order
    const uint8_t* Record(uint32_t index) const {
        return records.data() + size_t(index) * recordSize;
    }
    // The entry's preset name (the 80-byte field at `nameOffset`).
    std::string Name(uint32_t index, uint32_t nameOffset) const;
};

// Builds the list. A file whose record cannot be read keeps a zero-filled
// slot (empty name). Files written in the other byte order are not listed.
// `builtIns` holds builtInCount records of recordSize bytes. Result: a file
// result code (0, or 9 when the list memory cannot be obtained).
int BuildPresetList(const std::string& folder, const char* kind, uint32_t recordSize,
                    const void* builtIns, uint32_t builtInCount, PresetList& list);

}  // namespace ob
