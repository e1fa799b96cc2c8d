// The operation table, built from the traits structs.
#include "dsp/operation_table.h"

#include <strings.h>

#include <cstdio>
#include <type_traits>

#include "dsp/operation_traits.h"

namespace ob {

std::string CloneOp::MacroLine(int editor, const Params&) {
    char line[48];
    std::snprintf(line, sizeof line, "obClone %d\n", editor);
    return line;
}

namespace {

template <class Op>
constexpr OperationEntry MakeOperationEntry() {
    using P = typename Op::Params;
    OperationEntry e{};
    e.info = Op::kInfo;
    e.paramsSize = std::is_empty_v<P> ? 0 : sizeof(P);
    e.defaults = [](void* p) { *static_cast<P*>(p) = DefaultParams<Op>(); };
    e.validate = [](void* p) { return Op::Validate(*static_cast<P*>(p)); };
    e.run = [](WaveRecord& r, const void* p) { return Op::Run(r, *static_cast<const P*>(p)); };
    if constexpr (requires(const P& p) { Op::MacroLine(0, p); })
        e.macroLine = [](int editor, const void* p) {
            return Op::MacroLine(editor, *static_cast<const P*>(p));
        };
    e.current = []() -> void* { return &CurrentSettings<Op>(); };
    return e;
}

}  // namespace

// In OperationId order (checked below).
const OperationEntry kOperations[kOperationCount] = {
    MakeOperationEntry<GainOp>(),
    MakeOperationEntry<NormalizeOp>(),
    MakeOperationEntry<MaximizeOp>(),
    MakeOperationEntry<DcOffsetOp>(),
    MakeOperationEntry<UnclipOp>(),
    MakeOperationEntry<InvertOp>(),
    MakeOperationEntry<RectifyFullOp>(),
    MakeOperationEntry<RectifyHalfOp>(),
    MakeOperationEntry<MuteOp>(),
    MakeOperationEntry<ReverseOp>(),
    MakeOperationEntry<DifferentiateOp>(),
    MakeOperationEntry<IntegrateOp>(),
    MakeOperationEntry<StereoToMonoOp>(),
    MakeOperationEntry<MonoToStereoOp>(),
    MakeOperationEntry<ReplicateOp>(),
    MakeOperationEntry<InsertSilenceOp>(),
    MakeOperationEntry<InsertSilenceAtOp>(),
    MakeOperationEntry<AppendOp>(),
    MakeOperationEntry<CombineOp>(),
    MakeOperationEntry<KeyMapOp>(),
    MakeOperationEntry<StatisticsOp>(),
    MakeOperationEntry<CloneOp>(),
    MakeOperationEntry<SampleRateTransposeOp>(),
    MakeOperationEntry<TimeStretchOp>(),
    MakeOperationEntry<PitchShiftOp>(),
    MakeOperationEntry<CompressorOp>(),
    MakeOperationEntry<NoiseGateOp>(),
    MakeOperationEntry<EchoOp>(),
    MakeOperationEntry<FlangeOp>(),
    MakeOperationEntry<ChorusOp>(),
    MakeOperationEntry<ReverbOp>(),
    MakeOperationEntry<BassTrebleOp>(),
    MakeOperationEntry<TrebleOp>(),
    MakeOperationEntry<FiltersOp>(),
    MakeOperationEntry<LowPassOp>(),
    MakeOperationEntry<GraFreqOp>(),
    MakeOperationEntry<ParametricOp>(),
    MakeOperationEntry<VariTimeOp>(),
    MakeOperationEntry<VariTimeCurrentOp>(),
    MakeOperationEntry<EnvelopeGeneratorOp>(),
    MakeOperationEntry<TransferFunctionOp>(),
    MakeOperationEntry<CrossfadeLoopOp>(),
};

namespace {
constexpr bool TableInOrder() {
    OperationId ids[] = {GainOp::kInfo.id,
                         NormalizeOp::kInfo.id,
                         MaximizeOp::kInfo.id,
                         DcOffsetOp::kInfo.id,
                         UnclipOp::kInfo.id,
                         InvertOp::kInfo.id,
                         RectifyFullOp::kInfo.id,
                         RectifyHalfOp::kInfo.id,
                         MuteOp::kInfo.id,
                         ReverseOp::kInfo.id,
                         DifferentiateOp::kInfo.id,
                         IntegrateOp::kInfo.id,
                         StereoToMonoOp::kInfo.id,
                         MonoToStereoOp::kInfo.id,
                         ReplicateOp::kInfo.id,
                         InsertSilenceOp::kInfo.id,
                         InsertSilenceAtOp::kInfo.id,
                         AppendOp::kInfo.id,
                         CombineOp::kInfo.id,
                         KeyMapOp::kInfo.id,
                         StatisticsOp::kInfo.id,
                         CloneOp::kInfo.id,
                         SampleRateTransposeOp::kInfo.id,
                         TimeStretchOp::kInfo.id,
                         PitchShiftOp::kInfo.id,
                         CompressorOp::kInfo.id,
                         NoiseGateOp::kInfo.id,
                         EchoOp::kInfo.id,
                         FlangeOp::kInfo.id,
                         ChorusOp::kInfo.id,
                         ReverbOp::kInfo.id,
                         BassTrebleOp::kInfo.id,
                         TrebleOp::kInfo.id,
                         FiltersOp::kInfo.id,
                         LowPassOp::kInfo.id,
                         GraFreqOp::kInfo.id,
                         ParametricOp::kInfo.id,
                         VariTimeOp::kInfo.id,
                         VariTimeCurrentOp::kInfo.id,
                         EnvelopeGeneratorOp::kInfo.id,
                         TransferFunctionOp::kInfo.id,
                         CrossfadeLoopOp::kInfo.id};
    if (sizeof ids / sizeof ids[0] != kOperationCount) return false;
    for (int i = 0; i < kOperationCount; ++i)
        if (ids[i] != i) return false;
    return true;
}
static_assert(TableInOrder(), "kOperations must list every operation in OperationId order");
}  // namespace

const OperationEntry& Operation(OperationId id) {
    return kOperations[id >= 0 && id < kOperationCount ? id : 0];
}

const OperationEntry* FindOperationByCommand(int command) {
    if (command == 0) return nullptr;
    for (const OperationEntry& e : kOperations)
        if (e.info.command == command) return &e;
    return nullptr;
}

const OperationEntry* FindOperationByScriptName(const char* name) {
    if (!name) return nullptr;
    for (const OperationEntry& e : kOperations)
        if (e.info.scriptName && strcasecmp(e.info.scriptName, name) == 0) return &e;
    return nullptr;
}

int RunOperation(const OperationEntry& entry, WaveRecord& record, void* params) {
    if (!entry.validate(params)) return kEditRefused;
    return entry.run(record, params);
}

}  // namespace ob
