#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR as a Debian package would, then
# checks what a desktop needs: the program answers, the desktop entry and the
# metainfo validate, the manual page renders. With --deb, also builds the
# package and reads its dependencies.
# Usage: install_test.sh BUILD_DIR [--deb]
set -euo pipefail
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

DESTDIR=$dest cmake --install "$build" --prefix /usr > "$dest.log" 2>&1 || { cat "$dest.log"; fail "cmake --install"; }
rm -f "$dest.log"
usr=$dest/usr
for f in bin/orugif share/applications/org.orugif.OruGif.desktop share/metainfo/org.orugif.OruGif.metainfo.xml \
         share/icons/hicolor/scalable/apps/orugif.svg share/man/man1/orugif.1; do
  [ -s "$usr/$f" ] || fail "missing $f"
done
for size in 16 24 32 48 64 128 256; do
  [ -s "$usr/share/icons/hicolor/${size}x${size}/apps/orugif.png" ] || fail "missing ${size}x${size} icon"
done
# Nothing outside the prefix.
[ "$(ls "$dest")" = usr ] || fail "files outside /usr: $(ls "$dest")"

desktop-file-validate "$usr/share/applications/org.orugif.OruGif.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/org.orugif.OruGif.metainfo.xml" || fail "metainfo"
warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/orugif.1" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "manual page: $warnings"
MANWIDTH=80 man -l "$usr/share/man/man1/orugif.1" | grep -q "orugif - editor of animated GIF images" || fail "manual page text"
version=$(ASAN_OPTIONS=detect_leaks=0 "$usr/bin/orugif" --version)
[ "$version" = "Oru Gif 3.0" ] || fail "--version said: $version"

if [ "${2:-}" = --deb ]; then
  (cd "$build" && cpack -G DEB > "$dest/cpack.log" 2>&1) || { cat "$dest/cpack.log"; fail "cpack"; }
  deb=$(ls "$build"/orugif_*.deb | head -1)
  depends=$(dpkg-deb -f "$deb" Depends)
  for lib in libqt6widgets6 libjpeg62-turbo libqt6svg6; do
    [[ $depends == *$lib* ]] || fail "the package does not depend on $lib: $depends"
  done
fi
echo "1 passed, 0 failed"
