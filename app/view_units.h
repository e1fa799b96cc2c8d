// Positions and levels as the view's rulers and readouts show them, in the
// record's time and level units. The texts come from the core's unit
// formatting (wave/time_units.h); this adds the Qt strings, the unit words of
// the level readout and the ruler ticks.
#pragma once

#include <QString>
#include <cstdint>

#include "wave/time_units.h"
#include "wave/wave_record.h"

namespace ob {

// A position (frame, displayOffset added) in the record's unit, without
// surrounding blanks, e.g. "1.250 Sec", "1:02.5000", "55125", "00:00:01:12.0".
QString PositionText(const WaveRecord& record, uint64_t frame);
// A length in frames in the record's unit (no display offset).
QString LengthText(const WaveRecord& record, uint64_t frames);
// A level (float sample) in the record's level unit with its unit word:
// "50.00 %", "16383", "90.31 dB", "-6.02 dB". The RMS unit has no position
// here and reads as -dB; LevelTextAt gives the RMS before a position.
QString LevelText(const WaveRecord& record, double value);
QString LevelTextAt(const WaveRecord& record, double value, uint64_t frame, int channel);
// Bits per sample of the format the sound came from (FormatBits).
int SourceBits(const WaveRecord& record);

// Ruler tick step in frames: the smallest "nice" step of the record's unit
// that is at least `minFrames` long (1-2-5 steps of seconds, frames or
// beats; minutes and hours for min:secs; whole frames and seconds for the
// video and SMPTE units; whole measures for measures).
double RulerStepFrames(const WaveRecord& record, uint32_t unit, double minFrames);
// The label of a ruler tick at `frame` (display offset added here) with ticks
// `stepFrames` apart.
QString RulerLabel(const WaveRecord& record, uint32_t unit, uint64_t frame, double stepFrames);

}  // namespace ob
