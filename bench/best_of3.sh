# Sourced by the bench scripts: `best_of3 COMMAND...` runs COMMAND three
# times (its output dropped) and prints the best wall time in seconds with
# three decimals.
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
