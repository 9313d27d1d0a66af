#!/usr/bin/env bash
# The colour reductions on three contents never used elsewhere (a slow pan
# over real photographs, a drawn desktop with a moving pointer and typing,
# flat shapes with soft edges and gradients; bench/tools/reduction_clips.py
# makes them), each beside the peers in the same run: FFmpeg's
# palettegen/paletteuse (default and stats_mode=diff, with and without
# dithering), per-frame pngquant (with and without dithering) gathered by
# gifsicle -O3, and gifsicle --lossy against our lossy coding over the same
# frames. Prints, for each content and each setting: bytes, PSNR (dB), SSIM
# and wall time (s). Needs ffmpeg, gifsicle and pngquant on the PATH (pngquant
# lines are left out without it), and Debian's python3 with Pillow and numpy.
# Usage: compare_reduction.sh ORUGIF [CONTENT...]   (photo desktop flat)
set -euo pipefail
orugif=${1:?usage: compare_reduction.sh ORUGIF [photo|desktop|flat...]}
shift
contents=("$@")
[ ${#contents[@]} -gt 0 ] || contents=(photo desktop flat)
here=$(cd "$(dirname "$0")" && pwd)
work=${ORUGIF_BENCH_KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${ORUGIF_BENCH_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
py=/usr/bin/python3

# shellcheck source=../formats/seconds.sh
source "$here/../formats/seconds.sh"

[ -d "$work/clips/photo" ] || "$py" "$here/reduction_clips.py" make "$work/clips"

line() {  # NAME SECONDS GIF FRAMES_DIR
  printf '%-34s %s %8s s\n' "$1" "$("$py" "$here/reduction_clips.py" measure "$3" "$4" |
    awk '{ printf "%10d bytes %6.2f dB SSIM %.4f", $1, $2, $3 }')" "$2"
}

pngquant_gif() {  # FRAMES_DIR OUT DITHER(yes|no) [COLOURS]
  local tmp=$work/pq
  rm -rf "$tmp" && mkdir -p "$tmp"
  local opt=()
  [ "$3" = no ] && opt=(--nofs)
  for f in "$1"/*.png; do
    pngquant "${4:-256}" "${opt[@]}" --force --output "$tmp/$(basename "$f")" -- "$f"
    "$py" -c "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])" \
      "$tmp/$(basename "$f")" "$tmp/$(basename "$f" .png).gif"
  done
  gifsicle -O3 --loopcount=forever --delay 4 "$tmp"/*.gif -o "$2"
}

for content in "${contents[@]}"; do
  frames=$work/clips/$content
  out=$work/$content
  mkdir -p "$out"
  echo "== $content ($(ls "$frames" | wc -l) frames, $("$py" -c "import sys; from PIL import Image; print('%dx%d' % Image.open(sys.argv[1]).size)" "$frames/f001.png"))"
  inputs=("$frames"/*.png)
  ours() {  # NAME OPTIONS...
    local name=$1
    shift
    local t
    t=$(seconds "$orugif" make "$out/$name.gif" "${inputs[@]}" --delay 4 "$@")
    line "orugif $name" "$t" "$out/$name.gif" "$frames"
  }
  ours optimised --colours optimised
  ours optimised-floyd --colours optimised --dither floyd
  ours optimised-global-merge --colours optimised --global-palette --merge --crop
  ours optimised-floyd-global-merge --colours optimised --dither floyd --global-palette --merge --crop
  for lossy in 20 60; do
    ours "optimised-lossy$lossy" --colours optimised --lossy "$lossy"
  done
  # ORUGIF_BENCH_OURS_ONLY=1 leaves the peers out (while tuning).
  [ -z "${ORUGIF_BENCH_OURS_ONLY:-}" ] || continue
  for stats in full diff; do
    for dither in sierra2_4a none; do
      name="ffmpeg-$stats-$dither"
      t=$(seconds ffmpeg -v error -y -framerate 25 -i "$frames/f%03d.png" \
        -vf "split[a][b];[a]palettegen=stats_mode=$stats[p];[b][p]paletteuse=dither=$dither" "$out/$name.gif")
      line "$name" "$t" "$out/$name.gif" "$frames"
    done
  done
  if command -v pngquant >/dev/null; then
    for dither in yes no; do
      t=$(seconds pngquant_gif "$frames" "$out/pngquant-$dither.gif" "$dither")
      line "pngquant-dither-$dither+gifsicle-O3" "$t" "$out/pngquant-$dither.gif" "$frames"
    done
    # Fewer colours give pngquant's bytes-to-PSNR curve, for a comparison
    # at equal bytes (ORUGIF_BENCH_PNGQUANT_COLOURS="224 192 160").
    for colours in ${ORUGIF_BENCH_PNGQUANT_COLOURS:-}; do
      for dither in yes no; do
        t=$(seconds pngquant_gif "$frames" "$out/pngquant-$colours-$dither.gif" "$dither" "$colours")
        line "pngquant-$colours-dither-$dither+gifsicle" "$t" "$out/pngquant-$colours-$dither.gif" "$frames"
      done
    done
  fi
  # Lossy LZW over the same frames: our merged file recoded both ways
  # (gifsicle without -O, so only its coding differs).
  merged=$out/optimised-global-merge.gif
  for lossy in 10 20 40 80 140; do
    t=$(seconds gifsicle --lossy=$lossy "$merged" -o "$out/gifsicle-lossy$lossy.gif")
    line "gifsicle --lossy=$lossy (same file)" "$t" "$out/gifsicle-lossy$lossy.gif" "$frames"
  done
  for lossy in 4 8 16 32 48; do
    t=$(seconds "$orugif" recode "$merged" "$out/recode-lossy$lossy.gif" --lossy $lossy)
    line "orugif recode --lossy $lossy (same file)" "$t" "$out/recode-lossy$lossy.gif" "$frames"
  done
done
