// One traits struct per processing command: its facts (OperationInfo), its
// parameter struct, Validate, Run, MacroLine and, when it has a script
// function, FromScript (the script arguments after the editor number, turned
// into Params). dsp/operation_table.cpp builds the table from them, and the
// script host builds each script function from them (script/op_bindings.h).
//
// The contract of a traits struct Op:
//   using Params = ...;                 // plain struct; its member initialisers
//                                       // are the start values of the dialog
//   static constexpr OperationInfo kInfo = {...};
//   static Params Defaults();           // optional: other start values
//   static bool Validate(Params& p);    // clamp in place; false refuses
//   static int Run(WaveRecord& r, const Params& p);  // an EditResult
//   static std::string MacroLine(int editor, const Params& p);  // optional
//   static bool FromScript(Params& p, EditorResolver resolve, A... args);
//   static int ScriptResult(int editResult);  // optional: the script
//                                       // function's result (default: 1
//                                       // for kEditDone, else 0)
//                                       // optional; A... are the C types of
//                                       // the declared arguments after waveid
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "dsp/combine.h"
#include "dsp/crossfade_loop.h"
#include "dsp/delay.h"
#include "dsp/dynamics.h"
#include "dsp/envelope.h"
#include "dsp/equalization.h"
#include "dsp/insert.h"
#include "dsp/key_map.h"
#include "dsp/level.h"
#include "dsp/operation.h"
#include "dsp/operation_table.h"
#include "dsp/preset_file.h"
#include "dsp/simple.h"
#include "dsp/statistics.h"
#include "dsp/stereo.h"
#include "dsp/time_stretch.h"
#include "dsp/transfer_function.h"
#include "dsp/transpose.h"
#include "wave/undo.h"

