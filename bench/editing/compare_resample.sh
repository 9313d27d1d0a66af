#!/usr/bin/env bash
# Times ImageMagick's Mitchell resize of a 4000 x 3000 picture on one thread,
# less its time to read and write the picture, beside our resampler's figures
# from editing_bench (same sizes). Needs imagemagick (for this comparison only).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bench="$root/build/bench/bench/editing/editing_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 4000x3000 plasma:fractal -seed 1 "$work/in.ppm" 2>/dev/null || convert -size 4000x3000 gradient:red-blue "$work/in.ppm"
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
copy=$(seconds convert -limit thread 1 "$work/in.ppm" "$work/copy.ppm")
for size in 1000x750 8000x6000; do
  t=$(seconds convert -limit thread 1 "$work/in.ppm" -filter Mitchell -resize "$size!" "$work/out.ppm")
  w=${size%x*}; h=${size#*x}
  net=$(echo "$t - $copy" | bc -l)
  printf 'ImageMagick %-10s %6.3f s  %7.1f MP/s in  %7.1f MP/s out\n' "$size" "$net" \
    "$(echo "12 / $net" | bc -l)" "$(echo "$w * $h / 1000000 / $net" | bc -l)"
done
"$bench" --benchmark_filter=resample 2>/dev/null | grep resample
