// Fuzz target for the Studio 16 V3 reader.
#include "formats/sound_formats.h"
#include "sound_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ob::fuzz::RunReader(data, size, [](const std::string& path, ob::WaveRecord& record) {
        return ob::ReadS16(path, record).result;
    });
    return 0;
}