namespace ob {

// Turns a script's second editor number (0 = the active editor) into the
// number of an editor with a loaded wave; 0 when there is none. The script
// host passes its own resolver (editor numbers are its business).
using EditorResolver = int (*)(int32_t number);

// The Params of an operation without parameters.
struct NoParams {};

// The start values of an operation's Params: Op::Defaults() when the traits
// have it, else the member initialisers. The settings kept between dialog uses
// start from them. The table's `current` hands out the same object untyped.
template <class Op>
typename Op::Params DefaultParams() {
    if constexpr (requires { Op::Defaults(); })
        return Op::Defaults();
    else
        return typename Op::Params{};
}
template <class Op>
typename Op::Params& CurrentSettings() {
    static typename Op::Params settings = DefaultParams<Op>();
    return settings;
}

// ---- Level ----

struct GainOp {
    using Params = GainParams;
    static constexpr OperationInfo kInfo = {
        kOperationGain, "Gain",       "Gain...", 40913,    kDialogGain,
        kOpGain,        kBackupRange, -1,        "obGain", "ByVal waveid&, ByVal db#"};
    static bool Validate(Params& p) { return std::isfinite(p.dB); }
    static int Run(WaveRecord& r, const Params& p) { return Gain(r, p); }
    static std::string MacroLine(int editor, const Params& p) { return GainMacroLine(editor, p); }
    static bool FromScript(Params& p, EditorResolver, double db) {
        p.dB = db;
        return true;
    }
};

struct NormalizeOp {
    using Params = NormalizeParams;
    static constexpr OperationInfo kInfo = {kOperationNormalize, "Normalize",
                                            "Normalize...",      40915,
                                            kDialogNormalize,    kOpNormalize,
                                            kBackupRange,        -1,
                                            "obNormalize",       "ByVal waveid&, ByVal db#"};
    static bool Validate(Params& p) { return std::isfinite(p.dB); }
    static int Run(WaveRecord& r, const Params& p) { return Normalize(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return NormalizeMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, double db) {
        p.dB = db;
        return true;
    }
};

struct MaximizeOp {
    using Params = NoParams;
    static constexpr OperationInfo kInfo = {kOperationMaximize, "Maximize",     "Maximize",   40914,
                                            kNoDialog,          kOpMaximize,    kBackupRange, -1,
                                            "obMaximize",       "ByVal waveid&"};
    static bool Validate(Params&) { return true; }
    static int Run(WaveRecord& r, const Params&) { return Maximize(r); }
    static std::string MacroLine(int editor, const Params&) { return MaximizeMacroLine(editor); }
    static bool FromScript(Params&, EditorResolver) { return true; }
};

struct DcOffsetOp {
    using Params = DcOffsetParams;
    static constexpr OperationInfo kInfo = {kOperationDcOffset, "DC Offset",
                                            "DC Offset...",     40921,
                                            kDialogDcOffset,    kOpDcOffset,
                                            kBackupRange,       -1,
                                            "obDCOffset",       "ByVal waveid&, ByVal dc_off&"};
    static bool Validate(Params& p) {
        return std::isfinite(p.offset) && (p.unit == kDcSixteenBit || p.unit == kDcPercent);
    }
    static int Run(WaveRecord& r, const Params& p) { return DcOffset(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return DcOffsetMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t steps) {
        p.offset = double(steps);
        p.unit = kDcSixteenBit;
        return true;
    }
};

// ---- Point, order and slope operations ----

struct UnclipOp {
    using Params = UnclipParams;
    static constexpr OperationInfo kInfo = {kOperationUnclip, "Unclip",       "Unclip",     40926,
                                            kNoDialog,        kOpUnclip,      kBackupRange, -1,
                                            "obUnClip",       "ByVal waveid&"};
    static bool Validate(Params& p) { return p.threshold > 0.0 && p.threshold <= 1.0; }
    static int Run(WaveRecord& r, const Params& p) { return Unclip(r, p); }
    static std::string MacroLine(int editor, const Params&) { return UnclipMacroLine(editor); }
    static bool FromScript(Params&, EditorResolver) { return true; }
};

// The seven operations of RunSimpleOperation share everything but the facts.
template <SimpleOperation S>
struct SimpleOpBase {
    using Params = NoParams;
    static bool Validate(Params&) { return true; }
    static int Run(WaveRecord& r, const Params&) { return RunSimpleOperation(r, S); }
    static std::string MacroLine(int editor, const Params&) { return SimpleMacroLine(S, editor); }
    static bool FromScript(Params&, EditorResolver) { return true; }
};

struct InvertOp : SimpleOpBase<kSimpleInvert> {
    static constexpr OperationInfo kInfo = {kOperationInvert, "Invert",       "Invert",     41112,
                                            kNoDialog,        kOpInvert,      kBackupRange, -1,
                                            "obInvert",       "ByVal waveid&"};
};
struct RectifyFullOp : SimpleOpBase<kSimpleRectifyFull> {
    static constexpr OperationInfo kInfo = {kOperationRectifyFull,
                                            "Rectify Full wave",
                                            "Rectify Full wave",
                                            41114,
                                            kNoDialog,
                                            kOpRectifyFull,
                                            kBackupRange,
                                            -1,
                                            "obRectifyFull",
                                            "ByVal waveid&"};
};
struct RectifyHalfOp : SimpleOpBase<kSimpleRectifyHalf> {
    static constexpr OperationInfo kInfo = {kOperationRectifyHalf,
                                            "Rectify Half wave",
                                            "Rectify Half wave",
                                            41115,
                                            kNoDialog,
                                            kOpRectifyHalf,
                                            kBackupRange,
                                            -1,
                                            "obRectifyHalf",
                                            "ByVal waveid&"};
};
struct MuteOp : SimpleOpBase<kSimpleMute> {
    static constexpr OperationInfo kInfo = {kOperationMute, "Mute",         "Mute",       41316,
                                            kNoDialog,      kOpSilence,     kBackupRange, -1,
                                            "obMute",       "ByVal waveid&"};
};
struct ReverseOp : SimpleOpBase<kSimpleReverse> {
    static constexpr OperationInfo kInfo = {kOperationReverse, "Reverse",      "Reverse",    41113,
                                            kNoDialog,         kOpReverse,     kBackupRange, -1,
                                            "obReverse",       "ByVal waveid&"};
};
struct DifferentiateOp : SimpleOpBase<kSimpleDifferentiate> {
    static constexpr OperationInfo kInfo = {kOperationDifferentiate,
                                            "Differentiate",
                                            "Differentiate",
                                            41110,
                                            kNoDialog,
                                            kOpDifferentiate,
                                            kBackupRange,
                                            -1,
                                            "obDifferentiate",
                                            "ByVal waveid&"};
};
struct IntegrateOp : SimpleOpBase<kSimpleIntegrate> {
    static constexpr OperationInfo kInfo = {
        kOperationIntegrate, "Integrate",  "Integrate", 41111,         kNoDialog,
        kOpIntegrate,        kBackupRange, -1,          "obIntegrate", "ByVal waveid&"};
};

// ---- Channel conversions ----

struct StereoToMonoOp {
    using Params = StereoToMonoParams;
    static constexpr OperationInfo kInfo = {
        kOperationStereoToMono,  "Stereo to Mono",
        "Mono/Stereo...",        40904,
        kDialogStereoMono,       kOpStereoToMono,
        kBackupWholeAllChannels, -1,
        "obStereoMono",          "ByVal waveid&, ByVal choice&"};
    static bool Validate(Params& p) {
        return p.choice >= kStereoKeepLeft && p.choice <= kStereoSwap;
    }
    static int Run(WaveRecord& r, const Params& p) { return StereoToMono(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return StereoToMonoMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t choice) {
        p.choice = choice;
        return true;
    }
};

// The other direction of the Mono/Stereo dialog: no command of its own.
struct MonoToStereoOp {
    using Params = MonoToStereoParams;
    static constexpr OperationInfo kInfo = {
        kOperationMonoToStereo,  "Mono to Stereo",
        "Mono/Stereo...",        0,
        kDialogStereoMono,       kOpMonoToStereo,
        kBackupWholeAllChannels, -1,
        "obMonoStereo",          "ByVal waveid&, ByVal waveid2&"};
    static bool Validate(Params&) { return true; }  // Run reports a missing source
    static int Run(WaveRecord& r, const Params& p) { return MonoToStereo(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return MonoToStereoMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver resolve, int32_t waveid2) {
        p.sourceEditor = resolve(waveid2);
        return p.sourceEditor != 0;
    }
};

// ---- Length changes ----

struct ReplicateOp {
    using Params = ReplicateParams;
    static constexpr OperationInfo kInfo = {
        kOperationReplicate,     "Replicate",
        "Replicate...",          40924,
        kDialogReplicate,        kOpReplicate,
        kBackupWholeAllChannels, -1,
        "obReplicate",           "ByVal waveid&, ByVal reps#, ByVal choice&"};
    // An amount of 0 or less is refused by Run with its message.
    static bool Validate(Params& p) {
        return std::isfinite(p.amount) && p.unit >= kReplicateSeconds &&
               p.unit <= kReplicateRepetitions;
    }
    static int Run(WaveRecord& r, const Params& p) { return Replicate(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return ReplicateMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, double reps, int32_t choice) {
        p.amount = reps;
        p.unit = choice;
        return true;
    }
};

struct InsertSilenceOp {
    using Params = InsertSilenceParams;
    static constexpr OperationInfo kInfo = {kOperationInsertSilence,
                                            "Insert Silence",
                                            "Silence Insert...",
                                            40925,
                                            kDialogInsertSilence,
                                            kOpInsertSilence,
                                            kBackupWholeAllChannels,
                                            -1,
                                            "obInsertSilence",
                                            "ByVal waveid&, ByVal amount#, ByVal units&, "
                                            "ByVal where&"};
    // An amount that gives no frames is refused by Run with its message.
    static bool Validate(Params& p) {
        return std::isfinite(p.amount) && p.unit >= kInsertSeconds &&
               p.unit <= kInsertSamplePoints && p.place >= kInsertAtPosition &&
               p.place <= kInsertAffectEnd;
    }
    static int Run(WaveRecord& r, const Params& p) { return InsertSilence(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return InsertSilenceMacroLine(editor, p);
    }
    // The script refuses an amount of 0 or less silently, and places 1..4.
    static bool FromScript(Params& p, EditorResolver, double amount, int32_t units, int32_t where) {
        p.amount = amount;
        p.unit = units;
        p.place = where;
        return amount > 0 && where >= kInsertSampleStart && where <= kInsertAffectEnd;
    }
};

// obInsertSilenceAt: the same operation at a frame; reached through the
// Silence Insert dialog's settings, no command of its own.
struct InsertSilenceAtOp : InsertSilenceOp {
    static constexpr OperationInfo kInfo = {kOperationInsertSilenceAt,
                                            "Insert Silence At",
                                            "Silence Insert...",
                                            0,
                                            kDialogInsertSilence,
                                            kOpInsertSilence,
                                            kBackupWholeAllChannels,
                                            -1,
                                            "obInsertSilenceAt",
                                            "ByVal waveid&, ByVal amount#, ByVal units&, "
                                            "ByVal where&"};
    static Params Defaults() {
        Params p;
        p.place = kInsertAtPosition;
        return p;
    }
    static bool FromScript(Params& p, EditorResolver, double amount, int32_t units, int32_t where) {
        p.amount = amount;
        p.unit = units;
        p.place = kInsertAtPosition;
        p.position = uint32_t(where);
        return amount > 0 && where >= 0;
    }
};

// Append has no dialog and no menu command: the script and Combine's callers.
struct AppendOp {
    using Params = AppendParams;
    static constexpr OperationInfo kInfo = {kOperationAppend,
                                            "Append",
                                            "Append",
                                            0,
                                            kNoDialog,
                                            kOpCombine,
                                            kBackupWholeAllChannels,
                                            -1,
                                            "obAppend",
                                            "ByVal waveid&, ByVal importnumber&"};
    static bool Validate(Params& p) {
        p.order = p.order == 0 ? 0 : 1;
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return Append(r, p); }
    static std::string MacroLine(int editor, const Params& p) { return AppendMacroLine(editor, p); }
    static bool FromScript(Params& p, EditorResolver resolve, int32_t importnumber) {
        p.sourceEditor = resolve(importnumber);
        return p.sourceEditor != 0;
    }
};

struct CombineOp {
    using Params = CombineParams;
    static constexpr OperationInfo kInfo = {kOperationCombine,
                                            "Combine Samples",
                                            "Combine Samples (Mix)...",
                                            40901,
                                            kDialogCombineSamples,
                                            kOpCombine,
                                            kBackupWholeAllChannels,
                                            -1,
                                            "obCombine",
                                            "ByVal waveid&, ByVal waveid2&, ByVal offset&, "
                                            "ByVal mix&"};
    // Mix is limited to 0..100 percent, a negative offset starts at 0.
    static bool Validate(Params& p) {
        if (!std::isfinite(p.mix)) return false;
        p.mix = p.mix < 0 ? 0 : (p.mix > 100 ? 100 : p.mix);
        if (p.offset < 0) p.offset = 0;
        p.order = p.order == 0 ? 0 : 1;
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return Combine(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return CombineMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver resolve, int32_t waveid2, int32_t offset,
                           int32_t mix) {
        p.sourceEditor = resolve(waveid2);
        p.offset = offset;
        p.mix = mix < 1 ? 0 : mix;
        return p.sourceEditor != 0;
    }
};

// ---- Settings and reports ----

struct KeyMapOp {
    using Params = KeyMapParams;
    static constexpr OperationInfo kInfo = {
        kOperationKeyMap, "Key Map",
        "Key Map...",     40919,
        kDialogKeymap,    kOpUnspecified,
        kBackupRange,     -1,
        "obKeyMap",       "ByVal waveid&, ByVal low&, ByVal root&, ByVal high&"};
    static bool Validate(Params& p) {
        auto limit = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
        p.low = limit(p.low, 0, 127);
        p.root = limit(p.root, 0, 127);
        p.high = limit(p.high, 0, 127);
        p.fineTune = limit(p.fineTune, -50, 50);
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return SetKeyMap(r, p); }
    static std::string MacroLine(int editor, const Params& p) { return KeyMapMacroLine(editor, p); }
    // The script sets the three keys and leaves the fine tune alone.
    static bool FromScript(Params& p, EditorResolver, int32_t low, int32_t root, int32_t high) {
        p.low = low;
        p.root = root;
        p.high = high;
        p.keepFineTune = true;
        return true;
    }
};

struct StatisticsOp {
    using Params = NoParams;
    static constexpr OperationInfo kInfo = {kOperationStatistics,
                                            "Statistics",
                                            "Statistics...",
                                            40906,
                                            kDialogStatistics,
                                            kOpUnspecified,
                                            kBackupRange,
                                            -1,
                                            nullptr,
                                            nullptr};
    static bool Validate(Params&) { return true; }
    static int Run(WaveRecord& r, const Params&) { return ShowStatistics(r); }
};

// Clone makes a new editor; its script function (which also makes the new
// editor the active one) is written by hand in the script host.
struct CloneOp {
    using Params = NoParams;
    static constexpr OperationInfo kInfo = {kOperationClone, "Clone Wave",   "Clone Wave", 40900,
                                            kNoDialog,       kOpUnspecified, kBackupRange, -1,
                                            "obClone",       "ByVal waveid&"};
    static bool Validate(Params&) { return true; }
    static int Run(WaveRecord& r, const Params&) {
        return DuplicateWave(r) ? kEditDone : kEditNothing;
    }
    static std::string MacroLine(int editor, const Params&);
};

// ---- Time and pitch ----

// The Sample Rate Transpose dialog's settings ("SRTR" record fields). The
// script function passes a rate in Hz and methods 0..2 (choices 1..3).
struct SampleRateTransposeOp {
    using Params = TransposeSettings;
    static constexpr OperationInfo kInfo = {
        kOperationSampleRateTranspose,
        "Sample Rate Transpose",
        "Sample Rate Transpose...",
        40905,
        kDialogSampleRateTranspose,
        kOpSampleRateTranspose,
        kBackupWholeAllChannels,
        kPresetSampleRateTranspose,
        "obSampleRateTranspose",
        "ByVal waveid&, ByVal fs&, ByVal choice&, ByVal prefil&, ByVal adj&"};
    static Params Defaults() { return TransposeBuiltIn(0); }
    static bool Validate(Params& p) {
        p.options &= kTransposeAdjust | kTransposePreFilter;
        return p.method >= kTransposeLinear && p.method <= kTransposeQuickPitch &&
               (p.units == kTransposeHertz || p.units == kTransposePeriod);
    }
    static int Run(WaveRecord& r, const Params& p) { return SampleRateTranspose(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return TransposeMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t fs, int32_t choice, int32_t prefil,
                           int32_t adj) {
        if (choice < 1 || choice > 3 || fs < 1) return false;
        p.value = fs;
        p.method = choice - 1;
        p.units = kTransposeHertz;
        p.options = (prefil ? kTransposePreFilter : 0u) | (adj ? kTransposeAdjust : 0u);
        p.quiet = true;
        return true;
    }
};

// Both change every channel and the area's length: whole-wave backups of all
// channels. The script functions clamp and show no message for 100 % or 0
// cents (they return 0).
struct TimeStretchOp {
    using Params = TimeStretchParams;
    static constexpr OperationInfo kInfo = {kOperationTimeStretch,
                                            "Time Stretch",
                                            "Time Stretch...",
                                            41120,
                                            kDialogTimeStretch,
                                            kOpTimeStretch,
                                            kBackupWholeAllChannels,
                                            -1,
                                            "obTimeStretch",
                                            "ByVal waveid&, ByVal stretch#, ByVal xbass&, "
                                            "ByVal link&"};
    static bool Validate(Params& p) {
        if (!std::isfinite(p.percent)) return false;
        p.percent = std::clamp(p.percent, 75.0, 125.0);
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return TimeStretch(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return TimeStretchMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, double stretch, int32_t xbass, int32_t link) {
        p.percent = stretch;
        p.extendedBass = xbass != 0;
        p.stereoLock = link != 0;
        p.quiet = true;
        return true;
    }
};

struct PitchShiftOp {
    using Params = PitchShiftParams;
    static constexpr OperationInfo kInfo = {kOperationPitchShift,
                                            "Pitch Shift",
                                            "Pitch Shift...",
                                            41117,
                                            kDialogPitchShift,
                                            kOpPitchShift,
                                            kBackupWholeAllChannels,
                                            -1,
                                            "obPitchShift",
                                            "ByVal waveid&, ByVal shift#, ByVal xbass&, "
                                            "ByVal link&"};
    static bool Validate(Params& p) {
        if (!std::isfinite(p.cents)) return false;
        p.cents = std::clamp(p.cents, -400.0, 400.0);
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return PitchShift(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return PitchShiftMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, double shift, int32_t xbass, int32_t link) {
        p.cents = shift;
        p.extendedBass = xbass != 0;
        p.stereoLock = link != 0;
        p.quiet = true;
        return true;
    }
};

// ---- Dynamics ----

// A run returns 1 to a macro, also an aborted one and a threshold of 0 dB
// (which does nothing); 0 only when it could not run.
inline int DynamicsScriptResult(int result) {
    return result == kEditDone || result == kEditAborted || result == kEditNothing ? 1 : 0;
}

struct CompressorOp {
    using Params = CompressorParams;
    static constexpr OperationInfo kInfo = {
        kOperationCompressor,
        "Compressor",
        "Compressor...",
        40911,
        kDialogCompressor,
        kOpCompressor,
        kBackupRange,
        kPresetKindCompressor,
        "obCompress",
        "ByVal waveid&, ByVal thres#, ByVal rat#, ByVal atk#, ByVal rel#, ByVal det&"};
    static bool Validate(Params& p) { return ClampCompressor(p); }
    static int Run(WaveRecord& r, const Params& p) { return Compress(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return CompressorMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, double thres, double rat, double atk,
                           double rel, int32_t det) {
        p = {thres, rat, atk, rel, det};
        return true;
    }
    static int ScriptResult(int result) { return DynamicsScriptResult(result); }
};

struct NoiseGateOp {
    using Params = NoiseGateParams;
    static constexpr OperationInfo kInfo = {
        kOperationNoiseGate, "Noise Gate",
        "Noise Gate...",     40916,
        kDialogNoiseGate,    kOpNoiseGate,
        kBackupRange,        kPresetKindNoiseGate,
        "obNoiseGate",       "ByVal waveid&, ByVal thres#, ByVal atk#, ByVal rel#, ByVal det&"};
    static bool Validate(Params& p) { return ClampNoiseGate(p); }
    static int Run(WaveRecord& r, const Params& p) { return NoiseGate(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return NoiseGateMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, double thres, double atk, double rel,
                           int32_t det) {
        p = {thres, atk, rel, det};
        return true;
    }
    static int ScriptResult(int result) { return DynamicsScriptResult(result); }
};

// ---- Delay effects ----

// 1 when the effect ran (also aborted), 0 when it refused or had no memory.
inline int DelayScriptResult(int result) {
    return result == kEditDone || result == kEditAborted ? 1 : 0;
}

struct EchoOp {
    using Params = EchoParams;
    static constexpr OperationInfo kInfo = {
        kOperationEcho, "Echo",
        "Echo...",      41106,
        kDialogEcho,    kOpEcho,
        kBackupRange,   kPresetKindEcho,
        "obEcho",       "ByVal waveid&, ByVal delay#, ByVal fdbk#, ByVal loud#"};
    static bool Validate(Params& p) { return ClampEcho(p); }
    static int Run(WaveRecord& r, const Params& p) { return Echo(r, p); }
    static std::string MacroLine(int editor, const Params& p) { return EchoMacroLine(editor, p); }
    static bool FromScript(Params& p, EditorResolver, double delay, double fdbk, double loud) {
        p = {delay, fdbk, loud};
        return true;
    }
    static int ScriptResult(int result) { return DelayScriptResult(result); }
};

struct FlangeOp {
    using Params = FlangeParams;
    static constexpr OperationInfo kInfo = {
        kOperationFlange,
        "Flange",
        "Flange...",
        41105,
        kDialogFlange,
        kOpFlange,
        kBackupRange,
        kPresetKindFlange,
        "obFlange",
        "ByVal waveid&, ByVal delay#, ByVal fdbk#, ByVal loud#, "
        "ByVal speed#, ByVal depth#, ByVal inv&"};
    static bool Validate(Params& p) { return ClampFlange(p); }
    static int Run(WaveRecord& r, const Params& p) { return Flange(r, p); }
    static std::string MacroLine(int editor, const Params& p) { return FlangeMacroLine(editor, p); }
    static bool FromScript(Params& p, EditorResolver, double delay, double fdbk, double loud,
                           double speed, double depth, int32_t inv) {
        p = {delay, fdbk, loud, speed, depth, inv != 0};
        return true;
    }
    static int ScriptResult(int result) { return DelayScriptResult(result); }
};

struct ChorusOp {
    using Params = FlangeParams;
    static constexpr OperationInfo kInfo = {
        kOperationChorus,
        "Chorus",
        "Chorus...",
        41104,
        kDialogChorus,
        kOpChorus,
        kBackupRange,
        kPresetKindChorus,
        "obChorus",
        "ByVal waveid&, ByVal delay#, ByVal fdbk#, ByVal loud#, "
        "ByVal speed#, ByVal depth#"};
    static bool Validate(Params& p) {
        p.invert = false;
        return ClampFlange(p);
    }
    static int Run(WaveRecord& r, const Params& p) { return Chorus(r, p); }
    static std::string MacroLine(int editor, const Params& p) { return ChorusMacroLine(editor, p); }
    // Start values: "General purpose".
    static Params Defaults() {
        Params p;
        p.delayMs = 22.0;
        return p;
    }
    static bool FromScript(Params& p, EditorResolver, double delay, double fdbk, double loud,
                           double speed, double depth) {
        p = {delay, fdbk, loud, speed, depth, false};
        return true;
    }
    static int ScriptResult(int result) { return DelayScriptResult(result); }
};

struct ReverbOp {
    using Params = ReverbParams;
    static constexpr OperationInfo kInfo = {kOperationReverb,
                                            "Reverb",
                                            "Reverb...",
                                            41108,
                                            kDialogReverb,
                                            kOpReverb,
                                            kBackupRange,
                                            kPresetKindReverb,
                                            "obReverb",
                                            "ByVal waveid&, ByVal time#, ByVal pre#, ByVal damp#, "
                                            "ByVal loud#, ByVal diff#, ByVal enc&"};
    static bool Validate(Params& p) { return ClampReverb(p); }
    static int Run(WaveRecord& r, const Params& p) { return Reverb(r, p); }
    static std::string MacroLine(int editor, const Params& p) { return ReverbMacroLine(editor, p); }
    static bool FromScript(Params& p, EditorResolver, double time, double pre, double damp,
                           double loud, double diff, int32_t enc) {
        p = {time, pre, damp, loud, diff, enc};
        return true;
    }
    static int ScriptResult(int result) { return DelayScriptResult(result); }
};

// ---- Equalization ----

// Bass and Treble: the dialog's entry carries obEQBass (the bass band alone,
// the treble band at 5 Hz and 0 dB); obEQTreble is the same operation with
// the treble band alone.
struct BassTrebleOp {
    using Params = BassTrebleParams;
    static constexpr OperationInfo kInfo = {
        kOperationBassTreble, "EQ: Bass & Treble",
        "Bass/Treble...",     40907,
        kDialogEqBassTreble,  kOpEqBassTreble,
        kBackupRange,         kPresetKindBassTreble,
        "obEQBass",           "ByVal waveid&, ByVal hz&, ByVal db#"};
    static bool Validate(Params& p) { return ClampBassTreble(p); }
    static int Run(WaveRecord& r, const Params& p) { return BassTreble(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return BassTrebleMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t hz, double db) {
        p = {kUseBass, hz, db, 5, 0.0};
        return true;
    }
};

struct TrebleOp {
    using Params = BassTrebleParams;
    static constexpr OperationInfo kInfo = {
        kOperationTreble,    "EQ: Treble",
        "Bass/Treble...",    0,
        kDialogEqBassTreble, kOpEqBassTreble,
        kBackupRange,        -1,
        "obEQTreble",        "ByVal waveid&, ByVal hz&, ByVal db#"};
    static Params Defaults() { return {kUseTreble, 5, 0.0, 8000, 4.0}; }
    static bool Validate(Params& p) { return ClampBassTreble(p); }
    static int Run(WaveRecord& r, const Params& p) { return BassTreble(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return BassTrebleMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t hz, double db) {
        p = {kUseTreble, 5, 0.0, hz, db};
        return true;
    }
};

// Filters: the dialog's entry carries obEQHighPass, obEQLowPass is the same
// operation with the low pass alone; an order other than 1, 2 or 5 gives 0.
struct FiltersOp {
    using Params = FiltersParams;
    static constexpr OperationInfo kInfo = {
        kOperationFilters, "EQ: Filters",
        "Filters...",      40908,
        kDialogEqFilters,  kOpEqFilters,
        kBackupRange,      kPresetKindFilters,
        "obEQHighPass",    "ByVal waveid&, ByVal hz&, ByVal order&"};
    static bool Validate(Params& p) { return ClampFilters(p); }
    static int Run(WaveRecord& r, const Params& p) { return HighLowPass(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return FiltersMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t hz, int32_t order) {
        p = {kUseHighPass, order, hz, 2, 5000};
        return order == 1 || order == 2 || order == 5;
    }
};

struct LowPassOp {
    using Params = FiltersParams;
    static constexpr OperationInfo kInfo = {
        kOperationLowPass, "EQ: Low Pass",
        "Filters...",      0,
        kDialogEqFilters,  kOpEqFilters,
        kBackupRange,      -1,
        "obEQLowPass",     "ByVal waveid&, ByVal hz&, ByVal order&"};
    static Params Defaults() { return {kUseLowPass, 2, 100, 2, 5000}; }
    static bool Validate(Params& p) { return ClampFilters(p); }
    static int Run(WaveRecord& r, const Params& p) { return HighLowPass(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return FiltersMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t hz, int32_t order) {
        p = {kUseLowPass, 2, 100, order, hz};
        return order == 1 || order == 2 || order == 5;
    }
};

struct GraFreqOp {
    using Params = GraFreqParams;
    static constexpr OperationInfo kInfo = {
        kOperationGraFreq,
        "EQ: GraFreq",
        "GraFreq...",
        40909,
        kDialogEqGraFreq,
        kOpEqGraFreq,
        kBackupRange,
        kPresetKindGraFreq,
        "obEQGraFreq",
        "ByVal waveid&, ByVal hzA&, ByVal dbA#, ByVal hzB&, ByVal dbB#, ByVal hzC&, "
        "ByVal dbC#, ByVal hzD&, ByVal dbD#, ByVal hzE&, ByVal dbE#"};
    static bool Validate(Params& p) { return ClampGraFreq(p); }
    static int Run(WaveRecord& r, const Params& p) { return GraFreq(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return GraFreqMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t hzA, double dbA, int32_t hzB,
                           double dbB, int32_t hzC, double dbC, int32_t hzD, double dbD,
                           int32_t hzE, double dbE) {
        p = {{hzA, hzB, hzC, hzD, hzE}, {dbA, dbB, dbC, dbD, dbE}};
        return true;
    }
    // All bands at 0 dB does nothing and is not a failure.
    static int ScriptResult(int result) { return result == kEditDone || result == kEditNothing; }
};

// obEQParametric: band A only (band B at 0 dB, 1000 Hz, 1 octave).
struct ParametricOp {
    using Params = ParametricParams;
    static constexpr OperationInfo kInfo = {
        kOperationParametric, "EQ: Parametric",
        "Parametric...",      40910,
        kDialogEqParametric,  kOpEqParametric,
        kBackupRange,         kPresetKindParametric,
        "obEQParametric",     "ByVal waveid&, ByVal hz&, ByVal db#, ByVal octaves#"};
    static bool Validate(Params& p) { return ClampParametric(p); }
    static int Run(WaveRecord& r, const Params& p) { return Parametric(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return ParametricMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t hz, double db, double octaves) {
        p = {kUseBandA, {hz, db, octaves}, {1000, 0.0, 1.0}};
        return true;
    }
};

// The Vari-Time Filter with an explicit kind (obEQVT, what the dialog
// records), and obVTFilter with the kind of the current settings.
struct VariTimeOp {
    using Params = VariTimeParams;
    static constexpr OperationInfo kInfo = {
        kOperationVariTime,
        "EQ: Vari-Time Filters",
        "Vari-Time Filter...",
        41122,
        kDialogEqVariTime,
        kOpTimeVariantFilter,
        kBackupRange,
        kPresetKindVariTime,
        "obEQVT",
        "ByVal waveid&, ByVal kind&, ByVal starthz&, ByVal endhz&"};
    static bool Validate(Params& p) { return ClampVariTime(p); }
    static int Run(WaveRecord& r, const Params& p) { return VariTime(r, p); }
    static std::string MacroLine(int editor, const Params& p) {
        return VariTimeMacroLine(editor, p);
    }
    static bool FromScript(Params& p, EditorResolver, int32_t kind, int32_t starthz,
                           int32_t endhz) {
        p = {kind, starthz, endhz};
        return true;
    }
};

struct VariTimeCurrentOp {
    using Params = VariTimeParams;
    static constexpr OperationInfo kInfo = {kOperationVariTimeCurrent,
                                            "EQ: Vari-Time Filter (current kind)",
                                            "Vari-Time Filter...",
                                            0,
                                            kDialogEqVariTime,
                                            kOpTimeVariantFilter,
                                            kBackupRange,
                                            -1,
                                            "obVTFilter",
                                            "ByVal waveid&, ByVal shz&, ByVal ehz&"};
    static bool Validate(Params& p) { return ClampVariTime(p); }
    static int Run(WaveRecord& r, const Params& p) { return VariTime(r, p); }
    static bool FromScript(Params& p, EditorResolver, int32_t shz, int32_t ehz) {
        p = {CurrentSettings<VariTimeOp>().kind, shz, ehz};
        return true;
    }
};

// ---- Envelope Generator and Transfer Function ----
// Their script functions apply the current record (the dialog's kept
// settings); obLoadEnvGenPreset / obLoadTransFuncPreset load into it.

struct EnvelopeGeneratorOp {
    using Params = EnvelopeParams;
    static constexpr OperationInfo kInfo = {kOperationEnvelopeGenerator,
                                            "Envelope Generator",
                                            "Envelope Generator...",
                                            40912,
                                            kDialogEnvelopeGenerator,
                                            kOpEnvelopeGenerator,
                                            kBackupRange,
                                            kPresetKindEnvelope,
                                            "obEnvelopeGenerator",
                                            "ByVal waveid&"};
    static Params Defaults() { return EnvelopeBuiltIn(0); }
    static bool Validate(Params& p) {
        ClampEnvelope(p);
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return ApplyEnvelope(r, p); }
    static std::string MacroLine(int editor, const Params&) { return EnvelopeMacroLine(editor); }
    static bool FromScript(Params& p, EditorResolver);
};

struct TransferFunctionOp {
    using Params = TransferParams;
    static constexpr OperationInfo kInfo = {kOperationTransferFunction,
                                            "Transfer Function",
                                            "Transfer Function...",
                                            41121,
                                            kDialogTransferFunction,
                                            kOpTransferFunction,
                                            kBackupRange,
                                            kPresetKindTransferFunction,
                                            "obTransferFunction",
                                            "ByVal waveid&"};
    static Params Defaults() { return TransferBuiltIn(kTransferInitialPreset); }
    static bool Validate(Params& p) {
        ClampTransfer(p);
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return ApplyTransferFunction(r, p); }
    static std::string MacroLine(int editor, const Params&) { return TransferMacroLine(editor); }
    static bool FromScript(Params& p, EditorResolver);
};

// ---- Loop crossfade ----

struct CrossfadeLoopOp {
    using Params = CrossfadeLoopParams;
    static constexpr OperationInfo kInfo = {
        kOperationCrossfadeLoop,
        "Crossfade Loop",
        "Crossfade &Loop...",
        40917,
        kDialogCrossfade,
        kOpCrossfadeLoop,
        kBackupWholeAllChannels,
        -1,
        "obCrossfadeLoop",
        "ByVal waveid&, ByVal area&, ByVal amount&, ByVal tailor&, ByVal sustain&, ByVal log&"};
    // An amount of 0 is kept as 1 (both mean "as long as the loop allows");
    // a negative amount or an unknown area is refused.
    static bool Validate(Params& p) {
        if (p.amount < 0 || p.area < kCrossfadeStart || p.area > kCrossfadeBoth) return false;
        if (p.amount == 0) p.amount = 1;
        return true;
    }
    static int Run(WaveRecord& r, const Params& p) { return CrossfadeLoop(r, p); }
    // No recorder line: the crossfade is not recorded.
    static bool FromScript(Params& p, EditorResolver, int32_t area, int32_t amount, int32_t tailor,
                           int32_t sustain, int32_t log) {
        p.area = area;
        p.amount = amount;
        p.tailor = tailor != 0;
        p.sustain = sustain != 0;
        p.logarithmic = log != 0;
        return true;
    }
};

inline bool EnvelopeGeneratorOp::FromScript(Params& p, EditorResolver) {
    p = CurrentSettings<EnvelopeGeneratorOp>();
    return true;
}
inline bool TransferFunctionOp::FromScript(Params& p, EditorResolver) {
    p = CurrentSettings<TransferFunctionOp>();
    return true;
}

}  // namespace ob
