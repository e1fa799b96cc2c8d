// The QTest classes of the shell tests.
#pragma once

#include <QObject>

namespace shelltest {

extern bool gGermanLocale;

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void fileArgumentOpensOneEditor();
    void noUsableFileGivesOneEmptyEditor_data();
    void noUsableFileGivesOneEmptyEditor();
    void frameHasStatusBarInThreeParts();
    void closingUnsavedEditorAsksAndCancelKeepsIt();
    void closeRequestWithCancelKeepsProgramRunning();
    void droppedFilesOpenInOrder();
    void startupMacroRunsWithDialogsAndCLocale();
};

class SettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void storeRoundTrip();
    void outOfRangeValuesFallBack();
    void configRecordRoundTrip();
    void shortOrBrokenConfigIsRefused();
    void recentFilesMoveAndLabel();
    void defaultFoldersFromTargetDir();
};

class CommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void tableCoversEveryNumberOnce();
    void routingOfEveryCommand();
    void missingCommandsAreDisabledWithReason();
    void undoRedoFollowUndoState();
    void muteUndoMuteSaveAs24Bit();
    void settingsCommandsChangeState();
};

class ClipCommandsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void everyClipCommandHasAHandler();
    void systemCopyCutPasteAndDelete();
    void multiClipDialogs();
};

class MacroUiTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void editorSyntaxErrorPutsCursorOnItsLine();
    void editorBreakpointShowsGlobals();
    void editorStepRunsOneLine();
    void editorOpensEditsAndSaves();
    void macroKeysRunTheirFiles();
    void assignMacrosDialogStoresElevenPaths();
    void autoRecordReplaysToTheSameSound();
    void runMacroCommandRunsAnyFile();
    void setViewGetViewRoundTrip();
    void viewOptionsAndFont();
    void helpPagesForEveryMenuAndTheReference();
};

class DialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void okEqualsScriptFunctionAndRecordsItsLine();
    void cancelChangesNothing();
    void secondOpenReportsGuardText();
    void outOfRangeValuesAreRefusedWithTheirRange();
    void presetSaveThenLoadGivesSameParameters();
    void closingTheEditorCancelsItsDialog();
    void sessionReplaysBitForBitInBatch();
    void eqPresetsAndPreview();
    void transposeReadoutRefusalAndQuickPitch();
    void stretchAndPitchGuardsMemoryAndAbort();
    void transposePresetsRoundTrip();
    void curveDialogsLoadRecordsThePresetLine();
    void curvePreviewFollowsTheCurve();
};

class SpectrumTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void okShowsTheAnalysisOfTheAffectArea();
    void textSaveEqualsTheCoreExport();
    void imageSaveCopyAndPrintGiveTheChart();
    void tooSmallAreaAndMissingSoundAreReported();
};

class GenerateDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void okEqualsObGenerate4AndRecordsItsLine();
    void halfRateIsRefusedAndTheDialogStaysOpen();
    void aWaveHereIsDeletedOnlyOnYes();
    void presetsChooseSaveAndLoad();
};

class LoopMarkerTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void setMarkerDialogStepsNamesAndRecords();
    void setLoopDialogChecksValuesAndRoles();
    void mouseDragKeepsLoopsAndSnaps();
    void mouseButtonPlacesMarkerAndLoop();
    void markerShowHidesMarkers();
    void autoLocateDialogStoresSettings();
    void cutKeepDialogCutsIntoNewEditor();
    void loopWindowNudgesSnapsAndSaves();
};

class CrossfadeDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void okEqualsScriptFunctionAndRecordsNothing();
    void zeroAmountAndMissingLoop();
};

}  // namespace shelltest
