# Other local users can neither read a profile the program made nor lock
# its owner out of it; a lock another user holds all the same is named as
# theirs.

vos tree
check "a new profile is made" 0 "$RC"
check "the profile folder is its owner's alone" 700 "$(stat -c %a "$PROFILE")"
check "so is the configuration folder" 700 "$(stat -c %a "$PROFILE/configuration")"
check "and the lock file" 600 "$(stat -c %a "$PROFILE/profile.lock")"

# A folder the user made keeps the mode they gave it.
own=$WORK/own
mkdir -m 755 "$own"
"$VOSTREL" --profile "$own" --library "$LIB" tree >/dev/null 2>&1
check "an existing profile folder keeps its mode" 755 "$(stat -c %a "$own")"
check "while what the program makes in it is private" "700 600" \
  "$(stat -c %a "$own/configuration") $(stat -c %a "$own/profile.lock")"

# The rest needs a second user: root becomes nobody for it.
if [ "$(id -u)" -ne 0 ] || ! command -v setpriv >/dev/null || ! command -v setsid >/dev/null; then
  echo "profile_access_test: the checks as another user need root, setpriv and setsid; skipped"
  return 0
fi
chmod 711 "$WORK"

# hold_shared FILE: another user holds a shared lock on FILE (for 20 s at
# most), in a session of its own; sets HOLDER to its pid once it holds it,
# or to "" when it cannot.
hold_shared() {
  setsid setpriv --reuid=65534 --regid=65534 --clear-groups flock -s -w 5 -o "$1" sleep 20 2>/dev/null &
  HOLDER=$!
  for _ in $(seq 100); do
    kill -0 "$HOLDER" 2>/dev/null || break
    flock -n -x "$1" true || return 0
    sleep 0.05
  done
  wait "$HOLDER" 2>/dev/null
  HOLDER=""
}
# release: ends the holder and its sleep, if any.
release() {
  if [ -n "$HOLDER" ]; then
    kill -- -"$HOLDER"
    wait "$HOLDER" 2>/dev/null
  fi
}

hold_shared "$PROFILE/profile.lock"
check "another user cannot open the lock of a profile the program made" "" "$HOLDER"
release

# A lock file that others may open (left by an earlier version) in a folder
# they may enter: another user takes a shared lock on it.
chmod 644 "$own/profile.lock"
hold_shared "$own/profile.lock"
check "another user holds the loose lock file" yes "${HOLDER:+yes}"
"$VOSTREL" --profile "$own" --library "$LIB" --wait 0 config >"$WORK/out" 2>"$WORK/err"
check "a command is refused" 1 "$?"
check "naming the other user's process and uid" \
  "The profile $own is in use by process $HOLDER of another user (uid 65534); try again when it has finished, or wait longer with --wait SECONDS." \
  "$(cat "$WORK/err")"
check "and the lock file is closed to others from then on" 600 "$(stat -c %a "$own/profile.lock")"
release
"$VOSTREL" --profile "$own" --library "$LIB" --wait 0 config >/dev/null 2>&1
check "once that process has gone the profile is free" 0 "$?"
hold_shared "$own/profile.lock"
check "and the other user cannot take it again" "" "$HOLDER"
release
