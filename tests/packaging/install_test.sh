#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR, moves the installed tree
# elsewhere and runs the program from there on a fresh profile: the version,
# the tree of the bundled demo library, the manual found, and (with a virtual
# X server) the window, whose F1 opens the installed manual. Then moves the
# tree back, uninstalls with the uninstall target and checks that nothing is
# left.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
prefix=$(cache CMAKE_INSTALL_PREFIX)
version=$(cache CMAKE_PROJECT_VERSION)
app_id=$(sed -n 's/^set(VOSTREL_APP_ID \(.*\))$/\1/p' "$source/CMakeLists.txt")
[ -n "$prefix" ] && [ -n "$version" ] && [ -n "$app_id" ] || fail "no prefix, version or application id"
unset VOSTREL_PROFILE VOSTREL_LIBRARY

dest=$work/dest
DESTDIR=$dest cmake --install "$build" >"$work/install.log" 2>&1 || fail "install: $(cat "$work/install.log")"
installed=$dest$prefix

# Everything in its usual place.
missing=""
for file in bin/vostrel share/vostrel/help/vostrel_help.html share/vostrel/help/help.css \
  share/vostrel/data/demo-library.json share/vostrel/data/icons.png share/vostrel/data/ICONS-LICENSE \
  "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml" \
  share/icons/hicolor/scalable/apps/vostrel.svg share/man/man1/vostrel.1.gz share/doc/vostrel/copyright; do
  [ -f "$installed/$file" ] || missing="$missing $file"
done
[ -z "$missing" ] || fail "not installed:$missing"
for size in 16 32 48 64 128 256; do
  png=$installed/share/icons/hicolor/${size}x${size}/apps/vostrel.png
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  read -r width height < <(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$png")
  [ "$width $height" = "$size $size" ] || fail "the ${size}x${size} icon is ${width}x${height}"
done
# The licences of what the program bundles: the icon strip, the header-only libraries and SQLite built in.
for part in Tango CLI11 "Niels Lohmann" SQLite; do
  grep -q "$part" "$installed/share/doc/vostrel/copyright" || fail "the copyright file leaves out $part"
done

# The version is the same everywhere it is shown.
grep -q "<release version=\"$version\"" "$installed/share/metainfo/$app_id.metainfo.xml" ||
  fail "the metainfo's release is not $version"
zcat "$installed/share/man/man1/vostrel.1.gz" | grep -q "^\.TH VOSTREL 1 .* \"vostrel $version\"" ||
  fail "the manual page is not of version $version"

# The installed tree works wherever it is moved: the program finds its files
# from its own place, never from the source tree it was built from.
moved=$work/moved
mv "$installed" "$moved"
out=$("$moved/bin/vostrel" --version 2>&1) || fail "--version: $out"
[ "$out" = "vostrel $version" ] || fail "--version says: $out"
out=$("$moved/bin/vostrel" --help 2>&1) || fail "--help: $out"
[[ "$out" == *"The manual: $moved/share/vostrel/help/vostrel_help.html."* ]] ||
  fail "--help does not name the installed manual: $out"
out=$("$moved/bin/vostrel" --profile "$work/profile" tree 2>&1) || fail "tree: $out"
[[ "$out" == *"<Examples>"* ]] || fail "tree on a fresh profile: $out"
out=$("$moved/bin/vostrel" --profile "$work/profile" sql --format tsv "SELECT count(*) AS tracks FROM MediaLibrary" 2>&1) ||
  fail "sql: $out"
[ "$out" = "$(printf 'tracks\n1200')" ] || fail "the bundled demo library was not read: $out"

# The window (a build without the desktop program has none).
if [ "$(cache VOSTREL_BUILD_GUI)" = ON ]; then
  bash "$source/tests/desktop/with_window_manager.sh" bash "$here/installed_window.sh" "$moved/bin/vostrel" \
    "$moved/share/vostrel/help/vostrel_help.html" "$work"
  status=$?
  [ "$status" = 0 ] || [ "$status" = 77 ] || fail "the installed program's window (status $status)"
fi

mv "$moved" "$installed"
DESTDIR=$dest cmake --build "$build" --target uninstall >"$work/uninstall.log" 2>&1 || fail "uninstall: $(cat "$work/uninstall.log")"
left=$(find "$installed" -mindepth 1)
[ -z "$left" ] || fail "left after uninstalling: $left"
echo "OK"
