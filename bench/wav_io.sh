#!/usr/bin/env bash
# WAV load and save speed against sox on the same machine in the same run:
# a 10-minute stereo 96 kHz 24-bit WAV generated with sox under $ORBICK_BENCH_TMP.
#   load:    wav_io_timer load IN (whole process)      vs  sox IN -n
#   save:    WriteWave of the loaded wave (in-process) vs  sox IN OUT.wav
#   convert: orbick --convert IN OUT (whole process)   vs  sox IN OUT.wav
# Each figure is the best of 3 runs (the input stays in the page cache).
# Usage: bench/wav_io.sh BUILD_DIR
set -euo pipefail
BENCH_DIR=$(dirname "$(realpath "$0")")
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

# shellcheck source=bench/best_of3.sh
source "$BENCH_DIR/best_of3.sh"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# best_inprocess3 KEY CMD...: the best of three figures the timer prints as "KEY S".
best_inprocess3() {
  local key=$1
  shift
  for _ in 1 2 3; do "$@" | awk -v k="$key" '$1 == k { print $2 }'; done | sort -g | head -1
}

echo "wav_io: $(du -h "$IN" | cut -f1) 10-minute stereo 96 kHz 24-bit WAV (best of 3 runs each)"
sox_load=$(best_of3 sox -D "$IN" -n)
our_load=$(best_of3 "$TIMER" load "$IN")
echo "load: ours ${our_load} s (whole process), sox IN -n ${sox_load} s, ratio ours/sox $(ratio "$our_load" "$sox_load")"

sox_save=$(best_of3 sox -D "$IN" "$TMP/wav_io_sox.wav")
our_save=$(best_inprocess3 save_seconds "$TIMER" save "$IN" "$TMP/wav_io_timer.wav" 24)
echo "save: ours ${our_save} s (WriteWave of the loaded wave), sox IN OUT.wav ${sox_save} s, ratio ours/sox $(ratio "$our_save" "$sox_save")"
our_convert=$(best_of3 "$ORBICK" --convert "$IN" "$TMP/wav_io_ours.wav" --format 19)
echo "convert: ours ${our_convert} s (orbick --convert: load, overview, save, peak cache), sox IN OUT.wav ${sox_save} s, ratio ours/sox $(ratio "$our_convert" "$sox_save")"
our_read=$(best_inprocess3 load_seconds "$TIMER" load "$IN")
echo "in-process ReadWave: ${our_read} s"
rm -f "$TMP/wav_io_sox.wav" "$TMP/wav_io_ours.wav" "$TMP/wav_io_ours.wav.pkc" "$TMP/wav_io_timer.wav"
