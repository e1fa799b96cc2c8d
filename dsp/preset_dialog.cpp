// Opening a dialog with its preset list, and its Load and Save buttons.
#include "dsp/preset_dialog.h"

#include <algorithm>
#include <vector>

#include "wave/file_result.h"
#include "wave/record_report.h"

namespace ob {

bool OpenPresetDialog(WaveRecord* record, ProcessDialog dialog, const PresetKindInfo& kind,
                      const void* builtIns, const std::function<void(PresetList&)>& run) {
    return OpenProcessDialog(record, dialog, [&] {
        PresetList list;
        // A list that cannot be built leaves the box empty; the dialog still runs.
        BuildPresetList(gPresetsFolder, kind.kind, kind.recordSize, builtIns,
                        builtIns ? kind.builtIns : 0, list);
        run(list);
    });
}

bool LoadPreset(const std::string& path, const PresetKindInfo& kind, void* record,
                SwapRecordFields swap) {
    std::vector<uint8_t> buffer(kind.recordSize);
    bool swapped = false;
    if (ReadPresetFile(path, kind.kind, buffer.data(), kind.recordSize, &swapped) != kFileOk) {
        ReportMessage(nullptr, kPresetErrorCaption, PresetReadErrorText(kind.dialog));
        return false;
    }
    if (swapped && swap) swap(buffer.data());
    std::copy(buffer.begin(), buffer.end(), static_cast<uint8_t*>(record));
    return true;
}

bool SavePreset(const std::string& path, const PresetKindInfo& kind, const void* record) {
    if (WritePresetFile(path, kind.kind, record, kind.recordSize) != kFileOk) {
        ReportMessage(nullptr, kPresetErrorCaption, PresetWriteErrorText(kind.dialog));
        return false;
    }
    return true;
}

}  // namespace ob
