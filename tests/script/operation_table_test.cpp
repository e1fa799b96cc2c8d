// Walks the operation table: command numbers, dialogs, undo codes, script
// bindings, Validate on non-finite doubles, and the recorder lines read back
// by `orbick --batch`.
#include "dsp/operation_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "dsp/operation_traits.h"
#include "dsp/preset_file.h"
#include "formats/sound_io.h"
#include "script/op_bindings.h"
#include "script/script_table.h"
#include "script_support.h"
#include "wave/undo.h"

using namespace ob;
using namespace ob::test;

namespace {

// Every traits struct; the table test checks it covers the whole table.
using AllOperations =
    std::tuple<GainOp, NormalizeOp, MaximizeOp, DcOffsetOp, UnclipOp, InvertOp, RectifyFullOp,
               RectifyHalfOp, MuteOp, ReverseOp, DifferentiateOp, IntegrateOp, StereoToMonoOp,
               MonoToStereoOp, ReplicateOp, InsertSilenceOp, InsertSilenceAtOp, AppendOp, CombineOp,
               KeyMapOp, StatisticsOp, CloneOp, SampleRateTransposeOp, TimeStretchOp, PitchShiftOp,
               CompressorOp, NoiseGateOp, EchoOp, FlangeOp, ChorusOp, ReverbOp, BassTrebleOp,
               TrebleOp, FiltersOp, LowPassOp, GraFreqOp, ParametricOp, VariTimeOp,
               VariTimeCurrentOp, EnvelopeGeneratorOp, TransferFunctionOp, CrossfadeLoopOp>;

const ScriptFunction* ScriptRow(const char* name) {
    for (size_t i = 0; i < kScriptFunctionCount; ++i)
        if (std::strcmp(kScriptFunctions[i].name, name) == 0) return &kScriptFunctions[i];
    return nullptr;
}

TEST(OperationTable, EveryEntryIsComplete) {
    static_assert(std::tuple_size_v<AllOperations> == kOperationCount);
    std::set<int> commands;
    for (int i = 0; i < kOperationCount; ++i) {
        const OperationEntry& e = kOperations[i];
        SCOPED_TRACE(e.info.name);
        EXPECT_EQ(e.info.id, i);
        EXPECT_EQ(&Operation(OperationId(i)), &e);
        ASSERT_NE(e.info.name, nullptr);
        ASSERT_NE(e.info.menuText, nullptr);
        EXPECT_GT(std::strlen(e.info.menuText), 0u);
        // A command number lies in the Functions, Effects or Edit range and is
        // unique; an entry without one shares its dialog with one that has it.
        if (e.info.command != 0) {
            EXPECT_TRUE(commands.insert(e.info.command).second) << e.info.command;
            bool functions = e.info.command >= 40900 && e.info.command <= 40926;
            bool effects = e.info.command >= 41100 && e.info.command <= 41122;
            bool edit = e.info.command >= 41300 && e.info.command <= 41319;
            EXPECT_TRUE(functions || effects || edit) << e.info.command;
            EXPECT_EQ(FindOperationByCommand(e.info.command), &e);
        } else {
            bool shared = false;
            for (const OperationEntry& other : kOperations)
                shared |= other.info.command != 0 && other.info.dialog == e.info.dialog &&
                          e.info.dialog != kNoDialog;
            EXPECT_TRUE(shared || e.info.id == kOperationAppend);
        }
        // The dialog id: a real one with its guard text, or explicitly none.
        if (e.info.dialog != kNoDialog) {
            ASSERT_GE(int(e.info.dialog), 0);
            ASSERT_LT(int(e.info.dialog), int(kDialogCount));
            EXPECT_NE(std::strstr(DialogGuardText(e.info.dialog), "already"), nullptr);
        }
        // The undo code names a step in the Undo History (0: the operation
        // makes no undo step).
        EXPECT_LT(e.info.undoOperation, kOperationNameCount);
        if (e.info.undoOperation != kOpUnspecified)
            EXPECT_STRNE(OperationName(e.info.undoOperation), "Unspecified");
        EXPECT_LE(e.info.backupKind, uint32_t(kBackupWholeAllChannels));
        // A preset kind belongs to the operation's own dialog.
        if (e.info.presetKind != -1) {
            ASSERT_GE(e.info.presetKind, 0);
            ASSERT_LT(e.info.presetKind, kPresetKindCount);
            EXPECT_STREQ(kPresetKinds[e.info.presetKind].dialog, e.info.name);
            EXPECT_NE(e.info.dialog, kNoDialog);
        }
        // The script binding resolves and declares the entry's arguments.
        if (e.info.scriptName) {
            EXPECT_NE(FindScriptFunction(e.info.scriptName), nullptr);
            const ScriptFunction* row = ScriptRow(e.info.scriptName);
            ASSERT_NE(row, nullptr);
            EXPECT_STREQ(row->arguments, e.info.scriptArguments);
            EXPECT_EQ(FindOperationByScriptName(e.info.scriptName), &e);
        }
        ASSERT_NE(e.run, nullptr);
        ASSERT_NE(e.validate, nullptr);
        ASSERT_NE(e.current, nullptr);
        EXPECT_EQ(e.current(), e.current());  // one object kept between uses
    }
    EXPECT_EQ(FindOperationByCommand(0), nullptr);
    EXPECT_EQ(FindOperationByCommand(40000), nullptr);
    EXPECT_EQ(FindOperationByScriptName("obgain"), &Operation(kOperationGain));
}

TEST(OperationTable, DefaultsValidateAndCurrentSettingsAreTheTypedOnes) {
    for (const OperationEntry& e : kOperations) {
        SCOPED_TRACE(e.info.name);
        alignas(std::max_align_t) unsigned char params[256];
        ASSERT_LE(e.paramsSize, sizeof params);
        std::memset(params, 0xA5, sizeof params);
        e.defaults(params);
        EXPECT_TRUE(e.validate(params));  // the start values are valid
    }
    EXPECT_EQ(Operation(kOperationGain).current(), &CurrentSettings<GainOp>());
    CurrentSettings<ReplicateOp>().amount = 4.0;
    EXPECT_EQ(static_cast<ReplicateParams*>(Operation(kOperationReplicate).current())->amount, 4.0);
    CurrentSettings<ReplicateOp>() = ReplicateParams{};
    EXPECT_EQ(ReplicateParams{}.unit, kReplicateRepetitions);
}

// For every double among the script arguments of Op: a NaN or infinity there
// makes Validate refuse, and the script function returns 0 leaving the wave.
template <class Op, class FromScript>
struct NonFiniteCheck;
template <class Op, class... A>
struct NonFiniteCheck<Op, bool (*)(typename Op::Params&, EditorResolver, A...)> {
    static void RunAll() { Run(std::index_sequence_for<A...>{}); }
    template <size_t... I>
    static void Run(std::index_sequence<I...>) {
        (Check<I>(), ...);
    }
    template <size_t K>
    static void Check() {
        using T = std::tuple_element_t<K, std::tuple<A...>>;
        if constexpr (std::is_same_v<T, double>) {
            for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity()}) {
                std::tuple<A...> args{A(1)...};
                std::get<K>(args) = bad;
                typename Op::Params params{};
                std::apply(
                    [&](A... a) {
                        Op::FromScript(
                            params, [](int32_t) { return 1; }, a...);
                    },
                    args);
                EXPECT_FALSE(Op::Validate(params)) << Op::kInfo.name << " argument " << K;
                WaveRecord& w = *gEditorSlots[1];
                float before = w.leftSamples[2];
                uint32_t frames = w.frameCount;
                int32_t result =
                    std::apply([](A... a) { return ScriptOperation<Op>::Call(1, a...); }, args);
                EXPECT_EQ(result, 0) << Op::kInfo.name << " argument " << K;
                EXPECT_EQ(w.frameCount, frames);
                EXPECT_EQ(w.leftSamples[2], before);
            }
        }
    }
};

