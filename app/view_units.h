// Positions and levels as the view's rulers and readout show them, in the
// record's time unit (seconds, min:secs, sample points; other units are shown
// in seconds until the readout units arrive) and level unit.
#pragma once

#include <QString>
#include <cstdint>

#include "wave/wave_record.h"

namespace ob {

enum ViewTimeUnit : uint32_t { kTimeSeconds = 1, kTimeMinSecs = 2, kTimeWords = 3 };
enum ViewLevelUnit : uint32_t { kLevelPercent = 1, kLevelValue = 2, kLevelDb = 3 };

// The record's unit reduced to the three the view draws.
uint32_t ViewTimeUnitOf(const WaveRecord& record);
uint32_t ViewLevelUnitOf(const WaveRecord& record);

// A position (frame, displayOffset added) in the record's unit, e.g.
// "1.250000 Sec", "1:02.5000", "55125 pts".
QString PositionText(const WaveRecord& record, uint64_t frame);
// A length in frames in the record's unit.
QString LengthText(const WaveRecord& record, uint64_t frames);
// A level (float sample) in the record's level unit: "50.0 %", "16383", "-6.0 dB".
QString LevelText(const WaveRecord& record, double value);
// Bits per sample of the format the sound came from (32 when unknown: the
// samples are floats).
int SourceBits(const WaveRecord& record);

// Ruler tick step: the smallest "nice" step in frames that is at least
// `minFrames` long, in the unit (1-2-5 steps, minutes and hours for min:secs).
double RulerStepFrames(uint32_t unit, uint32_t rate, double minFrames);
// The label of a ruler tick at `frame` with ticks `stepFrames` apart.
QString RulerLabel(const WaveRecord& record, uint32_t unit, uint64_t frame, double stepFrames);

}  // namespace ob
