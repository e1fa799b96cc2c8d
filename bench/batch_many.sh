#!/usr/bin/env bash
# A sample library at scale: 200 short WAV files (1 s stereo 44.1 kHz 16-bit)
# normalized to -1 dB, one process per file, the same files for both tools:
#   orbick --batch examples/normalize.bas IN OUT -1   (the macro takes its files
#                                                     from Command$ / CommandArg$)
#   sox --norm=-1 IN OUT
# Each tool runs as a plain loop (one file after another), through xargs -P
# and through GNU parallel (when installed), one job per core. Figures are the best wall
# time of 3 runs; "per file" divides by 200; the ratio is sox / orbick (above
# 1: we are faster). A check at the end compares the peaks of both outputs.
# Usage: bench/batch_many.sh BUILD_DIR
set -euo pipefail
BUILD=$(realpath "${1:-build}")
ROOT=$(cd "$(dirname "$0")/.." && pwd)
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
ORBICK=$BUILD/bin/orbick
MACRO=$ROOT/examples/normalize.bas
COUNT=200
for tool in sox "$ORBICK"; do
  command -v "$tool" >/dev/null || { echo "batch_many: $tool not found"; exit 1; }
done
cd "$TMP"
mkdir -p batch_many/in batch_many/out_orbick batch_many/out_sox batch_many/config
cd batch_many
if [[ ! -f in/s$((COUNT - 1)).wav ]]; then
  for ((i = 0; i < COUNT; i++)); do
    sox -D -n -r 44100 -c 2 -b 16 in/s$i.wav synth 1 sine $((200 + 7 * i)) pinknoise \
      vol 0.$((2 + i % 7))
  done
fi
files=(in/*.wav)
export ORBICK MACRO

orbick_loop() {
  for f in "${files[@]}"; do
    "$ORBICK" --batch --config-dir config "$MACRO" "$f" "out_orbick/${f#in/}" -1
  done
}
sox_loop() {
  for f in "${files[@]}"; do sox -D --norm=-1 "$f" "out_sox/${f#in/}"; done
}
orbick_parallel() {
  parallel -j "$(nproc)" "$ORBICK" --batch --config-dir config "$MACRO" {} out_orbick/{/} -1 \
    ::: "${files[@]}"
}
sox_parallel() {
  parallel -j "$(nproc)" sox -D --norm=-1 {} out_sox/{/} ::: "${files[@]}"
}

orbick_xargs() {
  printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -I{} sh -c \
    '"$ORBICK" --batch --config-dir config "$MACRO" "$1" "out_orbick/${1#in/}" -1' sh {}
}
sox_xargs() {
  printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -I{} sh -c \
    'sox -D --norm=-1 "$1" "out_sox/${1#in/}"' sh {}
}

best_of3() {
  local best=""
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null
    t1=$(date +%s%N)
    local t=$((t1 - t0))
    if [[ -z $best || $t -lt $best ]]; then best=$t; fi
  done
  echo "$best"
}

row() {  # row LABEL ORBICK_NS SOX_NS
  awk -v l="$1" -v o="$2" -v s="$3" -v n="$COUNT" 'BEGIN {
    printf "%-10s %9.3f %11.2f %9.3f %11.2f %7.2f\n", l, o / 1e9, o / 1e6 / n, s / 1e9,
           s / 1e6 / n, s / o }'
}

echo "batch_many: $COUNT files of 1 s stereo 44.1 kHz 16-bit, normalize to -1 dB"
printf "%-10s %9s %11s %9s %11s %7s\n" run "orbick s" "ms per file" "sox s" "ms per file" ratio
row loop "$(best_of3 orbick_loop)" "$(best_of3 sox_loop)"
row "xargs -P" "$(best_of3 orbick_xargs)" "$(best_of3 sox_xargs)"
if command -v parallel >/dev/null; then
  row "parallel" "$(best_of3 orbick_parallel)" "$(best_of3 sox_parallel)"
else
  echo "parallel   (GNU parallel not installed)"
fi

# Same result: the peaks of both outputs agree within 0.02 dB.
bad=0
for f in in/s0.wav in/s57.wav in/s199.wav; do
  a=$(sox "out_orbick/${f#in/}" -n stats 2>&1 | awk '/^Pk lev dB/ { print $4 }')
  b=$(sox "out_sox/${f#in/}" -n stats 2>&1 | awk '/^Pk lev dB/ { print $4 }')
  awk -v a="$a" -v b="$b" 'BEGIN { d = a - b; exit !(d < 0.02 && d > -0.02) }' ||
    { echo "batch_many: peaks differ for $f: orbick $a, sox $b"; bad=1; }
done
exit $bad
