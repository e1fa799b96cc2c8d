#!/usr/bin/env bash
# Equalization side by side with sox in the same run, on the same 5-minute
# mono 44.1 kHz 32-bit float WAV: highpass (order 2), bass and treble
# shelves, one peaking band, and five peaking bands (GraFreq against five
# sox equalizer bands).
#   sox IN.wav OUT.wav EFFECT
#   orbick --batch MACRO.bas   (obOpenWave, the function, obSaveAsWave as WAVE 32 bit)
# Figures: best wall and CPU time of 5 whole runs, the programs taking turns;
# ratios sox / orbick (above 1: we are faster). "op s" is the operation alone,
# measured inside the library by orbick_dsp_apply on the same samples.
# Usage: bench/dsp_eq_sox.sh BUILD_DIR
LABEL=dsp_eq_sox
SOX_OUTPUT="-e floating-point"
# shellcheck source=bench/sox_side_by_side.sh
source "$(dirname "$0")/sox_side_by_side.sh"
run highpass "highpass 100" "obEQHighPass e, 100, 2" filters 1 2 100 2 5000
run bass "bass 6 100" "obEQBass e, 100, 6.0" basstreble 1 100 6 10000 0
run treble "treble 3 8000" "obEQTreble e, 8000, 3.0" basstreble 2 100 0 8000 3
run bass+treb "bass 6 100 treble 3 8000" \
  $'obEQBass e, 100, 6.0\n    obEQTreble e, 8000, 3.0' basstreble 3 100 6 8000 3
run equalizer "equalizer 1000 1.5o -6" "obEQParametric e, 1000, -6.0, 1.5" \
  parametric 1 1000 -6 1.5 1000 0 1
run grafreq5 "equalizer 40 1.5o 5 equalizer 160 1.5o -3 equalizer 1000 1.5o 2 equalizer 3000 1.5o 1 equalizer 13000 1.5o 2" \
  "obEQGraFreq e, 40, 5.0, 160, -3.0, 1000, 2.0, 3000, 1.0, 13000, 2.0" \
  grafreq 40 5 160 -3 1000 2 3000 1 13000 2
rm -f dsp_sox_out.wav dsp_sox_out.wav.pkc dsp_sox_out.f32 dsp_sox_in.f32
