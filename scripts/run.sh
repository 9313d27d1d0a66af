#!/usr/bin/env bash
# Installs what is needed, builds Oru Gif in Release mode and starts it.
# Arguments are passed to the program (a file name opens that file).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORUGIF_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target orugif
exec "$root/build/release/src/app/orugif" "$@"
