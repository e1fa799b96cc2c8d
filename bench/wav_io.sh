#!/usr/bin/env bash
# WAV load and save speed against sox on the same machine in the same run:
# a 10-minute stereo 96 kHz 24-bit WAV generated with sox under $ORBICK_BENCH_TMP.
#   load: wav_io_timer load IN             vs  sox IN -n
#   save: orbick --convert IN OUT (24 bit) vs  sox IN OUT.wav
# Each figure is the best wall time of 3 runs of the whole process (the file
# stays in the page cache); the in-process reader and writer times follow.
# Usage: bench/wav_io.sh BUILD_DIR
set -euo pipefail
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
IN=$TMP/wav_io_in.wav
TIMER=$BUILD/bin/wav_io_timer
ORBICK=$BUILD/bin/orbick
for tool in sox "$TIMER" "$ORBICK"; do
  command -v "$tool" >/dev/null || { echo "wav_io: $tool not found"; exit 1; }
done

if [[ ! -f $IN ]]; then
  sox -D -n -r 96000 -c 2 -b 24 "$IN" synth 600 sine 440 pinknoise vol 0.5
fi
cat "$IN" >/dev/null

# best_of3 CMD...: prints the best wall time in seconds of three runs.
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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "wav_io: $(du -h "$IN" | cut -f1) 10-minute stereo 96 kHz 24-bit WAV"
sox_load=$(best_of3 sox -D "$IN" -n)
our_load=$(best_of3 "$TIMER" load "$IN")
echo "load: ours ${our_load} s, sox ${sox_load} s, ratio ours/sox $(ratio "$our_load" "$sox_load")"

sox_save=$(best_of3 sox -D "$IN" "$TMP/wav_io_sox.wav")
our_save=$(best_of3 "$ORBICK" --convert "$IN" "$TMP/wav_io_ours.wav" --format 19)
echo "save (read + write): ours ${our_save} s, sox ${sox_save} s, ratio ours/sox $(ratio "$our_save" "$sox_save")"

"$TIMER" load "$IN" | sed 's/^/in-process /'
"$TIMER" save "$IN" "$TMP/wav_io_timer.wav" 24 | sed 's/^/in-process /'
rm -f "$TMP/wav_io_sox.wav" "$TMP/wav_io_ours.wav" "$TMP/wav_io_ours.wav.pkc" "$TMP/wav_io_timer.wav"
