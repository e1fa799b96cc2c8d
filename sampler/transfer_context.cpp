// The program's transfer context, its initialisation, the sampler driver
// table and type setup.
#include "sampler/transfer_context.h"

#include <algorithm>

#include "sampler/akai_s612.h"
#include "sampler/ensoniq_transfer.h"
#include "sampler/korg_transfer.h"
#include "sampler/midi_driver.h"
#include "sampler/sampler_types.h"
#include "sampler/sds_transfer.h"
#include "sampler/smdi_transfer.h"

namespace ob {

TransferContext gTransfer;
SamplerParamDialogHook gSamplerParamDialogHook = nullptr;

namespace {

const SamplerDriver kDrivers[] = {
    {kSamplerSds12, "SDS 12 Bit", 12, 60, SdsSendWave, SdsReceiveWave, SdsParamDialog},
    {kSamplerSds16, "SDS 16 Bit", 16, 40, SdsSendWave, SdsReceiveWave, SdsParamDialog},
    {kSamplerProphet2000, "Prophet 2000", 12, 60, SdsSendWave, SdsReceiveWave, SdsParamDialog},
    {kSamplerDss1, "Korg DSS1", 12, 1000, KorgSendWave, KorgReceiveWave, SdsParamDialog},
    {kSamplerDsm1, "Korg DSM1", 12, 1000, KorgSendWave, KorgReceiveWave, SdsParamDialog},
    {kSamplerAkaiS612, "Akai S612", 8, 256, S612SendWave, S612ReceiveWave, SdsParamDialog},
    {kSamplerEps, "Ensoniq EPS", 16, 1000, EnsoniqSendWave, EnsoniqReceiveWave, SdsParamDialog},
    {kSamplerEps16Plus, "Ensoniq EPS 16+", 16, 1000, EnsoniqSendWave, EnsoniqReceiveWave,
     SdsParamDialog},
    {kSamplerAsr10, "Ensoniq ASR-10", 16, 1000, EnsoniqSendWave, EnsoniqReceiveWave,
     SdsParamDialog},
    {kSamplerSmdi, "SMDI", 16, 0, SmdiSendWave, SmdiReceiveWave, SmdiParamDialog},
};

}  // namespace

const SamplerDriver* FindSamplerDriver(int32_t code) {
    for (const SamplerDriver& d : kDrivers)
        if (d.code == code) return &d;
    return nullptr;
}

void InitTransferContext(TransferContext& c, WaveRecord* wave) {
    c.wave = wave;
    InstallMidiDriver(c);
    c.devices = ListMidiDevices();
    c.midiOutCount = uint16_t(std::min<size_t>(c.devices.outputs.size(), 65535));
    c.midiInCount = uint16_t(std::min<size_t>(c.devices.inputs.size(), 65535));
    c.packetNumber = 0;
    c.samplerWaiting = false;
    c.currentMessage.clear();
}

int32_t SetupSamplerType(TransferContext& c, int32_t code) {
    int32_t type = EffectiveSamplerType(code);
    const SamplerDriver* driver = FindSamplerDriver(type);
    if (!driver) return kTransferInitFailed;
    c.samplerType = type;
    c.ParamDialog = driver->paramDialog;
    c.SendWave = driver->send;
    c.ReceiveWave = driver->receive;
    c.bits = driver->bits;
    c.samplesPerPacket = driver->samplesPerPacket;
    c.reserved[0] = c.reserved[1] = 0;
    c.typeName = driver->name;
    return kTransferOk;
}

}  // namespace ob
