#!/usr/bin/env bash
# Times ImageMagick's quarter turn of a 3000 x 3000 picture and its negation
# of a 4000 x 3000 one on one thread (eight in a row, best of five, less the
# best time to read and write the picture, per operation), beside our
# figures from editing_bench
# (rotateQuarter, and sessionInvert: the effects dialog's "Inverser").
# Needs imagemagick (for this comparison only).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bench="$root/build/bench/bench/editing/editing_bench"
im=/usr/bin/convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$im" -size 3000x3000 plasma:fractal -seed 1 "$work/square.ppm" 2>/dev/null || "$im" -size 3000x3000 gradient:red-blue "$work/square.ppm"
"$im" -size 4000x3000 plasma:fractal -seed 1 "$work/photo.ppm" 2>/dev/null || "$im" -size 4000x3000 gradient:red-blue "$work/photo.ppm"
best() {
  local best=999 s e t
  for _ in 1 2 3 4 5; do
    s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    best=$(echo "if ($t < $best) $t else $best" | bc -l)
  done
  echo "$best"
}
for job in "square.ppm -rotate 90" "photo.ppm -negate"; do
  set -- $job
  ops=()
  for _ in 1 2 3 4 5 6 7 8; do ops+=("$2" ${3:+"$3"}); done
  copy=$(best "$im" -limit thread 1 "$work/$1" "$work/out.ppm")
  t=$(best "$im" -limit thread 1 "$work/$1" "${ops[@]}" "$work/out.ppm")
  printf 'ImageMagick %-10s %7.1f ms\n' "$2${3:+ $3}" "$(echo "($t - $copy) * 1000 / 8" | bc -l)"
done
"$bench" --benchmark_filter='rotateQuarter|sessionInvert' --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'median'
