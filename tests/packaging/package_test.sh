#!/usr/bin/env bash
# Checks the Debian package: its control fields and file list (dpkg-deb), and
# that the program runs from the unpacked files. With --install (as root, as
# CI runs it) it also installs the package with apt-get, runs the installed
# program and the desktop smoke test, removes the package and checks that
# nothing is left.
#   package_test.sh [--install] BUILD_DIR SOURCE_DIR [DEB]
# Without DEB it builds the package into a temporary folder with CPack.
set -uo pipefail
install=0
if [ "${1:-}" = "--install" ]; then
  install=1
  shift
fi
build=$1
source=$2
deb=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
for program in dpkg-deb dpkg-shlibdeps cpack; do
  command -v "$program" >/dev/null || { echo "SKIP: $program is not installed"; exit 77; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
app_id=$(sed -n 's/^set(VOSTREL_APP_ID \(.*\))$/\1/p' "$source/CMakeLists.txt")
arch=$(dpkg --print-architecture)
unset VOSTREL_PROFILE VOSTREL_LIBRARY

if [ -z "$deb" ]; then
  cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
  deb=$work/package/vostrel_${version}_${arch}.deb
fi
[ -f "$deb" ] || fail "no package $deb"

# Control fields: the dependencies are the shared libraries' packages, as
# dpkg-shlibdeps found them, and the plugins' packages are recommended.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vostrel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = sound ] || fail "Section: $(field Section)"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer: $(field Maintainer)"
[[ "$(field Description)" == *"tree"*"SQL"* ]] || fail "Description: $(field Description)"
depends=$(field Depends)
# (By the start of the name: a library's package name may end in its soname.)
for library in "libc6 " libtag1v5 libqt6widgets6 libqt6multimedia6 libqscintilla2-qt6; do
  [[ ", $depends" == *", $library"* ]] || fail "Depends leaves out $library: $depends"
done
# SQLite is linked in, for the scan's speed (CMakeLists.txt): a package that
# needs the shared library was built without it.
[[ ", $depends" != *", libsqlite3"* ]] || fail "Depends names libsqlite3, which should be linked in: $depends"
[[ "$(field Recommends)" == *"gstreamer1.0-plugins-good"* ]] || fail "Recommends: $(field Recommends)"
[[ "$(field Recommends)" =~ libavformat[0-9]+ ]] || fail "Recommends names no libavformat: $(field Recommends)"

# The file list: root's files, all under /usr, each where a desktop looks.
dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb -c"
not_root=$(awk '$2 != "root/root"' "$work/contents")
[ -z "$not_root" ] || fail "files not owned by root: $not_root"
awk '{print $6}' "$work/contents" >"$work/files"
outside=$(grep -v '^\./usr/' "$work/files" | grep -v '^\./$' | grep -v '^\./usr$')
[ -z "$outside" ] || fail "files outside /usr: $outside"
expected=(./usr/bin/vostrel ./usr/share/vostrel/help/vostrel_help.html ./usr/share/vostrel/data/demo-library.json
  ./usr/share/vostrel/data/icons.png "./usr/share/applications/$app_id.desktop"
  "./usr/share/metainfo/$app_id.metainfo.xml" ./usr/share/icons/hicolor/scalable/apps/vostrel.svg
  ./usr/share/man/man1/vostrel.1.gz ./usr/share/doc/vostrel/copyright)
for size in 16 32 48 64 128 256; do expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/vostrel.png"); done
for file in "${expected[@]}"; do
  grep -qx -- "$file" "$work/files" || fail "the package lacks $file"
done

# The unpacked files run where they are.
dpkg-deb -x "$deb" "$work/unpacked" || fail "dpkg-deb -x"
out=$("$work/unpacked/usr/bin/vostrel" --version 2>&1) || fail "unpacked --version: $out"
[ "$out" = "vostrel $version" ] || fail "unpacked --version: $out"
out=$("$work/unpacked/usr/bin/vostrel" --profile "$work/profile" tree 2>&1) || fail "unpacked tree: $out"
[[ "$out" == *"<Examples>"* ]] || fail "unpacked tree: $out"

if [ "$install" = 1 ]; then
  [ "$(id -u)" = 0 ] || fail "--install needs root"
  if dpkg -s vostrel >/dev/null 2>&1; then
    fail "a vostrel package is installed already; not replacing it"
  fi
  case $deb in /*) ;; *) deb=./$deb ;; esac
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=120 "$deb" \
    >"$work/apt.log" 2>&1 || fail "apt-get install: $(cat "$work/apt.log")"
  # From here on the package is removed whatever happens.
  trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -q --purge -o DPkg::Lock::Timeout=120 vostrel >/dev/null 2>&1; rm -rf "$work"' EXIT
  [ "$(command -v vostrel)" = /usr/bin/vostrel ] || fail "vostrel is not /usr/bin/vostrel: $(command -v vostrel)"
  out=$(vostrel --version 2>&1) || fail "installed --version: $out"
  [ "$out" = "vostrel $version" ] || fail "installed --version: $out"
  bash "$source/tests/desktop/xvfb_smoke.sh" /usr/bin/vostrel /usr/share/vostrel/data/demo-library.json ||
    fail "the smoke test of the installed program"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -q --purge -o DPkg::Lock::Timeout=120 vostrel \
    >"$work/apt.log" 2>&1 || fail "apt-get remove: $(cat "$work/apt.log")"
  trap 'rm -rf "$work"' EXIT
  ! dpkg -s vostrel >/dev/null 2>&1 || fail "still installed after removing"
  left=""
  for file in "${expected[@]}"; do
    [ -e "${file#.}" ] && left="$left ${file#.}"
  done
  for folder in /usr/share/vostrel /usr/share/doc/vostrel; do
    [ -e "$folder" ] && left="$left $folder"
  done
  [ -z "$left" ] || fail "left after removing:$left"
  echo "installed, ran and removed $deb"
fi
echo "OK"
