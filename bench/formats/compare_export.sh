#!/usr/bin/env bash
# Export speed and quality on real material: 300 frames of 640 x 480 (a pan
# over tests/data/corpora/photos/chelsea.png) written by `orugif make` as MP4,
# WebM, WebP, APNG and GIF, and as MP4 by `ffmpeg -f image2 -i frame%03d.png
# -c:v libx264` from the same pictures. Prints seconds, bytes and mean PSNR
# against the pictures (FFmpeg decodes the videos and the APNG, Pillow the
# WebP and the GIF). Usage: compare_export.sh ORUGIF [FRAMES]
set -euo pipefail
orugif=${1:?usage: compare_export.sh ORUGIF [FRAMES]}
frames=${2:-300}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

ffmpeg -v error -y -loop 1 -i "$root/tests/data/corpora/photos/chelsea.png" \
  -vf "scale=960:640,setsar=1,crop=640:480:x='n':y='n/2'" -frames:v "$frames" "$work/frame%03d.png"

# shellcheck source=seconds.sh
source "$(dirname "$0")/seconds.sh"

psnr() {
  /usr/bin/python3 - "$1" "$work" "$frames" <<'PY'
import glob, subprocess, sys
import numpy as np
from PIL import Image
path, work, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
pictures = sorted(glob.glob(work + "/frame*.png"))
reference = [np.asarray(Image.open(p).convert("RGB"), dtype=np.float64) for p in pictures]
h, w = reference[0].shape[:2]
if path.endswith((".webp", ".gif")):
    im, frames = Image.open(path), []
    for i in range(getattr(im, "n_frames", 1)):
        im.seek(i)
        frames.append(np.asarray(im.convert("RGB"), dtype=np.float64))
else:
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                         capture_output=True, check=True).stdout
    frames = list(np.frombuffer(raw, dtype=np.uint8).reshape(-1, h, w, 3).astype(np.float64))
total = 0.0
for a, b in zip(frames, reference):
    mse = ((a - b) ** 2).mean()
    total += 99.0 if mse == 0 else 10 * np.log10(255 ** 2 / mse)
print(f"{total / len(reference):.2f}" if len(frames) == len(reference) else f"frames {len(frames)} of {len(reference)}")
PY
}

printf '%-18s %8s %10s %8s\n' file seconds bytes PSNR
t=$(seconds ffmpeg -v error -y -f image2 -framerate 25 -i "$work/frame%03d.png" -c:v libx264 -pix_fmt yuv420p "$work/ffmpeg.mp4")
printf '%-18s %8s %10d %8s\n' ffmpeg.mp4 "$t" "$(stat -c %s "$work/ffmpeg.mp4")" "$(psnr "$work/ffmpeg.mp4")"
for suffix in mp4 webm webp png gif; do
  t=$(seconds "$orugif" make "$work/ours.$suffix" "$work"/frame*.png --delay 4)
  printf '%-18s %8s %10d %8s\n' "ours.$suffix" "$t" "$(stat -c %s "$work/ours.$suffix")" "$(psnr "$work/ours.$suffix")"
done
