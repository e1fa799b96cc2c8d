#!/usr/bin/env bash
# Open to first paint of a one-hour 48 kHz stereo 24-bit WAV against sox
# reading it (`sox IN -n`), side by side in one run, best of 3 each (the file
# stays in the page cache). The WAV is generated with sox under $ORBICK_BENCH_TMP.
# Usage: bench/view_open.sh BUILD_DIR
set -euo pipefail
BENCH_DIR=$(dirname "$(realpath "$0")")
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
IN=$TMP/view_open_in.wav
TIMER=$BUILD/bin/view_open_timer
for tool in sox "$TIMER"; do
  command -v "$tool" >/dev/null || { echo "view_open: $tool not found"; exit 1; }
done
if [[ ! -f $IN ]]; then
  sox -D -n -r 48000 -c 2 -b 24 "$IN" synth 3600 sine 440 vol 0.5
fi
cat "$IN" >/dev/null

# shellcheck source=bench/best_of3.sh
source "$BENCH_DIR/best_of3.sh"

echo "view_open: $(du -h "$IN" | cut -f1) one-hour 48 kHz stereo 24-bit WAV (best of 3 runs each)"
sox_read=$(best_of3 sox -D "$IN" -n)
ours=$(best_of3 env QT_QPA_PLATFORM=offscreen "$TIMER" "$IN")
echo "open to first paint: ours ${ours} s (whole process), sox IN -n ${sox_read} s, ratio ours/sox $(awk -v a="$ours" -v b="$sox_read" 'BEGIN { printf "%.2f", a / b }')"
QT_QPA_PLATFORM=offscreen "$TIMER" "$IN" | sed 's/^/  /'
rm -f "$IN.pkc"
