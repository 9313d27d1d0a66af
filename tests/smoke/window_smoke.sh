#!/usr/bin/env bash
# The editor under a real X server, driven as a user would with the mouse and
# the keyboard: open a GIF given on the command line, click on the picture,
# go to the third frame with Page Down, mirror it top to bottom (twice, then
# Ctrl+Z twice and Ctrl+Y once), save under a new name with
# "Enregistrer sous..."; zoom with Ctrl++, Ctrl+0 and Ctrl + wheel (the picture
# measured on the screen each time), mirror the frame back and save it with
# Ctrl+S; quit; then read the saved file with Pillow.
# Usage: window_smoke.sh PATH/TO/orugif
set -euo pipefail
program=$1
for tool in xvfb-run xdotool /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export XDG_RUNTIME_DIR=$work/run && mkdir -m 700 "$work/run"
unset QT_QPA_PLATFORM
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"

# Three frames of 300 x 200: top half one colour, bottom half another, all on
# the 216-colour cube so the save keeps them exactly.
/usr/bin/python3 - "$work/in.gif" <<'PY'
import sys
from PIL import Image
frames = []
for top, bottom in [((255, 0, 0), (0, 0, 255)), ((0, 255, 0), (255, 255, 0)), ((0, 0, 0), (255, 255, 255))]:
    im = Image.new("RGB", (300, 200), top)
    im.paste(bottom, (0, 100, 300, 200))
    frames.append(im.convert("P", palette=Image.ADAPTIVE))
frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=200, loop=0)
PY

cat > "$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
program=$1 work=$2
"$program" "$work/in.gif" > "$work/program.log" 2>&1 &
pid=$!
# Each step leaves the editor time to answer; with SMOKE_SHOTS set to a folder,
# a screenshot of each step goes there.
n=0
step() {
  sleep 0.6
  n=$((n + 1))
  if [ -n "${SMOKE_SHOTS:-}" ]; then import -window root "$SMOKE_SHOTS/$n-$1.png"; fi
}
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Oru Gif - \[in.gif\]' | head -1)
step shown
# A click on the picture: the document window's top-left area holds it.
xdotool mousemove --window "$window" 120 160 click 1
step click
xdotool key --clearmodifiers Next
step Next
xdotool key --clearmodifiers Next
step Next
xdotool key --clearmodifiers alt+c
step alt-c
xdotool key --clearmodifiers h
step h
# Mirrored back, then the history: Ctrl+Z twice, Ctrl+Y once leaves it mirrored.
xdotool key --clearmodifiers alt+c
step alt-c
xdotool key --clearmodifiers h
step h-again
xdotool key --clearmodifiers ctrl+z
step ctrl-z
xdotool key --clearmodifiers ctrl+z
step ctrl-z-again
xdotool key --clearmodifiers ctrl+y
step ctrl-y
xdotool key --clearmodifiers alt+f
step alt-f
xdotool key --clearmodifiers s
step s
# The save dialog: its file name field has the focus.
xdotool type --delay 20 "$work/out.gif"
step type
xdotool key --clearmodifiers Return
for _ in $(seq 50); do [ -s "$work/out.gif" ] && break; sleep 0.2; done
step saved
# Back in the main window (a click on the picture makes it active again).
xdotool mousemove --window "$window" 120 160 click 1
step back
# The zoom: the bottom half of the third frame is black, 100 rows at 100 %;
# the longest black run down a column through the picture measures it.
xdotool windowsize "$window" 1200 950
step bigger
blackrun() {
  import -window "$window" "$work/zoom.png"
  /usr/bin/python3 - "$work/zoom.png" <<'PY'
import sys
from PIL import Image
im = Image.open(sys.argv[1]).convert("RGB")
best = run = 0
for y in range(im.height):
    run = run + 1 if im.getpixel((120, y)) == (0, 0, 0) else 0
    best = max(best, run)
print(best)
PY
}
expect_run() {
  local got
  got=$(blackrun)
  if [ "$got" -lt $(($1 - 3)) ] || [ "$got" -gt $(($1 + 3)) ]; then
    echo "zoom $2: a black run of $got rows, expected $1" >&2; exit 1
  fi
}
expect_run 100 "100 %"
xdotool key --clearmodifiers ctrl+plus
xdotool key --clearmodifiers ctrl+equal
step zoom300
expect_run 300 "300 %"
xdotool key --clearmodifiers ctrl+0
step zoom100
expect_run 100 "back to 100 %"
xdotool mousemove --window "$window" 120 160 keydown ctrl click 4 keyup ctrl
step wheel
expect_run 200 "Ctrl + wheel"
# Mirrored back, then Ctrl+S writes the same file without a dialog.
before=$(stat -c %Y.%s "$work/out.gif")
sleep 1
xdotool key --clearmodifiers alt+c
step alt-c
xdotool key --clearmodifiers h
step h-again
xdotool key --clearmodifiers ctrl+s
for _ in $(seq 50); do [ "$(stat -c %Y.%s "$work/out.gif")" != "$before" ] && break; sleep 0.2; done
step ctrl-s
xdotool key --clearmodifiers alt+x
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then
  echo "the editor did not quit"; kill "$pid"; exit 1
fi
wait "$pid"
DRIVE
chmod +x "$work/drive.sh"

if ! timeout 90 xvfb-run -a -s "-screen 0 1280x1024x24" "$work/drive.sh" "$program" "$work"; then
  echo "driving the editor failed"; cat "$work/program.log" || true; exit 1
fi
[ -s "$work/out.gif" ] || { echo "nothing was saved"; cat "$work/program.log"; exit 1; }

/usr/bin/python3 - "$work/out.gif" <<'PY'
import sys
from PIL import Image, ImageSequence
im = Image.open(sys.argv[1])
frames = [f.convert("RGB") for f in ImageSequence.Iterator(im)]
assert len(frames) == 3, f"{len(frames)} frames saved"
sides = [(f.getpixel((150, 10)), f.getpixel((150, 190))) for f in frames]
expected = [((255, 0, 0), (0, 0, 255)), ((0, 255, 0), (255, 255, 0)), ((0, 0, 0), (255, 255, 255))]
assert sides == expected, f"frames read {sides}"
print("1 passed, 0 failed")
PY
