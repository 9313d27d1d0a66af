#!/usr/bin/env bash
# orugif record in a Wayland desktop (run inside tests/record/wayland_session.sh):
# ffplay shows a moving test video filling the output; the whole screen for
# 1 s at 10 images a second, then a region for 1 s, through the desktop
# portal; the GIFs read with Pillow: the output's or the region's size,
# frames that differ, delays adding up to the time recorded. --window is
# refused with what to do instead.
# With --no-portal (a desktop without the portal): the command fails with a
# message naming what is needed and writes nothing.
# Usage: record_wayland_smoke.sh [--no-portal] PATH/TO/orugif
set -euo pipefail
if [ "${1:-}" = --no-portal ]; then
  program=$2
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  status=0
  "$program" record "$work/none.gif" --duration 1 2>"$work/err" || status=$?
  cat "$work/err"
  [ "$status" = 1 ] || { echo "expected exit 1, got $status"; exit 1; }
  grep -q "xdg-desktop-portal" "$work/err"
  grep -q "PipeWire" "$work/err"
  [ ! -e "$work/none.gif" ]
  echo "record wayland smoke (no portal): refused"
  exit 0
fi
program=$1
for tool in ffplay /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
work=$(mktemp -d)
SDL_VIDEODRIVER=wayland ffplay -loglevel quiet -f lavfi -i "testsrc2=size=320x180:rate=25" -an -fs &
player=$!
trap 'kill $player 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1.5
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
"$program" record "$work/whole.gif" --duration 1 --fps 10
"$program" record "$work/region.gif" --region 100,50,320,200 --duration 1 --fps 10
status=0
"$program" record "$work/window.gif" --window 0x400001 --duration 1 2>"$work/err" || status=$?
[ "$status" = 1 ] && grep -q -- "--region" "$work/err" || { cat "$work/err"; echo "--window was not refused"; exit 1; }

PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$(cd "$(dirname "$0")" && pwd)" /usr/bin/python3 - "$work" <<'PY'
import sys
from PIL import ImageChops, ImageStat
from gifframes import frames
work = sys.argv[1]
for name, want in (("whole", (1280, 720)), ("region", (320, 200))):
    size, got = frames("%s/%s.gif" % (work, name))
    assert size == want, (name, size)
    assert len(got) >= 5, (name, len(got))
    total = sum(d for _, d in got)
    assert abs(total - 1000) <= 10, (name, total)
    assert all(ImageChops.difference(a, b).getbbox() for (a, _), (b, _) in zip(got, got[1:])), name + ": repeated frames"
    # The video's colours, not a black screen.
    assert max(ImageStat.Stat(got[0][0]).stddev) > 20, name + ": a plain picture"
    print("record wayland smoke: %s %dx%d, %d frames, %d ms" % (name, size[0], size[1], len(got), total))
PY
