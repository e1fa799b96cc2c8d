// The script functions of the operation table: one generated host function
// per traits struct with FromScript. ScriptOperation<Op>::Call has the exact
// C signature the engine calls (int32_t waveid, then the C types of FromScript's
// arguments) and does what every processing script function does: refuse (0)
// while the operation's dialog is open or the editor has no wave, build the
// Params from the arguments, Validate, Run, and return 1 when the edit was
// done, else 0 (or what the traits' ScriptResult makes of the result).
#pragma once

#include <cstdint>

#include "base/dialog_guard.h"
#include "dsp/operation_traits.h"

namespace ob {

// A second editor number of a two-sound operation: 0..99, 0 the active one;
// the number of an editor with a loaded wave, else 0.
int ScriptSecondEditor(int32_t number);
// The loaded editor of a script call, unless the dialog is open (kNoDialog:
// no dialog to check).
WaveRecord* ScriptOperationTarget(int32_t waveid, ProcessDialog dialog);

template <class Op, class FromScript>
struct ScriptOperationBinding;

template <class Op, class... A>
struct ScriptOperationBinding<Op, bool (*)(typename Op::Params&, EditorResolver, A...)> {
    static int32_t Call(int32_t waveid, A... args) {
        WaveRecord* record = ScriptOperationTarget(waveid, Op::kInfo.dialog);
        if (!record) return 0;
        typename Op::Params params{};
        if (!Op::FromScript(params, &ScriptSecondEditor, args...)) return 0;
        if (!Op::Validate(params)) return 0;
        int result = Op::Run(*record, params);
        if constexpr (requires { Op::ScriptResult(0); })
            return Op::ScriptResult(result);
        else
            return result == kEditDone ? 1 : 0;
    }
};

template <class Op>
using ScriptOperation = ScriptOperationBinding<Op, decltype(&Op::FromScript)>;

}  // namespace ob

// The generated functions under their script names, for callers in C++ (the
// tests, the recorder); the engine reaches them through the script table.
inline constexpr auto& obGain = ob::ScriptOperation<ob::GainOp>::Call;
inline constexpr auto& obNormalize = ob::ScriptOperation<ob::NormalizeOp>::Call;
inline constexpr auto& obMaximize = ob::ScriptOperation<ob::MaximizeOp>::Call;
inline constexpr auto& obDCOffset = ob::ScriptOperation<ob::DcOffsetOp>::Call;
inline constexpr auto& obUnClip = ob::ScriptOperation<ob::UnclipOp>::Call;
inline constexpr auto& obInvert = ob::ScriptOperation<ob::InvertOp>::Call;
inline constexpr auto& obRectifyFull = ob::ScriptOperation<ob::RectifyFullOp>::Call;
inline constexpr auto& obRectifyHalf = ob::ScriptOperation<ob::RectifyHalfOp>::Call;
inline constexpr auto& obMute = ob::ScriptOperation<ob::MuteOp>::Call;
inline constexpr auto& obReverse = ob::ScriptOperation<ob::ReverseOp>::Call;
inline constexpr auto& obDifferentiate = ob::ScriptOperation<ob::DifferentiateOp>::Call;
inline constexpr auto& obIntegrate = ob::ScriptOperation<ob::IntegrateOp>::Call;
inline constexpr auto& obStereoMono = ob::ScriptOperation<ob::StereoToMonoOp>::Call;
inline constexpr auto& obMonoStereo = ob::ScriptOperation<ob::MonoToStereoOp>::Call;
inline constexpr auto& obReplicate = ob::ScriptOperation<ob::ReplicateOp>::Call;
inline constexpr auto& obInsertSilence = ob::ScriptOperation<ob::InsertSilenceOp>::Call;
inline constexpr auto& obInsertSilenceAt = ob::ScriptOperation<ob::InsertSilenceAtOp>::Call;
inline constexpr auto& obAppend = ob::ScriptOperation<ob::AppendOp>::Call;
inline constexpr auto& obCombine = ob::ScriptOperation<ob::CombineOp>::Call;
inline constexpr auto& obKeyMap = ob::ScriptOperation<ob::KeyMapOp>::Call;
inline constexpr auto& obSampleRateTranspose = ob::ScriptOperation<ob::SampleRateTransposeOp>::Call;
inline constexpr auto& obTimeStretch = ob::ScriptOperation<ob::TimeStretchOp>::Call;
inline constexpr auto& obPitchShift = ob::ScriptOperation<ob::PitchShiftOp>::Call;
inline constexpr auto& obCompress = ob::ScriptOperation<ob::CompressorOp>::Call;
inline constexpr auto& obNoiseGate = ob::ScriptOperation<ob::NoiseGateOp>::Call;
inline constexpr auto& obEcho = ob::ScriptOperation<ob::EchoOp>::Call;
inline constexpr auto& obFlange = ob::ScriptOperation<ob::FlangeOp>::Call;
inline constexpr auto& obChorus = ob::ScriptOperation<ob::ChorusOp>::Call;
inline constexpr auto& obReverb = ob::ScriptOperation<ob::ReverbOp>::Call;
inline constexpr auto& obEQBass = ob::ScriptOperation<ob::BassTrebleOp>::Call;
inline constexpr auto& obEQTreble = ob::ScriptOperation<ob::TrebleOp>::Call;
inline constexpr auto& obEQHighPass = ob::ScriptOperation<ob::FiltersOp>::Call;
inline constexpr auto& obEQLowPass = ob::ScriptOperation<ob::LowPassOp>::Call;
inline constexpr auto& obEQGraFreq = ob::ScriptOperation<ob::GraFreqOp>::Call;
inline constexpr auto& obEQParametric = ob::ScriptOperation<ob::ParametricOp>::Call;
inline constexpr auto& obEQVT = ob::ScriptOperation<ob::VariTimeOp>::Call;
inline constexpr auto& obVTFilter = ob::ScriptOperation<ob::VariTimeCurrentOp>::Call;
inline constexpr auto& obEnvelopeGenerator = ob::ScriptOperation<ob::EnvelopeGeneratorOp>::Call;
inline constexpr auto& obTransferFunction = ob::ScriptOperation<ob::TransferFunctionOp>::Call;
inline constexpr auto& obCrossfadeLoop = ob::ScriptOperation<ob::CrossfadeLoopOp>::Call;
