// The hand-written host functions behind the script declarations: plain C functions with
// natural signatures (Long int32_t, Integer int16_t, Single float, Double
// double, String const char*), called by the engine through the addresses
// ResolveScriptFunction hands out. Each returns 1 when it did its work and 0
// when it did nothing, unless its comment says otherwise. String results live
// in storage that stays valid until the next call of the same function.
#pragma once

#include <cstdint>

#include "script/op_bindings.h"

struct TesArray;

extern "C" {

// ---- Program, messages and settings ----
const char* obGetVersionInfo();
int32_t obSetMsgType(int32_t x);      // previous type
int32_t obSetSamplerType(int32_t x);  // previous type
int32_t obSetFormatType(int32_t x);   // previous format
int32_t obOpenMsgFile(const char* x);
int32_t obCloseMsgFile();
int32_t obWriteMsgFile(const char* msg);          // bytes written
int32_t obSetMode(int32_t waveid, int32_t mode);  // previous mode
int32_t obSetAffectType(int32_t x);               // previous type
int32_t obSetEditChannel(int32_t x);              // previous bits
int32_t obLoadConfig(const char* path);
int32_t obLoadPlayPrefs(const char* path);
int32_t obLoadMacros(const char* path);
int32_t obSetStatusMsg(const char* msg);
int32_t obSetProgressBar(int32_t val);
int32_t obBackups(int32_t depth);
const char* obFindFirstFile(const char* filename);
const char* obFindNextFile();
int32_t obCloseFindFile();

// ---- Editors and their data ----
int32_t obIsEditorOpen(int32_t x);
int32_t obIsEditorLoaded(int32_t x);
int32_t obGetNextOpenEditor(int32_t x);
int32_t obGetActiveEditorID();
int32_t obOpenEditor();  // the new editor's number
int32_t obCloseEditor(int32_t waveid);
int32_t obDeleteWave(int32_t waveid);
int32_t obDeleteWaveNV(int32_t waveid);
int32_t obOpenWave(int32_t waveid, const char* path);
int32_t obSaveWave(int32_t waveid);
int32_t obSaveAsWave(int32_t waveid, const char* path);
int32_t obSaveSplit(int32_t waveid, const char* path);
int32_t obUndoWave(int32_t waveid);
int32_t obRedoWave(int32_t waveid);
int32_t obShowFull(int32_t waveid);
int32_t obZoomScroll(int32_t waveid, int32_t zsid);
int32_t obRedraw(int32_t waveid);
int32_t obSetOffset(int32_t waveid, int32_t offset);
int32_t obSetMarker(int32_t waveid, int32_t mrkid, int32_t posi);
int32_t obSetLoop(int32_t waveid, int32_t lid, int32_t lstart, int32_t lend, int32_t ltype,
                  int32_t nsr);
int32_t obInquire(int32_t waveid, int32_t which, int32_t lmid);  // -1 for nothing
int32_t obSetWaitPointer(int32_t waveid);
int32_t obResetPointer(int32_t waveid);
int32_t obSetSampleValue(int32_t waveid, int32_t offset, int16_t val);
int32_t obSetSampleValueR(int32_t waveid, int32_t offset, int16_t val);
int16_t obGetSampleValue(int32_t waveid, int32_t offset);
int16_t obGetSampleValueR(int32_t waveid, int32_t offset);
int32_t obSetSampleValueFloat(int32_t waveid, int32_t offset, float val);
int32_t obSetSampleValueRFloat(int32_t waveid, int32_t offset, float val);
float obGetSampleValueFloat(int32_t waveid, int32_t offset);
float obGetSampleValueRFloat(int32_t waveid, int32_t offset);
int32_t obBackupEditor(int32_t waveid);
int32_t obCleanUpEditor(int32_t waveid);
int32_t obGetSampleBuffer(int32_t waveid, int32_t offset, int32_t size, TesArray** ary);
int32_t obSetSampleBuffer(int32_t waveid, int32_t offset, int32_t size, TesArray** ary);
int32_t obLoadClip(int32_t waveid, const char* path);
int32_t obSaveClipByID(int32_t waveid, int32_t ID, const char* path);
int32_t obSaveClipByName(int32_t waveid, const char* name, const char* path);
int32_t obCutKeepList(int32_t waveid, int32_t process);

// ---- Playback, sampler transfer and analysis ----
int32_t obPlay(int32_t waveid);
int32_t obPlayLoop(int32_t waveid);
int32_t obPlayAffect(int32_t waveid);
int32_t obStopPlay();
int32_t obSend(int32_t waveid, int32_t wavenum, int32_t layernum, int32_t instnum, int32_t channel,
               int32_t flags, int32_t devicein, int32_t deviceout);
int32_t obReceive(int32_t waveid, int32_t wavenum, int32_t layernum, int32_t instnum,
                  int32_t channel, int32_t flags, int32_t devicein, int32_t deviceout);
int32_t obFFT(int32_t waveid, int32_t startoff, int32_t records, int32_t ptsize, const char* path);

// ---- Processing ----
// The functions of the operation table (obGain, obInvert, ...) are generated
// from it: script/op_bindings.h. These are the rest.
int32_t obTrim(int32_t waveid);
int32_t obDeleteAffectArea(int32_t waveid);  // also obRemove
int32_t obClone(int32_t waveid);
int32_t obLoadEnvGenPreset(const char* path);
int32_t obLoadTransFuncPreset(const char* path);
int32_t obCrossMultiply(int32_t waveid, int32_t waveid2, int32_t who, int32_t usesign,
                        int32_t scale);
int32_t obGenerate(int32_t waveid, int32_t waveshape, int32_t rate, double freq, double dur,
                   int32_t dutycycleperc);
int32_t obGenerate4(int32_t waveid, int32_t waveshape, int32_t rate, double freq, double dur,
                    int32_t dutycycleperc, double freq2, double freq3, double freq4);
int32_t obAM(int32_t waveid, double speed, double depth, int32_t posi);
int32_t obFM(int32_t waveid, double speed, double depth, int32_t posi);
int32_t obGrunge(int32_t waveid, int32_t hiss, int32_t poplevel, int32_t popdensity,
                 int32_t bitdepth);
int32_t obSpectralWarp(int32_t waveid, double startfac, double startbias, double endfac,
                       double endbias, int32_t logfac, int32_t logbias);
int32_t obResynthesize(int32_t waveid, int32_t id, int32_t timetype, int32_t freqtype,
                       int32_t discrimtype, double time);
int32_t obHarmony(int32_t waveid, int32_t sourcelevel, int32_t vox1pitch, int32_t vox1level,
                  int32_t vox2pitch, int32_t vox2level);
int32_t obNoiseReduction(int32_t waveid, int32_t process, int32_t noiseprintnumber,
                         const char* noiseprintpath, int32_t amount, int32_t tracking,
                         double threshold, int32_t thresholdtype);
int32_t obClickAndPop(int32_t waveid, int32_t detection);
int32_t obConvolution(int32_t waveid, int32_t convolvornumber, const char* convolvorpath);
int32_t obImpulseModeling(int32_t waveid, int32_t impulsenumber, const char* impulsepath,
                          int32_t startms, int32_t endms, int32_t shiftms, int32_t mix,
                          int32_t reverse, int32_t fadeout, int32_t stereolink);

}  // extern "C"
