# Sourced by the comparison scripts: `seconds COMMAND...` runs the command
# with its output discarded and prints the wall time it took, in seconds.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.2f", ns / 1e9 }'
}
