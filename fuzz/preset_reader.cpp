// Fuzz entry for the preset container reader: any bytes give a result code,
// and a record is only ever filled from bytes that are in the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "dsp/preset_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Try a few kinds and sizes: a small one, the largest preset, a settings record.
    static const struct {
        const char* kind;
        uint32_t size;
    } kinds[] = {{"ECHO", 96}, {"TRFN", 220}, {"CFG1", 1688}, {"MACR", 2871}};
    uint8_t record[2871];
    for (const auto& k : kinds) {
        std::memset(record, 0xA5, sizeof record);
        bool swapped = false;
        int result = ob::ReadPresetBytes(data, size, k.kind, record, k.size, &swapped);
        if (result < 0 || result > 13) std::abort();
        if (result == 0 && k.size > size) std::abort();  // filled from bytes that were not there
        if (result != 0 && swapped) std::abort();
        if (result == 0 && swapped) ob::SwapWords32(record, 0, k.size / 4);
        (void)ob::FieldText(record + k.size - 80, 80);
    }
    return 0;
}
