// Building a dialog's preset list from the presets folder and its built-ins.
#include "dsp/preset_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

#include "dsp/preset_file.h"
#include "wave/file_io.h"
#include "wave/file_result.h"

namespace ob {

std::string gPresetsFolder;

std::string PresetList::Name(uint32_t index, uint32_t nameOffset) const {
    if (index >= count || nameOffset >= recordSize) return "";
    uint32_t bytes = recordSize - nameOffset;
    if (bytes > kPresetNameBytes) bytes = uint32_t(kPresetNameBytes);
    return FieldText(Record(index) + nameOffset, bytes);
}

namespace {

// True when the file starts with "FRBk", any size, "PRES" and the kind.
bool IsPresetOfKind(const std::string& path, const char* kind) {
    int fd = OpenFile(path, kOpenRead);
    if (fd < 0) return false;
    uint8_t head[16];
    bool ok = ReadBlock(fd, head, 16) == 16 && std::memcmp(head, "FRBk", 4) == 0 &&
              std::memcmp(head + 8, "PRES", 4) == 0 && std::memcmp(head + 12, kind, 4) == 0;
    CloseFile(fd);
    return ok;
}

}  // namespace

int BuildPresetList(const std::string& folder, const char* kind, uint32_t recordSize,
                    const void* builtIns, uint32_t builtInCount, PresetList& list) {
    list = PresetList{};
    list.recordSize = recordSize;
    std::string base = folder;
    if (!base.empty() && base.back() == '*') base.pop_back();
    std::string dirPath = base.empty() ? "." : base;
    if (!base.empty() && base.back() != '/') base += '/';

    if (DIR* dir = opendir(dirPath.c_str())) {
        int seen = 0;
        while (dirent* entry = readdir(dir)) {
            if (++seen > kPresetListMaxEntries) break;
            std::string path = base + entry->d_name;
            struct stat info;
            if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
            if (IsPresetOfKind(path, kind)) list.paths.push_back(path);
        }
        closedir(dir);
    }

    list.fileCount = uint32_t(list.paths.size());
    list.count = list.fileCount + builtInCount;
    // At most 1000 files plus the built-ins: a small block.
    size_t bytes = size_t(list.count) * recordSize;
    list.records.assign(bytes, 0);
    for (uint32_t i = 0; i < list.fileCount; ++i) {
        bool swapped = false;
        if (ReadPresetFile(list.paths[i], kind, list.records.data() + size_t(i) * recordSize,
                           recordSize, &swapped) != kFileOk)
            std::memset(list.records.data() + size_t(i) * recordSize, 0, recordSize);
    }
    if (builtInCount && builtIns)
        std::memcpy(list.records.data() + size_t(list.fileCount) * recordSize, builtIns,
                    size_t(builtInCount) * recordSize);
    return kFileOk;
}

}  // namespace ob
