// The function table, the constant blocks, the declaration blocks and the
// name resolver. The declaration text is built from the table, so the names
// the engine is told about and the names the resolver knows stay in step.
#include "script/script_table.h"

#include <strings.h>

#include <cstdio>
#include <string>

#include "script/declaration_check.h"
#include "script/op_bindings.h"
#include "script/script_api.h"

namespace ob {

// clang-format off
namespace {

#define W "ByVal waveid&"
// A hand-written host function; its declaration is checked against its prototype.
#define F(name, args, result, block) \
    {#name, args, result, \
     reinterpret_cast<void*>(CheckedScriptFunction(args, result, &name)), block}
#define ALIAS(name, target, args, result, block) \
    {#name, args, result, \
     reinterpret_cast<void*>(CheckedScriptFunction(args, result, &target)), block}
// A function generated from the operation table (name and arguments from the entry).
#define OP(Op, block) \
    {Op::kInfo.scriptName, Op::kInfo.scriptArguments, "Long", \
     reinterpret_cast<void*>(CheckedScriptFunction(Op::kInfo.scriptArguments, "Long", \
                                                   &ScriptOperation<Op>::Call)), block}
#define OP_ALIAS(name, Op, block) \
    {#name, Op::kInfo.scriptArguments, "Long", \
     reinterpret_cast<void*>(CheckedScriptFunction(Op::kInfo.scriptArguments, "Long", \
                                                   &ScriptOperation<Op>::Call)), block}

}  // namespace

const ScriptFunction kScriptFunctions[] = {
    // Block 1: program settings, then the editors up to obSetLoop.
    F(obGetVersionInfo, "", "String", 1),
    F(obSetMsgType, "ByVal x&", "Long", 1),
    F(obSetSamplerType, "ByVal x&", "Long", 1),
    F(obSetFormatType, "ByVal x&", "Long", 1),
    F(obOpenMsgFile, "ByVal x$", "Long", 1),
    F(obCloseMsgFile, "", "Long", 1),
    F(obWriteMsgFile, "ByVal msg$", "Long", 1),
    F(obSetMode, W ", ByVal mode&", "Long", 1),
    F(obSetAffectType, "ByVal x&", "Long", 1),
    F(obSetEditChannel, "ByVal x&", "Long", 1),
    F(obLoadConfig, "ByVal path$", "Long", 1),
    F(obLoadPlayPrefs, "ByVal path$", "Long", 1),
    F(obLoadMacros, "ByVal path$", "Long", 1),
    F(obSetStatusMsg, "ByVal msg$", "Long", 1),
    F(obIsEditorOpen, "ByVal x&", "Long", 1),
    F(obIsEditorLoaded, "ByVal x&", "Long", 1),
    F(obGetNextOpenEditor, "ByVal x&", "Long", 1),
    F(obGetActiveEditorID, "", "Long", 1),
    F(obOpenEditor, "", "Long", 1),
    F(obCloseEditor, W, "Long", 1),
    F(obDeleteWave, W, "Long", 1),
    F(obDeleteWaveNV, W, "Long", 1),
    F(obOpenWave, W ", ByVal path$", "Long", 1),
    F(obSaveWave, W, "Long", 1),
    F(obSaveAsWave, W ", ByVal path$", "Long", 1),
    F(obSaveSplit, W ", ByVal path$", "Long", 1),
    F(obUndoWave, W, "Long", 1),
    F(obShowFull, W, "Long", 1),
    F(obZoomScroll, W ", ByVal zsid&", "Long", 1),
    F(obRedraw, W, "Long", 1),
    F(obSetOffset, W ", ByVal offset&", "Long", 1),
    F(obSetMarker, W ", ByVal mrkid&, ByVal posi&", "Long", 1),
    F(obSetLoop, W ", ByVal lid&, ByVal lstart&, ByVal lend&, ByVal ltype&, ByVal nsr&", "Long", 1),
    // Block 2: the rest of the editors, then the first level functions.
    F(obInquire, W ", ByVal which&, ByVal lmid&", "Long", 2),
    OP(KeyMapOp, 2),
    F(obSetWaitPointer, W, "Long", 2),
    F(obResetPointer, W, "Long", 2),
    F(obSetSampleValue, W ", ByVal offset&, ByVal val%", "Long", 2),
    F(obSetSampleValueR, W ", ByVal offset&, ByVal val%", "Long", 2),
    F(obGetSampleValue, W ", ByVal offset&", "Integer", 2),
    F(obGetSampleValueR, W ", ByVal offset&", "Integer", 2),
    F(obSetSampleValueFloat, W ", ByVal offset&, ByVal val!", "Long", 2),
    F(obSetSampleValueRFloat, W ", ByVal offset&, ByVal val!", "Long", 2),
    F(obGetSampleValueFloat, W ", ByVal offset&", "Single", 2),
    F(obGetSampleValueRFloat, W ", ByVal offset&", "Single", 2),
    F(obBackupEditor, W, "Long", 2),
    F(obCleanUpEditor, W, "Long", 2),
    F(obGetSampleBuffer, W ", ByVal offset&, ByVal size&, ByRef ary() As Integer", "Long", 2),
    F(obSetSampleBuffer, W ", ByVal offset&, ByVal size&, ByRef ary() As Integer", "Long", 2),
    F(obLoadClip, W ", ByVal path$", "Long", 2),
    F(obSaveClipByID, W ", ByVal ID&, ByVal path$", "Long", 2),
    F(obSaveClipByName, W ", ByVal name$, ByVal path$", "Long", 2),
    F(obCutKeepList, W ", ByVal process&", "Long", 2),
    OP(UnclipOp, 2),
    OP(DcOffsetOp, 2),
    OP(GainOp, 2),
    OP(NormalizeOp, 2),
    OP(CompressorOp, 2),
    OP(NoiseGateOp, 2),
    // Block 3: equalization, envelopes, transfer function, modulation effects.
    OP(BassTrebleOp, 3),
    OP(TrebleOp, 3),
    OP(LowPassOp, 3),
    OP(FiltersOp, 3),
    OP(ParametricOp, 3),
    OP(GraFreqOp, 3),
    OP(VariTimeCurrentOp, 3),
    OP(SampleRateTransposeOp, 3),
    F(obLoadEnvGenPreset, "ByVal path$", "Long", 3),
    F(obLoadTransFuncPreset, "ByVal path$", "Long", 3),
    OP(EnvelopeGeneratorOp, 3),
    OP(TransferFunctionOp, 3),
    OP(ReplicateOp, 3),
    F(obAM, W ", ByVal speed#, ByVal depth#, ByVal posi&", "Long", 3),
    F(obFM, W ", ByVal speed#, ByVal depth#, ByVal posi&", "Long", 3),
    F(obGrunge, W ", ByVal hiss&, ByVal poplevel&, ByVal popdensity&, ByVal bitdepth&", "Long", 3),
    F(obSpectralWarp, W ", ByVal startfac#, ByVal startbias#, ByVal endfac#, ByVal endbias#, "
                        "ByVal logfac&, ByVal logbias&", "Long", 3),
    F(obHarmony, W ", ByVal sourcelevel&, ByVal vox1pitch&, ByVal vox1level&, ByVal vox2pitch&, "
                   "ByVal vox2level&", "Long", 3),
    F(obResynthesize, W ", ByVal id&, ByVal timetype&, ByVal freqtype&, ByVal discrimtype&, "
                        "ByVal time#", "Long", 3),
    // Block 4: time and pitch, delay effects, repair, playback, transfer, analysis.
    OP(TimeStretchOp, 4),
    OP(PitchShiftOp, 4),
    OP(FlangeOp, 4),
    OP(ChorusOp, 4),
    OP(EchoOp, 4),
    OP(ReverbOp, 4),
    F(obNoiseReduction, W ", ByVal process&, ByVal noiseprintnumber&, ByVal noiseprintpath$, "
                          "ByVal amount&, ByVal tracking&, ByVal threshold#, ByVal thresholdtype&",
      "Long", 4),
    F(obClickAndPop, W ", ByVal detection&", "Long", 4),
    F(obConvolution, W ", ByVal convolvornumber&, ByVal convolvorpath$", "Long", 4),
    F(obImpulseModeling, W ", ByVal impulsenumber&, ByVal impulsepath$, ByVal startms&, "
                           "ByVal endms&, ByVal shiftms&, ByVal mix&, ByVal reverse&, "
                           "ByVal fadeout&, ByVal stereolink&", "Long", 4),
    F(obCrossMultiply, W ", ByVal waveid2&, ByVal who&, ByVal usesign&, ByVal scale&", "Long", 4),
    F(obPlay, W, "Long", 4),
    F(obPlayLoop, W, "Long", 4),
    F(obPlayAffect, W, "Long", 4),
    F(obStopPlay, "", "Long", 4),
    F(obSend, W ", ByVal wavenum&, ByVal layernum&, ByVal instnum&, ByVal channel&, "
                "ByVal flags&, ByVal devicein&, ByVal deviceout&", "Long", 4),
    F(obReceive, W ", ByVal wavenum&, ByVal layernum&, ByVal instnum&, ByVal channel&, "
                   "ByVal flags&, ByVal devicein&, ByVal deviceout&", "Long", 4),
    F(obFFT, W ", ByVal startoff&, ByVal records&, ByVal ptsize&, ByVal path$", "Long", 4),
    OP(StereoToMonoOp, 4),
    OP(MonoToStereoOp, 4),
    OP(InsertSilenceOp, 4),
    // Block 5: the simple functions and the length-changing ones.
    OP(InsertSilenceAtOp, 5),
    F(obSetProgressBar, "ByVal val&", "Long", 5),
    F(obBackups, "ByVal depth&", "Long", 5),
    OP(ReverseOp, 5),
    OP(InvertOp, 5),
    OP(IntegrateOp, 5),
    OP(DifferentiateOp, 5),
    OP(RectifyFullOp, 5),
    OP(RectifyHalfOp, 5),
    OP_ALIAS(obSilence, MuteOp, 5),
    OP(MuteOp, 5),
    OP_ALIAS(obScaleToFull, MaximizeOp, 5),
    OP(MaximizeOp, 5),
    F(obTrim, W, "Long", 5),
    ALIAS(obRemove, obDeleteAffectArea, W, "Long", 5),
    F(obDeleteAffectArea, W, "Long", 5),
    F(obClone, W, "Long", 5),
    OP(CombineOp, 5),
    OP(AppendOp, 5),
    // Block 6: directory search and the waveform generator.
    F(obFindFirstFile, "ByVal filename$", "String", 6),
    F(obFindNextFile, "", "String", 6),
    F(obCloseFindFile, "", "Long", 6),
    F(obGenerate, W ", ByVal waveshape&, ByVal rate&, ByVal freq#, ByVal dur#, "
                    "ByVal dutycycleperc&", "Long", 6),
    F(obGenerate4, W ", ByVal waveshape&, ByVal rate&, ByVal freq#, ByVal dur#, "
                     "ByVal dutycycleperc&, ByVal freq2#, ByVal freq3#, ByVal freq4#", "Long", 6),
    // Block 7: the two functions recorded macros call that the table lacks,
    // then the loop crossfade.
    F(obRedoWave, W, "Long", 7),
    OP(VariTimeOp, 7),
    OP(CrossfadeLoopOp, 7),
};
const size_t kScriptFunctionCount = sizeof kScriptFunctions / sizeof kScriptFunctions[0];

#undef W
#undef F
#undef ALIAS
#undef OP
#undef OP_ALIAS
// clang-format on

namespace {

struct ScriptConstant {
    const char* name;
    int32_t value;
    bool hex;   // written with &H
    int block;  // 1 or 2
};

const ScriptConstant kConstants[] = {
    {"OB_MSGTYPE_NONE", 0, false, 1},
    {"OB_MSGTYPE_BOX", 1, false, 1},
    {"OB_MSGTYPE_FILE", 2, false, 1},
    {"OB_MSGTYPE_STATUS", 3, false, 1},
    {"OB_FORMAT_AIFF16", 0, false, 1},
    {"OB_FORMAT_SD1", 2, false, 1},
    {"OB_FORMAT_8SVX", 3, false, 1},
    {"OB_FORMAT_WAV8", 5, false, 1},
    {"OB_FORMAT_WAV16", 6, false, 1},
    {"OB_FORMAT_RAW8S", 7, false, 1},
    {"OB_FORMAT_RAW8U", 8, false, 1},
    {"OB_FORMAT_RAW16M", 9, false, 1},
    {"OB_FORMAT_RAW16I", 10, false, 1},
    {"OB_FORMAT_RAWALAW", 11, false, 1},
    {"OB_FORMAT_RAWULAW", 12, false, 1},
    {"OB_FORMAT_S16_3", 13, false, 1},
    {"OB_FORMAT_AU", 14, false, 1},
    {"OB_FORMAT_VOC", 15, false, 1},
    {"OB_FORMAT_REALAUDIO", 16, false, 1},
    {"OB_FORMAT_WAV32", 17, false, 1},
    {"OB_FORMAT_AIFF24", 18, false, 1},
    {"OB_FORMAT_WAV24", 19, false, 1},
    {"OB_FORMAT_MP3", 20, false, 1},
    {"OB_SAMPLER_SDS12", 0, false, 1},
    {"OB_SAMPLER_SDS16", 1, false, 1},
    {"OB_SAMPLER_P2000", 2, false, 1},
    {"OB_SAMPLER_EPS", 3, false, 1},
    {"OB_SAMPLER_EPS16P", 4, false, 1},
    {"OB_SAMPLER_ASR10", 5, false, 1},
    {"OB_SAMPLER_DSS1", 6, false, 1},
    {"OB_SAMPLER_AKAIS612", 7, false, 1},
    {"OB_SAMPLER_SMDI", 8, false, 1},
    {"OB_SAMPLER_DSM1", 9, false, 1},
    {"OB_SAMPLER_AKAIS1000", 10, false, 1},
    {"OB_MODE_NORMAL", 0, false, 1},
    {"OB_MODE_ZOOMBOX", 1, false, 1},
    {"OB_MODE_FREEHAND", 2, false, 1},
    {"OB_MODE_SCRUB", 3, false, 1},
    {"OB_AFFECT_ALL", 1, false, 1},
    {"OB_AFFECT_INVIEW", 2, false, 1},
    {"OB_AFFECT_MARKERS", 3, false, 1},
    {"OB_AFFECT_MOUSE", 4, false, 1},
    {"OB_EDIT_LEFT", 1, false, 1},
    {"OB_EDIT_RIGHT", 2, false, 1},
    {"OB_EDIT_LEFTRIGHT", 3, false, 1},
    {"OB_ZOOMSCROLL_INHORIZ", 1, false, 1},
    {"OB_ZOOMSCROLL_OUTHORIZ", 2, false, 1},
    {"OB_ZOOMSCROLL_INVERT", 3, false, 1},
    {"OB_ZOOMSCROLL_OUTVERT", 4, false, 1},
    {"OB_ZOOMSCROLL_LEFT", 5, false, 1},
    {"OB_ZOOMSCROLL_RIGHT", 6, false, 1},
    {"OB_ZOOMSCROLL_UP", 7, false, 1},
    {"OB_ZOOMSCROLL_DOWN", 8, false, 1},
    {"OB_SETLOOP_NONE", 0, false, 1},
    {"OB_SETLOOP_SUSTAIN", 1, false, 1},
    {"OB_SETLOOP_RELEASE", 2, false, 1},
    {"OB_SETLOOP_FORWARD", 0, false, 1},
    {"OB_SETLOOP_FORWARDBACKWARD", 1, false, 1},
    {"OB_INQUIRE_CHANNELS", 0, false, 1},
    {"OB_INQUIRE_SIZE", 1, false, 1},
    {"OB_INQUIRE_PERIOD", 2, false, 1},
    {"OB_INQUIRE_RATE", 3, false, 1},
    {"OB_INQUIRE_MARKER", 4, false, 1},
    {"OB_INQUIRE_LOOPSTART", 5, false, 1},
    {"OB_INQUIRE_LOOPEND", 6, false, 1},
    {"OB_INQUIRE_SUSTAIN", 7, false, 1},
    {"OB_INQUIRE_RELEASE", 8, false, 1},
    {"OB_INQUIRE_AFFECTSTART", 9, false, 1},
    {"OB_INQUIRE_AFFECTEND", 10, false, 1},
    {"OB_INQUIRE_AFFECTLEFT", 11, false, 1},
    {"OB_INQUIRE_AFFECTRIGHT", 12, false, 1},
    {"OB_INQUIRE_FORMAT", 13, false, 1},
    {"OB_SR_NOMSGS", 1, true, 1},
    {"OB_SR_CREATEWAVE", 2, true, 1},
    {"OB_SR_CREATELAYER", 4, true, 1},
    {"OB_SR_CREATEINST", 8, true, 1},

    {"OB_SRT_LINEAR", 1, false, 2},
    {"OB_SRT_RESAMPLE", 2, false, 2},
    {"OB_SRT_RATE", 3, false, 2},
    {"OB_REPLICATE_SECS", 0, false, 2},
    {"OB_REPLICATE_MILLISECS", 1, false, 2},
    {"OB_REPLICATE_REPS", 2, false, 2},
    {"OB_GEN_SINE", 0, false, 2},
    {"OB_GEN_SQUARE", 1, false, 2},
    {"OB_GEN_TRIANGLE", 2, false, 2},
    {"OB_GEN_SAWTOOTH", 3, false, 2},
    {"OB_GEN_PULSE", 4, false, 2},
    {"OB_GEN_WHITENOISE", 5, false, 2},
    {"OB_GEN_SILENCE", 6, false, 2},
    {"OB_SM_L", 1, false, 2},
    {"OB_SM_R", 2, false, 2},
    {"OB_SM_LPR", 3, false, 2},
    {"OB_SM_LMR", 4, false, 2},
    {"OB_SM_SWAP", 5, false, 2},
    {"OB_RESYNTH_PITCH", 0, false, 2},
    {"OB_RESYNTH_TIME", 1, false, 2},
    {"OB_RESYNTH_NOISE", 2, false, 2},
    {"OB_RESYNTH_TIMENORMAL", 0, false, 2},
    {"OB_RESYNTH_TIMEFAST", 1, false, 2},
    {"OB_RESYNTH_TIMESHORT", 2, false, 2},
    {"OB_RESYNTH_FREQNORMAL", 0, false, 2},
    {"OB_RESYNTH_FREQHIGH", 1, false, 2},
    {"OB_RESYNTH_FREQLOW", 2, false, 2},
    {"OB_RESYNTH_DISCRIMNORMAL", 0, false, 2},
    {"OB_RESYNTH_DISCRIMFAST", 1, false, 2},
    {"OB_RESYNTH_DISCRIMSLOW", 2, false, 2},
    {"OB_RESYNTH_THRESHIGNORE", 0, false, 2},
    {"OB_RESYNTH_THRESHSTATIC", 1, false, 2},
    {"OB_RESYNTH_THRESHDYNAMIC", 2, false, 2},
    {"OB_REVERB_HALL", 0, false, 2},
    {"OB_REVERB_ROOM", 1, false, 2},
    {"OB_REVERB_SPRING", 2, false, 2},
    {"OB_INSERT_SECONDS", 0, false, 2},
    {"OB_INSERT_MILLISECONDS", 1, false, 2},
    {"OB_INSERT_SAMPLEPOINTS", 2, false, 2},
    {"OB_INSERT_SAMPLESTART", 1, false, 2},
    {"OB_INSERT_SAMPLEEND", 2, false, 2},
    {"OB_INSERT_AFFECTSTART", 3, false, 2},
    {"OB_INSERT_AFFECTEND", 4, false, 2},
    {"OB_CUTKEEPLIST_CLIP", 0, false, 2},
    {"OB_CUTKEEPLIST_FILE", 1, false, 2},
    {"OB_CUTKEEPLIST_CUT", 2, false, 2},
    {"OB_NOISEREDUCTION_AMOUNTHEAVY", 0, false, 2},
    {"OB_NOISEREDUCTION_AMOUNTNORMAL", 1, false, 2},
    {"OB_NOISEREDUCTION_AMOUNTLIGHT", 2, false, 2},
    {"OB_NOISEREDUCTION_TRACKINGRAPID", 0, false, 2},
    {"OB_NOISEREDUCTION_TRACKINGNORMAL", 1, false, 2},
    {"OB_NOISEREDUCTION_TRACKINGSTEADY", 2, false, 2},
    {"OB_NOISEREDUCTION_PROCESSNONE", 0, false, 2},
    {"OB_NOISEREDUCTION_PROCESSTHRESHOLD", 1, false, 2},
    {"OB_NOISEREDUCTION_PROCESSNOISEPRINT", 2, false, 2},
    {"OB_NOISEREDUCTION_PROCESSBOTH", 3, false, 2},
    {"OB_NOISEREDUCTION_THRESHSTATIC", 0, false, 2},
    {"OB_NOISEREDUCTION_THRESHDYNAMIC", 1, false, 2},
    {"OB_CLICKANDPOP_AGGRESSIVE", 0, false, 2},
    {"OB_CLICKANDPOP_NORMAL", 1, false, 2},
    {"OB_CLICKANDPOP_CONSERVATIVE", 2, false, 2},
};

std::string BuildConstantBlock(int block) {
    std::string text;
    for (const ScriptConstant& c : kConstants) {
        if (c.block != block) continue;
        text += "Const ";
        text += c.name;
        text += "\t= ";
        if (c.hex) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "&H%X", unsigned(c.value));
            text += hex;
        } else {
            text += std::to_string(c.value);
        }
        text += '\n';
    }
    return text;
}

