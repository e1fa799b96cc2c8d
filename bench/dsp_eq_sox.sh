#!/usr/bin/env bash
# Equalization side by side with sox in the same run, on the same 5-minute
# mono 44.1 kHz 32-bit float WAV: highpass (order 2), bass and treble
# shelves, one peaking band, and five peaking bands (GraFreq against five
# sox equalizer bands).
#   sox IN.wav OUT.wav EFFECT
#   orbick --batch MACRO.bas   (obOpenWave, the function, obSaveAsWave as WAVE 32 bit)
# Each figure is the best wall time of 3 runs of the whole process; the ratio
# is sox / orbick (above 1: we are faster). "op s" is the operation alone,
# measured inside the library by orbick_dsp_apply on the same samples.
# Usage: bench/dsp_eq_sox.sh BUILD_DIR
set -euo pipefail
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
ORBICK=$BUILD/bin/orbick
APPLY=$BUILD/bin/orbick_dsp_apply
for tool in sox "$ORBICK" "$APPLY"; do
  command -v "$tool" >/dev/null || { echo "dsp_eq_sox: $tool not found"; exit 1; }
done
cd "$TMP"
[[ -f dsp_sox_in.wav ]] || sox -D -n -r 44100 -c 1 -b 32 -e floating-point dsp_sox_in.wav \
  synth 300 sine 440 pinknoise vol 0.4
sox dsp_sox_in.wav -t f32 dsp_sox_in.f32
mkdir -p dsp_sox_config

best_of3() {
  local best=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    local t=$(( t1 - t0 ))
    if [[ -z $best || $t -lt $best ]]; then best=$t; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

macro() {  # macro NAME STATEMENT
  cat > "$1.bas" <<MACRO
Sub Main ()
    e = obOpenEditor()
    obOpenWave e, "dsp_sox_in.wav"
    $2
    obSetFormatType OB_FORMAT_WAV32
    obSaveAsWave e, "dsp_sox_out.wav"
End Sub
MACRO
}

echo "dsp_eq_sox: 5-minute mono 44.1 kHz float WAV ($(du -h dsp_sox_in.wav | cut -f1))"
printf "%-10s %10s %10s %8s %10s\n" effect "sox s" "orbick s" "ratio" "op s"
run() {
  local name=$1 effect=$2 statement=$3; shift 3
  macro "dsp_eq_$name" "$statement"
  local s o op_s
  s=$(best_of3 sox -D dsp_sox_in.wav -e floating-point dsp_sox_out.wav $effect)
  o=$(best_of3 "$ORBICK" --batch "dsp_eq_$name.bas" --config-dir dsp_sox_config)
  op_s=$("$APPLY" dsp_sox_in.f32 dsp_sox_out.f32 1 44100 "$@" --time)
  printf "%-10s %10s %10s %8s %10s\n" "$name" "$s" "$o" \
    "$(awk -v a="$s" -v b="$o" 'BEGIN { printf "%.2f", a / b }')" "$op_s"
}
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
rm -f dsp_sox_out.wav dsp_sox_out.f32 dsp_sox_in.f32
