# Global options given without a usable value are bad usage and touch
# nothing, rather than falling back to the defaults (the user's real profile,
# the demo library).

export HOME=$WORK/home   # where the default profile would be made
for args in "--profile|" "--library|" "--wait|-1" "--wait|nan" "--wait|soon"; do
  option=${args%%|*}
  value=${args#*|}
  "$VOSTREL" --profile "$PROFILE" --library "$LIB" "$option" "$value" sql "SELECT 1" >"$WORK/o" 2>"$WORK/e"
  check "$option '$value' exits 2" 2 $?
  check_contains "$option '$value': the message names the option" "$option" "$(cat "$WORK/e")"
  check "$option '$value' prints no rows" "" "$(cat "$WORK/o")"
done
[ ! -e "$HOME" ]; check "no default profile was made" 0 $?
[ ! -e "$PROFILE" ]; check "nor the given one" 0 $?
