#!/usr/bin/env bash
# Runs a command inside a Wayland desktop of its own, all of it in a temporary
# folder that goes when the command ends: a D-Bus session bus that starts no
# service by itself, PipeWire with WirePlumber, a headless sway showing one
# output (HEADLESS-1, 1280 x 720), and the desktop portal with its wlroots back
# end, set to share that output without asking.
# With --no-portal, the same desktop without the portal (nor PipeWire).
# Usage: wayland_session.sh [--no-portal] COMMAND...
set -euo pipefail

if [ "${ORUGIF_WAYLAND_INSIDE:-}" != 1 ]; then
  portal=1
  if [ "${1:-}" = --no-portal ]; then
    portal=0
    shift
  fi
  for tool in dbus-run-session sway; do
    command -v "$tool" >/dev/null || { echo "wayland_session: $tool is missing (scripts/setup-debian.sh installs it)" >&2; exit 1; }
  done
  work=$(mktemp -d /tmp/orugif-wayland.XXXXXX)
  trap 'rm -rf "$work"' EXIT
  chmod 711 "$work"
  mkdir -m 700 "$work/run" "$work/sway"
  mkdir -p "$work/home" "$work/config" "$work/state" "$work/data"
  cat > "$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$work/run</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  # No bar, no borders: the one window fills the output.
  cat > "$work/sway/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x720 position 0 0
default_border none
default_floating_border none
focus_follows_mouse no
CONF
  cat > "$work/xdpw.conf" <<CONF
[screencast]
output_name=HEADLESS-1
chooser_type=none
max_fps=60
CONF
  # Nothing of the caller's desktop comes in (no display, no bus), only
  # the toolkit's and the sanitizers' settings and the test's own.
  kept=()
  for v in $(compgen -e); do
    case $v in QT_*|ASAN_OPTIONS|LSAN_OPTIONS|UBSAN_OPTIONS|ORUGIF_WAYLAND_SNAPSHOT|ORUGIF_WAYLAND_LOGS|LC_*|TERM) kept+=("$v=${!v}") ;; esac
  done
  env -i PATH="$PATH" HOME="$work/home" LANG="${LANG:-C.UTF-8}" "${kept[@]}" \
      XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
      XDG_DATA_HOME="$work/data" XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland \
      ORUGIF_WAYLAND_INSIDE=1 ORUGIF_WAYLAND_WORK="$work" ORUGIF_WAYLAND_PORTAL=$portal \
      dbus-run-session --config-file="$work/bus.conf" -- bash "$0" "$@"
  exit $?
fi

# Inside the bus.
work=$ORUGIF_WAYLAND_WORK
pids=()
stop_all() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap stop_all EXIT
wait_for() {  # wait_for WHAT TEST...
  local what=$1; shift
  for _ in $(seq 100); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  echo "wayland_session: $what did not start; its log:" >&2
  cat "$work/$what.log" >&2 || true
  exit 1
}
on_bus() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q 'boolean true'
}

# sway refuses to run as root: there it runs as nobody, in a runtime folder
# of its own; root's programs reach its socket all the same.
as_user=()
if [ "$(id -u)" = 0 ]; then
  chown nobody:nogroup "$work/sway"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
"${as_user[@]}" env XDG_RUNTIME_DIR="$work/sway" HOME="$work/sway" WLR_BACKENDS=headless WLR_RENDERER=pixman \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 sway -c "$work/sway/sway.conf" >"$work/sway.log" 2>&1 &
pids+=($!)
wait_for sway test -S "$work/sway/wayland-1"
ln -s "$work/sway/wayland-1" "$work/run/wayland-1"
export WAYLAND_DISPLAY=wayland-1

if [ "$ORUGIF_WAYLAND_PORTAL" = 1 ]; then
  pipewire >"$work/pipewire.log" 2>&1 &
  pids+=($!)
  wait_for pipewire test -S "$work/run/pipewire-0"
  wireplumber >"$work/wireplumber.log" 2>&1 &
  pids+=($!)
  # The portal's wlroots back end sees the compositor through a socket that
  # lets it work without GPU buffers (see screencopy_proxy.py).
  python3 "$(dirname "$0")/screencopy_proxy.py" "$work/run/wayland-portal" "$work/sway/wayland-1" \
    >"$work/proxy.log" 2>&1 &
  pids+=($!)
  wait_for proxy test -S "$work/run/wayland-portal"
  WAYLAND_DISPLAY=wayland-portal /usr/libexec/xdg-desktop-portal-wlr -r -c "$work/xdpw.conf" \
    >"$work/xdpw.log" 2>&1 &
  pids+=($!)
  wait_for xdpw on_bus org.freedesktop.impl.portal.desktop.wlr
  /usr/libexec/xdg-desktop-portal -r >"$work/portal.log" 2>&1 &
  pids+=($!)
  wait_for portal on_bus org.freedesktop.portal.Desktop
fi

status=0
"$@" || status=$?
if [ "$status" != 0 ] && [ -n "${ORUGIF_WAYLAND_LOGS:-}" ]; then
  tail -n 30 "$work"/*.log >&2 || true
fi
exit "$status"
