# The manual page renders without warnings and is installed.

if command -v groff >/dev/null; then
  warnings=$(groff -t -ww -man -z ../../docs/vostrel.1 2>&1)
  check "the manual page renders without warnings" "" "$warnings"
  check_contains "and names the program" "vostrel - show a music library" \
    "$(groff -t -man -Tutf8 ../../docs/vostrel.1 2>/dev/null | sed 's/.\x08//g')"
fi

build=$(dirname "$VOSTREL")
if [ -f "$build/cmake_install.cmake" ]; then
  cmake --install "$build" --prefix "$WORK/prefix" >/dev/null 2>&1
  [ -f "$WORK/prefix/share/man/man1/vostrel.1" ]
  check "cmake --install puts the manual page in share/man/man1" 0 $?
fi
