// Fuzz target for the 8SVX reader.
#include "formats/sound_formats.h"
#include "sound_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ob::fuzz::RunReader(data, size, [](const std::string& path, ob::WaveRecord& record) {
        return ob::Read8svx(path, record).result;
    });
    return 0;
}
