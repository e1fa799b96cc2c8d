// Host functions of the sampler transfer: obSend, obReceive and
// obSetSamplerType, and the recorded forms of the Sampler menu commands.
#include "base/dialog_guard.h"
#include "sampler/sampler_types.h"
#include "script/host_state.h"
#include "script/recorder.h"
#include "script/sampler_commands.h"
#include "script/script_api.h"

namespace ob {

int32_t SelectSamplerType(int32_t code) {
    int32_t previous = gSamplerType;
    gSamplerType = EffectiveSamplerType(code);
    RecordLine([&] { return SetSamplerTypeLine(gSamplerType); });
    return previous;
}

int32_t AcceptTransferDialogRecorded(TransferDialogState& state) {
    bool ran = false;
    int32_t result = AcceptTransferDialog(state, &ran);
    if (ran && gActiveEditor >= 1) {
        const TransferContext& c = gTransfer;
        RecordLine([&] {
            return TransferLine(state.direction, gActiveEditor, c.words[kWordSampleNumber],
                                c.words[kWordLayer], c.words[kWordInstrument],
                                c.words[kWordChannel], c.midiInDevice, c.midiOutDevice);
        });
    }
    return result;
}

}  // namespace ob

using namespace ob;

namespace {

TransferArguments Arguments(int32_t wavenum, int32_t layernum, int32_t instnum, int32_t channel,
                            int32_t flags, int32_t devicein, int32_t deviceout) {
    TransferArguments a;
    a.sampleNumber = wavenum;
    a.layer = layernum;
    a.instrument = instnum;
    a.channel = channel;
    a.flags = flags;
    a.midiIn = devicein;
    a.midiOut = deviceout;
    return a;
}

// Types whose protocol is not built yet answer "not yet available".
bool ProtocolBuilt() {
    return FindSamplerDriver(EffectiveSamplerType(gSamplerType)) != nullptr;
}

}  // namespace

extern "C" {

int32_t obSetSamplerType(int32_t x) {
    if (!ValidSamplerType(x)) return 0;
    return SelectSamplerType(x);
}

int32_t obSend(int32_t waveid, int32_t wavenum, int32_t layernum, int32_t instnum, int32_t channel,
               int32_t flags, int32_t devicein, int32_t deviceout) {
    if (DialogInUse(kDialogSamplerTransfer)) return 0;
    WaveRecord* record = ScriptLoadedEditor(waveid);
    if (!record) return 0;
    if (!ProtocolBuilt()) return NotYetAvailable();
    int32_t result = ScriptSend(
        *record, Arguments(wavenum, layernum, instnum, channel, flags, devicein, deviceout));
    return result != kSetupFailed && TransferSucceeded(result) ? 1 : 0;
}

int32_t obReceive(int32_t waveid, int32_t wavenum, int32_t layernum, int32_t instnum,
                  int32_t channel, int32_t flags, int32_t devicein, int32_t deviceout) {
    if (DialogInUse(kDialogSamplerTransfer)) return 0;
    WaveRecord* record = ScriptEditor(waveid);
    if (!record || WaveHasData(record)) return 0;
    if (!ProtocolBuilt()) return NotYetAvailable();
    int32_t result = ScriptReceive(
        *record, Arguments(wavenum, layernum, instnum, channel, flags, devicein, deviceout));
    return result != kSetupFailed && TransferSucceeded(result) ? 1 : 0;
}

}  // extern "C"
