#!/usr/bin/env bash
# Video to GIF, end to end, on real material: a slow pan over a photograph
# (tests/data/corpora/photos/chelsea.png) made into an H.264 clip, turned into
# a GIF by `orugif make --colours optimised` and by FFmpeg's
# palettegen/paletteuse. Prints each one's time, bytes and mean PSNR against
# the clip's decoded frames (Debian's python3 with Pillow and numpy).
# Usage: compare_video_gif.sh ORUGIF [FRAMES]
set -euo pipefail
orugif=${1:?usage: compare_video_gif.sh ORUGIF [FRAMES]}
frames=${2:-150}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

ffmpeg -v error -y -loop 1 -i "$root/tests/data/corpora/photos/chelsea.png" \
  -vf "scale=960:640,setsar=1,crop=640:480:x='n*2':y='n'" -frames:v "$frames" -r 25 \
  -c:v libx264 -crf 18 -pix_fmt yuv420p "$work/pan.mp4"
ffmpeg -v error -y -i "$work/pan.mp4" -f rawvideo -pix_fmt rgb24 "$work/reference.rgb"

# shellcheck source=seconds.sh
source "$(dirname "$0")/seconds.sh"

declare -A took
took[ours]=$(seconds "$orugif" make "$work/ours.gif" "$work/pan.mp4" --colours optimised)
took[ours-nodither]=$(seconds "$orugif" make "$work/ours-nodither.gif" "$work/pan.mp4" --colours optimised --dither none)
took[ffmpeg]=$(seconds ffmpeg -v error -y -i "$work/pan.mp4" -vf "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$work/ffmpeg.gif")
took[ffmpeg-nodither]=$(seconds ffmpeg -v error -y -i "$work/pan.mp4" \
  -vf "split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=none" "$work/ffmpeg-nodither.gif")

printf '%-16s %8s %10s %8s\n' file seconds bytes PSNR
for name in ours ours-nodither ffmpeg ffmpeg-nodither; do
  psnr=$(/usr/bin/python3 - "$work/$name.gif" "$work/reference.rgb" <<'PY'
import sys, numpy as np
from PIL import Image
gif = Image.open(sys.argv[1])
ref = np.fromfile(sys.argv[2], dtype=np.uint8).reshape(-1, gif.height, gif.width, 3).astype(np.float64)
total, i = 0.0, 0
while True:
    frame = np.asarray(gif.convert("RGB"), dtype=np.float64)
    mse = ((frame - ref[i]) ** 2).mean()
    total += 99.0 if mse == 0 else 10 * np.log10(255 ** 2 / mse)
    i += 1
    try:
        gif.seek(gif.tell() + 1)
    except EOFError:
        break
print(f"{total / i:.2f}" if i == len(ref) else f"frames {i} of {len(ref)}")
PY
)
  printf '%-16s %8.2f %10d %8s\n' "$name" "${took[$name]}" "$(stat -c %s "$work/$name.gif")" "$psnr"
done
