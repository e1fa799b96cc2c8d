// Fuzz target for the RAW reader: the first byte picks the RAW code, the rest
// is the file.
#include "formats/sound_formats.h"
#include "sound_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int code = data[0] % 14;
    ob::fuzz::RunReader(data + 1, size - 1,
                        [code](const std::string& path, ob::WaveRecord& record) {
                            return ob::ReadRaw(path, record, code).result;
                        });
    return 0;
}
