#!/usr/bin/env bash
# orugif record on a real X server (Xvfb): the pointer moved by xdotool across
# a region for 2 s at 10 images a second, drawn with --cursor; then the GIF
# read with Pillow: the region's size, frames that differ, and delays adding
# up to the 2 s recorded. A window given by its id (ffplay showing a test
# video) records that window only.
# Usage: record_smoke.sh PATH/TO/orugif
set -euo pipefail
program=$1
for tool in xvfb-run xdotool ffplay /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
unset WAYLAND_DISPLAY XDG_SESSION_TYPE

cat >"$work/inside.sh" <<INSIDE
set -euo pipefail
(for i in \$(seq 1 40); do xdotool mousemove \$((60 + i * 5)) \$((50 + i * 2)); sleep 0.05; done) &
"$program" record "$work/region.gif" --region 40,30,320,200 --fps 10 --duration 2 --cursor
wait
"$program" record "$work/whole.gif" --duration 0.5 --fps 5
# A window playing a test video, recorded by its id.
SDL_VIDEODRIVER=x11 ffplay -loglevel quiet -f lavfi -i "testsrc2=size=160x120:rate=25" -left 100 -top 80 -noborder -an &
player=\$!
id=
for i in \$(seq 1 100); do id=\$(xdotool search --pid \$player 2>/dev/null | head -1 || true); [ -n "\$id" ] && break; sleep 0.1; done
sleep 0.5
"$program" record "$work/window.gif" --window "\$id" --duration 1 --fps 10
kill \$player
INSIDE
xvfb-run -a -s "-screen 0 640x480x24 -noreset" bash "$work/inside.sh"

PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$(cd "$(dirname "$0")" && pwd)" /usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import ImageChops
from gifframes import frames
work = sys.argv[1]
size, region = frames(work + "/region.gif")
assert size == (320, 200), size
assert len(region) >= 8, len(region)
total = sum(d for _, d in region)
assert abs(total - 2000) <= 10, total
assert all(ImageChops.difference(a, b).getbbox() for (a, _), (b, _) in zip(region, region[1:])), "repeated frames"
size, whole = frames(work + "/whole.gif")
assert size == (640, 480), size
assert abs(sum(d for _, d in whole) - 500) <= 10
size, window = frames(work + "/window.gif")
assert size == (160, 120), size
assert len(window) >= 8, len(window)  # the video changes every picture
print("record smoke: %d frames, %d ms" % (len(region), total))
PY
