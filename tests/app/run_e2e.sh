#!/usr/bin/env bash
# Runs one end-to-end test script against the vostrel binary.
#   run_e2e.sh TEST_SCRIPT VOSTREL_BINARY
# The script gets $VOSTREL (the binary), $PROFILE (a fresh profile folder),
# $LIB (the small test library) and the helpers below; it fails on the first
# failed check.
set -uo pipefail
script=$1
export VOSTREL=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export WORK=$work
export PROFILE=$work/profile
export LIB=${VOSTREL_TEST_DATA:?}/small-library.json
unset VOSTREL_PROFILE VOSTREL_LIBRARY
passed=0
failed=0

# vos ARGS...: runs vostrel on the test profile and library; sets OUT, ERR, RC.
vos() {
  "$VOSTREL" --profile "$PROFILE" --library "$LIB" "$@" >"$work/out" 2>"$work/err"
  RC=$?
  OUT=$(cat "$work/out")
  ERR=$(cat "$work/err")
}

# check NAME EXPECTED ACTUAL
check() {
  if [ "$2" == "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  fi
}

# check_contains NAME NEEDLE HAYSTACK
check_contains() {
  if [[ "$3" == *"$2"* ]]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n--- expected to contain\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
  fi
}

source "$script"
echo "$(basename "$script" .sh): $passed passed, $failed failed"
[ "$failed" -eq 0 ]
