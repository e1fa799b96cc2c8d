// The one table of processing commands. Each entry says everything the rest
// of the program needs about an operation: its names and menu command, its
// dialog, its undo code and backup kind, its preset kind, its script function,
// its parameter struct (size, defaults, the settings kept between dialog
// uses), the Validate step that dialog, macro and preset load share, the run
// function and the macro-recorder line.
//
// Names that live below dsp/ are referred to by code, not copied: the guard
// text of the dialog stays in base/dialog_guard (DialogGuardText(dialog)) and
// the undo name in wave/undo (OperationName(undoOperation)), because base/ and
// wave/ sit below dsp/ and cannot include this table.
//
// The entries are built from one traits struct per operation
// (dsp/operation_traits.h) by MakeOperationEntry<Op>(); see docs/PROCESSING.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/dialog_guard.h"
#include "wave/wave_record.h"

namespace ob {

enum OperationId : int {
    kOperationGain,
    kOperationNormalize,
    kOperationMaximize,
    kOperationDcOffset,
    kOperationUnclip,
    kOperationInvert,
    kOperationRectifyFull,
    kOperationRectifyHalf,
    kOperationMute,
    kOperationReverse,
    kOperationDifferentiate,
    kOperationIntegrate,
    kOperationStereoToMono,
    kOperationMonoToStereo,
    kOperationReplicate,
    kOperationInsertSilence,
    kOperationInsertSilenceAt,
    kOperationAppend,
    kOperationCombine,
    kOperationKeyMap,
    kOperationStatistics,
    kOperationClone,
    kOperationSampleRateTranspose,
    kOperationTimeStretch,
    kOperationPitchShift,
    kOperationCompressor,
    kOperationNoiseGate,
    kOperationEcho,
    kOperationFlange,
    kOperationChorus,
    kOperationReverb,
    kOperationBassTreble,
    kOperationTreble,
    kOperationFilters,
    kOperationLowPass,
    kOperationGraFreq,
    kOperationParametric,
    kOperationVariTime,
    kOperationVariTimeCurrent,
    kOperationEnvelopeGenerator,
    kOperationTransferFunction,
    kOperationCrossfadeLoop,
    kOperationCount,
};

// An operation that runs without a dialog of its own (menu command at once).
constexpr ProcessDialog kNoDialog = ProcessDialog(-1);

// The plain facts of an operation, written once in its traits struct.
struct OperationInfo {
    OperationId id;
    const char* name;        // display name ("Gain")
    const char* menuText;    // menu item ("Gain...")
    int command;             // command number (40913); 0: reached through another entry's command
    ProcessDialog dialog;    // kNoDialog when it has none
    uint32_t undoOperation;  // UndoOperation code (wave/undo.h); 0 for no undo step
    uint32_t backupKind;     // BackupKind (wave/undo.h)
    int presetKind;          // index into kPresetKinds (dsp/preset_file.h), -1 none
    const char* scriptName;  // "obGain", or null when it has no script function
    const char* scriptArguments;  // the declaration's argument text ("ByVal waveid&, ByVal db#")
};

// The type-erased entry. Params pointers point at the operation's own struct.
struct OperationEntry {
    OperationInfo info;
    size_t paramsSize;                                   // 0 for an operation without parameters
    void (*defaults)(void* params);                      // fills the start values
    bool (*validate)(void* params);                      // clamps in place; false refuses
    int (*run)(WaveRecord& record, const void* params);  // an EditResult
    std::string (*macroLine)(int editor, const void* params);  // null: nothing recorded
    void* (*current)();  // the settings kept between dialog uses
};

extern const OperationEntry kOperations[kOperationCount];
const OperationEntry& Operation(OperationId id);
// By command number / script name (case-insensitive); null when none.
const OperationEntry* FindOperationByCommand(int command);
const OperationEntry* FindOperationByScriptName(const char* name);

// Validate, then run on `record` with `params` (the operation's struct);
// kEditRefused when Validate refuses. What dialogs and the script host call.
int RunOperation(const OperationEntry& entry, WaveRecord& record, void* params);

}  // namespace ob
