#!/usr/bin/env bash
# Installs the Debian 12 packages Oru Gif needs to build and run; with
# --tests, also those its tests need. Skips what is already present; works
# as root or through sudo.
# For the tests: GoogleTest and Google Benchmark; Pillow, gifsicle,
# ImageMagick and ffmpeg are the independent tools the tests compare against;
# Xvfb and xdotool run the window smoke tests; sway, PipeWire, WirePlumber and
# the desktop portal with its wlroots back end make the Wayland desktop the
# screen recording is tested in; the desktop file and metainfo validators and
# man check what the install test installs.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libqt6svg6 libgl-dev qt6-wayland
  libjpeg62-turbo-dev zlib1g-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libwebp-dev
  libxcb1-dev libxcb-shm0-dev libxcb-xfixes0-dev libpipewire-0.3-dev
  fonts-dejavu-core
)
if [ "${1:-}" = --tests ]; then
  packages+=(
    clang libgtest-dev libgmock-dev libbenchmark-dev libgif-dev
    python3 python3-pil gifsicle imagemagick ffmpeg
    xvfb xauth xdotool
    sway pipewire pipewire-bin wireplumber xdg-desktop-portal xdg-desktop-portal-wlr dbus
    desktop-file-utils appstream man-db groff-base dpkg-dev
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
