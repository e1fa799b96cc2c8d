// Send, Receive and the script transfers; the "Sampler Transfer" dialog's logic.
#include "sampler/transfer_commands.h"

#include "base/dialog_guard.h"
#include "base/messages.h"
#include "base/user_interface.h"
#include "sampler/sampler_types.h"
#include "wave/change_notice.h"
#include "wave/wave_record.h"

namespace ob {

SamplerTransferDialogHook gSamplerTransferDialogHook = nullptr;

namespace {

void SetArguments(TransferContext& c, const TransferArguments& a, bool options) {
    c.messageFlags() = (a.flags & 1) ? int32_t(kMessageQuiet) : 0;
    c.optionFlags() = options ? (a.flags >> 1) & 7 : 0;
    c.sampleNumber() = a.sampleNumber;
    c.words[kWordLayer] = a.layer;
    c.words[kWordInstrument] = a.instrument;
    c.channel() = a.channel;
    c.midiInDevice = a.midiIn;
    c.midiOutDevice = a.midiOut;
}

void ShowResult(WaveRecord& wave, int32_t result) {
    if (!TransferSucceeded(result))
        UI().MessageBox(wave.window, TitleOf(wave), TransferResultText(result));
}

int32_t RunMenuTransfer(WaveRecord& wave, int32_t direction) {
    InitTransferContext(gTransfer, &wave);
    int32_t result;
    if (gSamplerDynamicDialog && gSamplerTransferDialogHook) {
        gTransfer.direction = direction;
        result = gSamplerTransferDialogHook(direction, wave);
    } else {
        if (!FindSamplerDriver(EffectiveSamplerType(gSamplerType))) {
            ReportNotAvailable();  // a type whose protocol is not built yet
            return kTransferUserCancel;
        }
        if (SetupSamplerType(gTransfer, gSamplerType) != kTransferOk) {
            UI().MessageBox(wave.window, TitleOf(wave), "Couldn't set up Sampler driver");
            return kTransferInitFailed;
        }
        UI().SetStatusText(direction == 0 ? "Sending MIDI/SMDI: " + TitleOf(wave)
                                          : std::string("Receiving MIDI/SMDI..."));
        gTransfer.messageFlags() = 0;
        gTransfer.optionFlags() = 0;
        result = gTransfer.ParamDialog(direction, gTransfer);
    }
    if (direction == 1 && WaveHasData(&wave)) RefreshAfterReceive(wave);
    ShowResult(wave, result);
    UI().SetStatusText("");
    return result;
}

}  // namespace

void RefreshAfterReceive(WaveRecord& wave) {
    UpdateOverview(wave, 0, wave.frameCount, kEditLeft);
    wave.stateFlags |= kStateChanged;
    NotifyChange(&wave, kChangeAll);  // the window redraws, retitles and shows the changed mark
}

int32_t ScriptSend(WaveRecord& wave, const TransferArguments& args) {
    InitTransferContext(gTransfer, &wave);
    if (SetupSamplerType(gTransfer, gSamplerType) != kTransferOk) return kSetupFailed;
    UI().SetStatusText("Sending MIDI: " + TitleOf(wave));
    SetArguments(gTransfer, args, true);
    int32_t result = gTransfer.SendWave(gTransfer);
    UI().SetStatusText("");
    return result;
}

int32_t ScriptReceive(WaveRecord& wave, const TransferArguments& args) {
    if (WaveHasData(&wave)) return kTransferIllegalParameter;
    InitTransferContext(gTransfer, &wave);
    if (SetupSamplerType(gTransfer, gSamplerType) != kTransferOk) return kSetupFailed;
    UI().SetStatusText("Receiving MIDI...");
    SetArguments(gTransfer, args, false);
    int32_t result = gTransfer.ReceiveWave(gTransfer);
    if (WaveHasData(&wave)) RefreshAfterReceive(wave);
    UI().SetStatusText("");
    return result;
}

int32_t SendCommand(WaveRecord& wave) {
    if (!WaveHasData(&wave)) {
        UI().MessageBox(wave.window, TitleOf(wave), "There is no Wave to send!");
        return kTransferUserCancel;
    }
    return RunMenuTransfer(wave, 0);
}

int32_t ReceiveCommand(WaveRecord& wave) {
    if (WaveHasData(&wave)) {
        if (UI().Ask(wave.window, wave.name,
                     "A wave already exists here!\nDo you want to delete it?", kButtonsYesNo,
                     kAnswerNo) != kAnswerYes)
            return kTransferUserCancel;
        DiscardWave(wave);
    }
    return RunMenuTransfer(wave, 1);
}

bool BeginTransferDialog(TransferDialogState& s, int32_t direction, WaveRecord& wave) {
    if (DialogInUse(kDialogSamplerTransfer)) {
        UI().MessageBox(wave.window, TitleOf(wave), kTransferDialogBusyText);
        return false;
    }
    SetDialogInUse(kDialogSamplerTransfer, true);
    s.direction = direction;
    gTransfer.direction = direction;
    BuildSamplerPresetList("", s.presets);
    if (gCurrentSamplerPreset.type != gSamplerType) {
        gCurrentSamplerPreset.type = gSamplerType;
        gCurrentSamplerPreset.name.clear();
    }
    s.selectedType = EffectiveSamplerType(gCurrentSamplerPreset.type);
    ApplySamplerPreset(gTransfer, gCurrentSamplerPreset);
    s.presetName = gCurrentSamplerPreset.name;
    return true;
}

void ChooseTransferPreset(TransferDialogState& s, int index) {
    if (s.presets.empty()) return;
    if (index < 0) index = 0;
    if (size_t(index) >= s.presets.size()) index = int(s.presets.size()) - 1;
    const SamplerPreset& p = s.presets[size_t(index)];
    s.selectedType = EffectiveSamplerType(p.type);
    ApplySamplerPreset(gTransfer, p);
    s.presetName = p.name;
}

bool LoadTransferPreset(TransferDialogState& s, const std::string& path) {
    SamplerPreset p;
    if (ReadSamplerPresetFile(path, p) != 0) {
        ReportMessage(nullptr, "Sample Orbick 24/96", kSamplerPresetReadError);
        return false;
    }
    s.selectedType = EffectiveSamplerType(p.type);
    ApplySamplerPreset(gTransfer, p);
    s.presetName = p.name;
    return true;
}

bool SaveTransferPreset(const TransferDialogState& s, const std::string& path) {
    SamplerPreset p = SamplerPresetFromContext(gTransfer, s.selectedType, s.presetName);
    if (WriteSamplerPresetFile(path, p) != 0) {
        ReportMessage(nullptr, "Sample Orbick 24/96", kSamplerPresetWriteError);
        return false;
    }
    return true;
}

int32_t AcceptTransferDialog(TransferDialogState& s, bool* ran) {
    if (ran) *ran = false;
    if (!FindSamplerDriver(EffectiveSamplerType(s.selectedType))) {
        ReportNotAvailable();  // a type whose protocol is not built yet
        return kTransferUserCancel;
    }
    if (SetupSamplerType(gTransfer, s.selectedType) != kTransferOk) return kTransferInitFailed;
    if (ran) *ran = true;
    gCurrentSamplerPreset = SamplerPresetFromContext(gTransfer, s.selectedType, s.presetName);
    gSamplerType = s.selectedType;
    if (s.direction == 1) {
        UI().SetStatusText("Receiving MIDI/SMDI...");
        return gTransfer.ReceiveWave(gTransfer);
    }
    UI().SetStatusText("Sending MIDI/SMDI...");
    return gTransfer.SendWave(gTransfer);
}

void EndTransferDialog() {
    SetDialogInUse(kDialogSamplerTransfer, false);
}

}  // namespace ob
