#!/usr/bin/env bash
# Installs what is needed, builds Oru Gif in Release mode and starts it.
# Arguments are passed to the program (a file name opens that file).
# Every step says what it does: a first build on a fresh machine takes a
# while, and the build prints its progress as it goes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"
echo "== Checking the Debian packages Oru Gif needs"
"$root/scripts/setup-debian.sh"
if [ ! -f "$build/build.ninja" ]; then
  echo "== Configuring the build in $build"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORUGIF_TESTS=OFF
  echo "== Building (a first build compiles everything: 5 to 15 minutes on a 2-core machine)"
else
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORUGIF_TESTS=OFF >/dev/null
  echo "== Building what changed"
fi
# Ninja's progress line: files done of the total, percent, seconds so far.
export NINJA_STATUS="[%f/%t %p %es] "
start=$SECONDS
cmake --build "$build" --target orugif
echo "== Built in $((SECONDS - start)) s; starting Oru Gif"
exec "$build/src/app/orugif" "$@"
