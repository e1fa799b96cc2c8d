#!/usr/bin/env bash
# Level functions side by side with sox in the same run, on the same 5-minute
# mono 44.1 kHz 32-bit float WAV: gain -6 dB, reverse, dcshift 0.1.
#   sox IN.wav OUT.wav EFFECT
#   orbick --batch MACRO.bas   (obOpenWave, the operation, obSaveAsWave as WAVE 32 bit)
# Figures: best wall and CPU time of 5 whole runs, the programs taking turns;
# ratios sox / orbick (above 1: we are faster). "op s" is the operation alone,
# measured inside the library by orbick_dsp_apply on the same samples (the
# rest of a whole run is reading the file into memory and writing it back,
# which an editor does once per file, not per operation).
# Usage: bench/dsp_sox.sh BUILD_DIR
LABEL=dsp_sox
# shellcheck source=bench/sox_side_by_side.sh
source "$(dirname "$0")/sox_side_by_side.sh"
run gain "gain -6" "obGain e, -6.0" gain -6
run reverse "reverse" "obReverse e" reverse
run dcshift "dcshift 0.1" "obDCOffset e, 3277" dcoffset 3277 1
rm -f dsp_sox_out.wav dsp_sox_out.wav.pkc dsp_sox_out.f32 dsp_sox_in.f32