template <class Op>
void CheckNonFinite() {
    if constexpr (requires { &Op::FromScript; })
        NonFiniteCheck<Op, decltype(&Op::FromScript)>::RunAll();
}

class OperationTableScript : public test::ScriptTest {};

TEST_F(OperationTableScript, ValidateRefusesNonFiniteDoubles) {
    BoxRecorder ui;
    test::MakeEditor(1, {0.1f, 0.2f, 0.3f, 0.4f}, {0.1f, 0.2f, 0.3f, 0.4f});
    int checked = 0;
    std::apply([&](auto... op) { ((CheckNonFinite<decltype(op)>(), ++checked), ...); },
               AllOperations{});
    EXPECT_EQ(checked, kOperationCount);
    // The other places Validate is used: a NaN in a typed Params refuses too.
    DcOffsetParams dc{std::nan(""), kDcPercent};
    EXPECT_EQ(RunOperation(Operation(kOperationDcOffset), *gEditorSlots[1], &dc), kEditRefused);
    CombineParams mix;
    mix.mix = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RunOperation(Operation(kOperationCombine), *gEditorSlots[1], &mix), kEditRefused);
    KeyMapParams keys{-5, 300, 60, 99};
    EXPECT_TRUE(Operation(kOperationKeyMap).validate(&keys));  // clamps, never refuses
    EXPECT_EQ(keys.low, 0);
    EXPECT_EQ(keys.root, 127);
    EXPECT_EQ(keys.fineTune, 50);
}

