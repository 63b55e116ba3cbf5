# The manual page renders without warnings and is installed; the user's
# manual sits where the program looks for it, in the build tree and installed.

build=$(dirname "$VOSTREL")
# The build makes the manual page from docs/vostrel.1.in, with the version.
if command -v groff >/dev/null; then
  warnings=$(groff -t -ww -man -z "$build/vostrel.1" 2>&1)
  check "the manual page renders without warnings" "" "$warnings"
  check_contains "and names the program" "vostrel - show a music library" \
    "$(groff -t -man -Tutf8 "$build/vostrel.1" 2>/dev/null | sed 's/.\x08//g')"
  check_contains "and the installed user's manual" "/usr/local/share/vostrel/help/vostrel_help.html" \
    "$(groff -t -man -Tutf8 "$build/vostrel.1" 2>/dev/null | sed 's/.\x08//g')"
fi

# The desktop program's Help looks for help/ next to the program first.
[ -f "$build/help/vostrel_help.html" ]
check "the build tree has the user's manual next to the program" 0 $?
if [ -f "$build/cmake_install.cmake" ]; then
  cmake --install "$build" --prefix "$WORK/prefix" >/dev/null 2>&1
  [ -f "$WORK/prefix/share/man/man1/vostrel.1.gz" ]
  check "cmake --install puts the manual page in share/man/man1" 0 $?
  [ -f "$WORK/prefix/share/vostrel/help/vostrel_help.html" ] && [ -f "$WORK/prefix/share/vostrel/help/help.css" ]
  check "cmake --install puts the user's manual in share/vostrel/help, where the program looks" 0 $?
  missing=""
  for picture in $(grep -o 'src="images/[^"]*"' ../../help/vostrel_help.html | sed 's/^src="//; s/"$//'); do
    [ -f "$WORK/prefix/share/vostrel/help/$picture" ] || missing="$missing $picture"
  done
  check "and every picture of the manual with it" "" "$missing"
fi
