#!/usr/bin/env bash
# Level functions side by side with sox in the same run, on the same 5-minute
# mono 44.1 kHz 32-bit float WAV: gain -6 dB, reverse, dcshift 0.1.
#   sox IN.wav OUT.wav EFFECT
#   orbick --batch MACRO.bas   (obOpenWave, the operation, obSaveAsWave as WAVE 32 bit)
# Each figure is the best wall time of 3 runs of the whole process; the ratio
# is sox / orbick (above 1: we are faster). "op s" is the operation alone,
# measured inside the library by orbick_dsp_apply on the same samples (the
# rest of a whole run is reading the file into memory and writing it back,
# which an editor does once per file, not per operation).
# Usage: bench/dsp_sox.sh BUILD_DIR
set -euo pipefail
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
ORBICK=$BUILD/bin/orbick
APPLY=$BUILD/bin/orbick_dsp_apply
for tool in sox "$ORBICK" "$APPLY"; do
  command -v "$tool" >/dev/null || { echo "dsp_sox: $tool not found"; exit 1; }
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
    "$@" >/dev/null
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

echo "dsp_sox: 5-minute mono 44.1 kHz float WAV ($(du -h dsp_sox_in.wav | cut -f1))"
printf "%-10s %10s %10s %8s %10s\n" effect "sox s" "orbick s" "ratio" "op s"
run() {
  local name=$1 effect=$2 statement=$3; shift 3
  macro "dsp_sox_$name" "$statement"
  local s o op_s
  s=$(best_of3 sox -D dsp_sox_in.wav dsp_sox_out.wav $effect)
  o=$(best_of3 "$ORBICK" --batch "dsp_sox_$name.bas" --config-dir dsp_sox_config)
  op_s=$("$APPLY" dsp_sox_in.f32 dsp_sox_out.f32 1 44100 "$@" --time)
  printf "%-10s %10s %10s %8s %10s\n" "$name" "$s" "$o" \
    "$(awk -v a="$s" -v b="$o" 'BEGIN { printf "%.2f", a / b }')" "$op_s"
}
run gain "gain -6" "obGain e, -6.0" gain -6
run reverse "reverse" "obReverse e" reverse
run dcshift "dcshift 0.1" "obDCOffset e, 3277" dcoffset 3277 1
rm -f dsp_sox_out.wav dsp_sox_out.f32 dsp_sox_in.f32
