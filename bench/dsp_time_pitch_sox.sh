#!/usr/bin/env bash
# Sample-rate transpose and time stretch side by side with sox in the same
# run, on the same 5-minute mono 44.1 kHz 32-bit float WAV:
#   44100 -> 48000 Hz, linear and band-limited, both against `rate -v 48000`;
#   time stretch to 110 % and 90 % against `tempo` with 1/1.1 and 1/0.9.
#   sox IN.wav OUT.wav EFFECT
#   orbick --batch MACRO.bas   (obOpenWave, the function, obSaveAsWave as WAVE 32 bit)
# Figures: best wall and CPU time of 5 whole runs, the programs taking turns;
# ratios sox / orbick (above 1: we are faster). "op s" is the operation alone,
# measured inside the library by orbick_dsp_apply on the same samples; "op M/s"
# is the 13.23 M input samples over it.
# Usage: bench/dsp_time_pitch_sox.sh BUILD_DIR
LABEL=dsp_time_pitch_sox
SOX_OUTPUT="-e floating-point"
# shellcheck source=bench/sox_side_by_side.sh
source "$(dirname "$0")/sox_side_by_side.sh"
per_second() {  # per_second OPERATION ARGS...: input samples per second of the operation alone
  local best=""
  for _ in 1 2 3; do
    local t
    t=$("$APPLY" dsp_sox_in.f32 dsp_sox_out.f32 1 44100 "$@" --time)
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  awk -v s="$best" 'BEGIN { printf "%.0f M/s", 300 * 44100 / s / 1e6 }'
}
run linear "rate -v 48000" "obSampleRateTranspose e, 48000, OB_SRT_LINEAR, 0, 0" transpose 48000 0 0
echo "  linear op alone, best of 3: $(per_second transpose 48000 0 0)"
run resample "rate -v 48000" "obSampleRateTranspose e, 48000, OB_SRT_RESAMPLE, 0, 0" \
  transpose 48000 1 0
echo "  resample op alone, best of 3: $(per_second transpose 48000 1 0)"
run stretch110 "tempo 0.909091" "obTimeStretch e, 110.0, 0, 0" timestretch 110 0 0
echo "  stretch 110 % op alone, best of 3: $(per_second timestretch 110 0 0)"
run stretch90 "tempo 1.111111" "obTimeStretch e, 90.0, 0, 0" timestretch 90 0 0
echo "  stretch 90 % op alone, best of 3: $(per_second timestretch 90 0 0)"
rm -f dsp_sox_out.wav dsp_sox_out.wav.pkc dsp_sox_out.f32 dsp_sox_in.f32
