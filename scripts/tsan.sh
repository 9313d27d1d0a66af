#!/usr/bin/env bash
# Builds the painter and playback tests, and those of the frames coded side by
# side and of the shared cell tables, with ThreadSanitizer and runs them.
# Qt itself is not instrumented: tests/tsan.supp names its hand-over code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh" --tests
build="$root/build/tsan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1 -g" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build "$build" --target gif_test tools_test
export QT_QPA_PLATFORM=offscreen
export TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp"
"$build/tests/gif/gif_test" --gtest_filter='Painter*:*PausedPlayback*:CodeInOrder*:OptimisedLookupTables*'
"$build/tests/tools/tools_test" --gtest_filter='Anime*'
