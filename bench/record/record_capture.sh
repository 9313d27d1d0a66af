#!/usr/bin/env bash
# The capture on Xvfb: 1280 x 720 recorded for S seconds (60 unless given) at
# 15 and at 30 images a second, on a still desktop and on one where a
# 640 x 360 test video plays (ffplay). Prints, for each, the pictures taken
# and kept, the ticks missed, the recorder's CPU time and memory, and the
# time to rebuild the frames for the document.
# Usage: record_capture.sh PATH/TO/record_capture [SECONDS]
set -euo pipefail
capture=$(readlink -f "$1")
seconds=${2:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/inside.sh" <<INSIDE
set -euo pipefail
for fps in 15 30; do echo -n "still desktop: "; "$capture" 0,0,1280,720 \$fps $seconds; done
ffplay -loglevel quiet -f lavfi -i "testsrc2=size=640x360:rate=30" -left 0 -top 0 -noborder -an &
player=\$!
sleep 2
for fps in 15 30; do echo -n "video playing: "; "$capture" 0,0,1280,720 \$fps $seconds; done
kill \$player
INSIDE
SDL_VIDEODRIVER=x11 xvfb-run -a -s "-screen 0 1280x720x24 -noreset" bash "$work/inside.sh"
