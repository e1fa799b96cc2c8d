#!/usr/bin/env bash
# Dynamics and delay effects side by side with sox in the same run, on the
# same 5-minute mono 44.1 kHz 32-bit float WAV, each with the editor's
# start preset against the nearest sox effect:
#   compressor "General purpose compressor" / compand (5:1 above -15 dB)
#   noise gate "General purpose noisegate"  / compand (gate below -40 dB)
#   echo "Moderate with slight trail off"   / echo (one 500 ms tap)
#   flange, chorus "General purpose"        / flanger, chorus
#   reverb "Medium concert hall"            / reverb
#   sox IN.wav OUT.wav EFFECT
#   orbick --batch MACRO.bas   (obOpenWave, the function, obSaveAsWave as WAVE 32 bit)
# Figures: best wall and CPU time of 5 whole runs, the programs taking turns;
# ratios sox / orbick (above 1: we are faster). "op s" is the operation alone,
# measured inside the library by orbick_dsp_apply on the same samples.
# Usage: bench/dsp_effects_sox.sh BUILD_DIR
LABEL=dsp_effects_sox
SOX_OUTPUT="-e floating-point"
# shellcheck source=bench/sox_side_by_side.sh
source "$(dirname "$0")/sox_side_by_side.sh"
run compress "compand 0.00005,0.5 6:-15,-15,0,-12 0 -90 0.04" \
  "obCompress e, -15.0, 5.00, 0.05, 0.50, 40" compress -15 5 0.05 0.5 40
run noisegate "compand 0.00005,0.1 -40.1,-inf,-40,-40 0 -90 0.04" \
  "obNoiseGate e, -40.0, 0.05, 0.10, 40" noisegate -40 0.05 0.1 40
run echo "echo 1 1 500 0.5" "obEcho e, 0.5, 20.0, 50.0" echo 0.5 20 50
run flange "flanger 4 2 0 71 0.1" "obFlange e, 4.00, 45.0, 45.0, 10.000, 30.0, 0" \
  flange 4 45 45 10 30 0
run chorus "chorus 0.7 0.9 22 0.45 0.1 2 -s" "obChorus e, 22.00, 45.0, 45.0, 10.000, 30.0" \
  chorus 22 45 45 10 30
run reverb "reverb 50 50 100 100 40" "obReverb e, 2.00, 40.0, 14.0, 35.0, 12.0, OB_REVERB_HALL" \
  reverb 2 40 14 35 12 0
rm -f dsp_sox_out.wav dsp_sox_out.wav.pkc dsp_sox_out.f32 dsp_sox_in.f32
