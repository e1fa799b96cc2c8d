# Whole processes side by side: a 5-minute 1 kHz sine at 44.1 kHz written as a
# mono 32-bit float WAV by `sox -n synth` and by `orbick --batch` (obGenerate,
# then obSaveAsWave), best wall time of 3 runs each; the ratio is sox / orbick
# (above 1: we are faster).
set -euo pipefail
BENCH_DIR=$(dirname "$(realpath "$0")")
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
ORBICK=$BUILD/bin/orbick
for tool in sox "$ORBICK"; do
  command -v "$tool" >/dev/null || { echo "generate_sox: $tool not found"; exit 1; }
done
cd "$TMP"
mkdir -p generate_sox_config
# shellcheck source=bench/best_of3.sh
source "$BENCH_DIR/best_of3.sh"

printf "%-10s %10s %10s %8s\n" shape "sox s" "orbick s" "ratio"
for shape in sine square sawtooth; do
  const=OB_GEN_$(echo "$shape" | tr a-z A-Z)
  cat > "generate_$shape.bas" <<MACRO
Sub Main ()
    e = obOpenEditor()
    r = obGenerate(e, $const, 44100, 1000, 300, 50)
    obSetFormatType OB_FORMAT_WAV32
    obSaveAsWave e, "generate_orbick.wav"
End Sub
MACRO
  s=$(best_of3 sox -D -n -r 44100 -c 1 -b 32 -e floating-point generate_sox.wav synth 300 "$shape" 1000)
  o=$(best_of3 "$ORBICK" --batch "generate_$shape.bas" --config-dir generate_sox_config)
  printf "%-10s %10s %10s %8s\n" "$shape" "$s" "$o" \
    "$(awk -v a="$s" -v b="$o" 'BEGIN { printf "%.2f", a / b }')"
done
rm -f generate_sox.wav generate_orbick.wav
