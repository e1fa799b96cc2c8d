#!/usr/bin/env bash
# Level functions side by side with sox on the same 5-minute mono 44.1 kHz
# float file, in the same run: gain -6 dB, reverse, dcshift 0.1.
# Both sides are whole processes reading and writing raw float32:
#   sox -t f32 -r 44100 -c 1 IN -t f32 OUT EFFECT
#   orbick_dsp_apply IN OUT 1 44100 OPERATION ARGS   (the library through the
#   processing frame; `orbick --batch` takes its place once the batch runner
#   runs macros)
# Each figure is the best wall time of 3 runs; the ratio is sox / ours
# (above 1: we are faster). "op s" is the operation alone inside our process
# (the rest of our process time is reading the whole file into memory and
# writing it back, which an editor does once per file, not per operation).
# Usage: bench/dsp_sox.sh BUILD_DIR
set -euo pipefail
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
APPLY=$BUILD/bin/orbick_dsp_apply
IN=$TMP/dsp_sox_in.f32
OUT=$TMP/dsp_sox_out.f32
for tool in sox "$APPLY"; do
  command -v "$tool" >/dev/null || { echo "dsp_sox: $tool not found"; exit 1; }
done
[[ -f $IN ]] || sox -D -n -r 44100 -c 1 -t f32 "$IN" synth 300 sine 440 pinknoise vol 0.4
cat "$IN" >/dev/null

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

echo "dsp_sox: 5-minute mono 44.1 kHz float32 ($(du -h "$IN" | cut -f1))"
printf "%-10s %10s %10s %8s %10s\n" effect "sox s" "orbick s" "ratio" "op s"
run() {
  local name=$1 effect=$2 op=$3; shift 3
  local s o
  s=$(best_of3 sox -D -t f32 -r 44100 -c 1 "$IN" -t f32 "$OUT" $effect)
  o=$(best_of3 "$APPLY" "$IN" "$OUT" 1 44100 "$op" "$@")
  local op_s
  op_s=$("$APPLY" "$IN" "$OUT" 1 44100 "$op" "$@" --time)
  printf "%-10s %10s %10s %8s %10s\n" "$name" "$s" "$o" \
    "$(awk -v a="$s" -v b="$o" 'BEGIN { printf "%.2f", a / b }')" "$op_s"
}
run gain "gain -6" gain -6
run reverse "reverse" reverse
run dcshift "dcshift 0.1" dcoffset 10 2
rm -f "$OUT"
