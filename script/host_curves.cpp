// obLoadEnvGenPreset and obLoadTransFuncPreset: load a preset file into the
// current record of the Envelope Generator or Transfer Function (what
// obEnvelopeGenerator / obTransferFunction apply). 0 while the dialog is open
// or when the file cannot be read (the current record unchanged), else 1.
#include <string>

#include "base/dialog_guard.h"
#include "dsp/operation_traits.h"
#include "script/script_api.h"
#include "wave/file_result.h"

using namespace ob;

extern "C" {

int32_t obLoadEnvGenPreset(const char* path) {
    if (!path || DialogInUse(kDialogEnvelopeGenerator)) return 0;
    EnvelopeParams p = CurrentSettings<EnvelopeGeneratorOp>();
    if (ReadEnvelopePreset(path, p, nullptr) != kFileOk) return 0;
    CurrentSettings<EnvelopeGeneratorOp>() = p;
    return 1;
}

int32_t obLoadTransFuncPreset(const char* path) {
    if (!path || DialogInUse(kDialogTransferFunction)) return 0;
    TransferParams p = CurrentSettings<TransferFunctionOp>();
    if (ReadTransferPreset(path, p, nullptr) != kFileOk) return 0;
    CurrentSettings<TransferFunctionOp>() = p;
    return 1;
}

}  // extern "C"
