// Fuzz target for the whole open chain as a script opens files (RAW import
// as the fallback), followed by a tidy.
#include "base/messages.h"
#include "formats/sound_io.h"
#include "sound_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ob::gMessageType = ob::kMsgTypeNone;  // failures are expected; keep the output quiet
    ob::fuzz::RunReader(data, size, [](const std::string& path, ob::WaveRecord& record) {
        record.filePath = path;
        return ob::OpenSound(record, false);
    });
    return 0;
}
