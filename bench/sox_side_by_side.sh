# Sourced by the bench scripts that run a processing function side by side
# with sox on one 5-minute mono 44.1 kHz 32-bit float WAV. Before sourcing,
# set LABEL (the script's name in its messages), optionally SOX_OUTPUT (sox
# options of the output file) and QUIET=1 (drop the runs' stderr).
# Provides `run NAME SOX_EFFECT MACRO_STATEMENT APPLY_ARGS...`, which prints
# one line: best wall time of 3 whole runs of sox and of `orbick --batch`,
# their ratio (sox / orbick; above 1: we are faster), and the operation alone
# measured inside the library by orbick_dsp_apply on the same samples.
set -euo pipefail
BENCH_DIR=$(dirname "$(realpath "$0")")
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
ORBICK=$BUILD/bin/orbick
APPLY=$BUILD/bin/orbick_dsp_apply
SOX_OUTPUT=${SOX_OUTPUT:-}
QUIET=${QUIET:-0}
for tool in sox "$ORBICK" "$APPLY"; do
  command -v "$tool" >/dev/null || { echo "$LABEL: $tool not found"; exit 1; }
done
cd "$TMP"
[[ -f dsp_sox_in.wav ]] || sox -D -n -r 44100 -c 1 -b 32 -e floating-point dsp_sox_in.wav \
  synth 300 sine 440 pinknoise vol 0.4
sox dsp_sox_in.wav -t f32 dsp_sox_in.f32
mkdir -p dsp_sox_config

# shellcheck source=bench/best_of3.sh
source "$BENCH_DIR/best_of3.sh"

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

echo "$LABEL: 5-minute mono 44.1 kHz float WAV ($(du -h dsp_sox_in.wav | cut -f1))"
printf "%-10s %10s %10s %8s %10s\n" effect "sox s" "orbick s" "ratio" "op s"
run() {
  local name=$1 effect=$2 statement=$3; shift 3
  macro "${LABEL}_$name" "$statement"
  local s o op_s
  # shellcheck disable=SC2086  # the effect and output options are word lists
  local run=()
  [[ $QUIET == 1 ]] && run=(quietly)
  s=$(best_of3 "${run[@]}" sox -D dsp_sox_in.wav $SOX_OUTPUT dsp_sox_out.wav $effect)
  o=$(best_of3 "${run[@]}" "$ORBICK" --batch "${LABEL}_$name.bas" --config-dir dsp_sox_config)
  op_s=$("$APPLY" dsp_sox_in.f32 dsp_sox_out.f32 1 44100 "$@" --time)
  printf "%-10s %10s %10s %8s %10s\n" "$name" "$s" "$o" \
    "$(awk -v a="$s" -v b="$o" 'BEGIN { printf "%.2f", a / b }')" "$op_s"
}
