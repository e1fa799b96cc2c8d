# Sourced by the bench scripts that run a processing function side by side
# with sox on one 5-minute mono 44.1 kHz 32-bit float WAV. Before sourcing,
# set LABEL (the script's name in its messages), optionally SOX_OUTPUT (sox
# options of the output file); the runs' output is dropped.
# Provides `run NAME SOX_EFFECT MACRO_STATEMENT APPLY_ARGS...`, which prints
# one line: the best wall time and the best CPU time (user + system) of 5
# whole runs of sox and of `orbick --batch`, the two taking turns so that both
# meet the same load and the same file-system state, their ratios (sox /
# orbick; above 1: we are faster), and the operation alone measured inside the
# library by orbick_dsp_apply on the same samples. Wall time includes waiting
# for the file system (both programs replace the 51 MB output of the previous
# run, which can take tens of ms); CPU time is the steadier measure.
set -euo pipefail
BUILD=$(realpath "${1:-build}")
TMP=${ORBICK_BENCH_TMP:-$(mktemp -d)}
ORBICK=$BUILD/bin/orbick
APPLY=$BUILD/bin/orbick_dsp_apply
SOX_OUTPUT=${SOX_OUTPUT:-}
for tool in sox "$ORBICK" "$APPLY"; do
  command -v "$tool" >/dev/null || { echo "$LABEL: $tool not found"; exit 1; }
done
cd "$TMP"
[[ -f dsp_sox_in.wav ]] || sox -D -n -r 44100 -c 1 -b 32 -e floating-point dsp_sox_in.wav \
  synth 300 sine 440 pinknoise vol 0.4
sox dsp_sox_in.wav -t f32 dsp_sox_in.f32
mkdir -p dsp_sox_config

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

echo "$LABEL: 5-minute mono 44.1 kHz float WAV ($(du -h dsp_sox_in.wav | cut -f1)), best of 5"
printf "%-10s %8s %8s %6s %8s %8s %6s %9s\n" effect "sox s" "orbick s" ratio \
  "sox cpu" "orb cpu" ratio "op s"

# timed VAR_WALL VAR_CPU COMMAND...: runs COMMAND (its output dropped) and
# keeps the smaller of each figure in the two variables.
timed() {
  local -n wall=$1 cpu=$2
  shift 2
  local TIMEFORMAT='%R %U %S' figures w c
  figures=$({ time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  read -r w u sy <<<"$figures"
  c=$(awk -v u="$u" -v s="$sy" 'BEGIN { printf "%.3f", u + s }')
  if [[ -z $wall ]] || awk -v a="$w" -v b="$wall" 'BEGIN { exit !(a < b) }'; then wall=$w; fi
  if [[ -z $cpu ]] || awk -v a="$c" -v b="$cpu" 'BEGIN { exit !(a < b) }'; then cpu=$c; fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

run() {
  local name=$1 effect=$2 statement=$3; shift 3
  macro "${LABEL}_$name" "$statement"
  local sw="" sc="" ow="" oc="" op_s
  for _ in 1 2 3 4 5; do
    # shellcheck disable=SC2086  # the effect and output options are word lists
    timed sw sc sox -D dsp_sox_in.wav $SOX_OUTPUT dsp_sox_out.wav $effect
    timed ow oc "$ORBICK" --batch "${LABEL}_$name.bas" --config-dir dsp_sox_config
  done
  op_s=$("$APPLY" dsp_sox_in.f32 dsp_sox_out.f32 1 44100 "$@" --time)
  printf "%-10s %8s %8s %6s %8s %8s %6s %9s\n" "$name" "$sw" "$ow" "$(ratio "$sw" "$ow")" \
    "$sc" "$oc" "$(ratio "$sc" "$oc")" "$op_s"
}
