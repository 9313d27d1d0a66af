#!/usr/bin/env bash
# The editor's own command line under a real X server: names that look like
# toolkit options ("-platform", "-style") and a name that is not UTF-8 are
# files the editor opens, and the toolkit never reads them.
# Usage: editor_arguments_smoke.sh PATH/TO/orugif
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

raw=$(printf 'vacances-\351.gif')
/usr/bin/python3 - "$work" "$raw" <<'PY'
import os, sys
from PIL import Image
work = os.fsencode(sys.argv[1])
for name in [b"-platform", b"-style", b"a.gif", os.fsencode(sys.argv[2])]:
    Image.new("RGB", (40, 30), (255, 0, 0)).save(os.path.join(work, name), format="GIF")
PY

cat > "$work/drive.sh" <<'DRIVE'
#!/usr/bin/env bash
set -euo pipefail
program=$1 work=$2 raw=$3
cd "$work"
# Starts the editor with the arguments after the expected title, waits for
# its window, and closes it.
shows() {
  local title=$1; shift
  "$program" "$@" > "$work/program.log" 2>&1 &
  local pid=$!
  if ! timeout 20 xdotool search --sync --onlyvisible --name "$title" > /dev/null; then
    echo "no window titled $title for: $*"; cat "$work/program.log"; kill "$pid" 2>/dev/null || true; return 1
  fi
  kill "$pid"
  wait "$pid" || true
  echo "ok: $*"
}
shows 'Oru Gif - \[-platform\]' -platform a.gif
shows 'Oru Gif - \[-style\]' -style a.gif
shows 'Oru Gif - \[vacances-.xe9\.gif\]' "$raw"
DRIVE
chmod +x "$work/drive.sh"

if ! timeout 80 xvfb-run -a -s "-screen 0 1280x1024x24" "$work/drive.sh" "$program" "$work" "$raw"; then
  echo "the editor did not open the files named"; exit 1
fi
echo "3 passed, 0 failed"