std::string BuildDeclarationBlock(int block) {
    std::string text;
    for (size_t i = 0; i < kScriptFunctionCount; ++i) {
        const ScriptFunction& f = kScriptFunctions[i];
        if (f.block != block) continue;
        text += "Declare Function ";
        text += f.name;
        text += " App (";
        text += f.arguments;
        text += ") As ";
        text += f.result;
        text += '\n';
    }
    return text;
}

}  // namespace

const char* ConstantBlock(int block) {
    static const std::string blocks[kConstantBlockCount] = {BuildConstantBlock(1),
                                                            BuildConstantBlock(2)};
    if (block < 1 || block > kConstantBlockCount) return nullptr;
    return blocks[block - 1].c_str();
}

const char* DeclarationBlock(int block) {
    static const std::string blocks[kDeclarationBlockCount] = {
        BuildDeclarationBlock(1), BuildDeclarationBlock(2), BuildDeclarationBlock(3),
        BuildDeclarationBlock(4), BuildDeclarationBlock(5), BuildDeclarationBlock(6),
        BuildDeclarationBlock(7)};
    if (block < 1 || block > kDeclarationBlockCount) return nullptr;
    return blocks[block - 1].c_str();
}

void* FindScriptFunction(const char* name) {
    if (!name) return nullptr;
    for (size_t i = 0; i < kScriptFunctionCount; ++i)
        if (strcasecmp(kScriptFunctions[i].name, name) == 0) return kScriptFunctions[i].address;
    return nullptr;
}

bool FindScriptConstant(const char* name, int32_t& value) {
    for (const ScriptConstant& c : kConstants) {
        if (std::string(c.name) == name) {
            value = c.value;
            return true;
        }
    }
    return false;
}

std::string ScriptConstantName(const char* prefix, int32_t value) {
    std::string start = prefix;
    for (const ScriptConstant& c : kConstants)
        if (c.value == value && std::string(c.name).compare(0, start.size(), start) == 0)
            return c.name;
    return "";
}

}  // namespace ob

extern "C" void* ResolveScriptFunction(uint32_t, const char* name) {
    return ob::FindScriptFunction(name);
}