// The recorder line of every entry that has one, run back through the batch
// runner: each must parse and run (status 0, no engine error).
TEST_F(OperationTableScript, MacroLinesRunThroughBatch) {
    TempFolder tmp;
    ASSERT_FALSE(tmp.path.empty());
    std::string wav = tmp / "in.wav";
    {
        test::MakeEditor(1, std::vector<float>(4410, 0.25f));
        WaveRecord& w = *gEditorSlots[1];
        w.filePath = wav;
        ASSERT_EQ(SaveSound(w, 17, 0), 0);
        CloseAllEditors();
    }
    std::string macro = "Sub Main\n    e& = obOpenEditor()\n    r& = obOpenWave(e, \"" + wav +
                        "\")\n    If r = 1 Then Print \"loaded 1\"\n";
    int lines = 0;
    for (const OperationEntry& e : kOperations) {
        if (!e.macroLine) continue;
        alignas(std::max_align_t) unsigned char params[256];
        e.defaults(params);
        std::string line = e.macroLine(1, params);
        EXPECT_EQ(line.back(), '\n') << e.info.name;
        EXPECT_EQ(line.compare(0, std::strlen(e.info.scriptName), e.info.scriptName), 0) << line;
        macro += "    " + line;
        ++lines;
    }
    macro += "    Print \"end\"\nEnd Sub\n";
    EXPECT_GE(lines, kOperationCount - 3);  // all but Statistics, obVTFilter, Crossfade Loop
    std::string path = tmp / "lines.bas";
    WriteTextFile(path, macro);
    std::string command = std::string("timeout 120 '") + ORBICK_EXE + "' --batch '" + path +
                          "' --config-dir '" + tmp.path + "' > '" + tmp / "out.txt" + "' 2> '" +
                          tmp / "err.txt" + "'";
    int status = std::system(command.c_str());
    std::string out = ReadWholeFile(tmp / "out.txt");
    std::string err = ReadWholeFile(tmp / "err.txt");
    EXPECT_EQ(status, 0) << macro << "\nstdout:\n" << out << "\nstderr:\n" << err;
    EXPECT_NE(out.find("loaded 1"), std::string::npos) << out << err;
    EXPECT_NE(out.find("end"), std::string::npos) << out << err;
    EXPECT_EQ(err.find("Tessel"), std::string::npos) << err;
}

}  // namespace
