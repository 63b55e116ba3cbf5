# The sql command: formats, errors, limits and the profile it writes.

vos sql "SELECT 1 AS a, 'x y' AS b, NULL AS c"
check "tsv is the default off a terminal" $'a\tb\tc\n1\tx y\t<null>' "$OUT"
check "success exits 0" 0 "$RC"
[ -f "$PROFILE/configuration/vostrel.db" ]; check "the database is created in the profile" 0 $?

vos sql --format json "SELECT 2 AS n, 2.5 AS r, 'é' AS t, NULL AS z"
check "json keeps types" '{"columns":["n","r","t","z"],"rows":[[2,2.5,"é",null]]}' "$OUT"

vos sql --format csv "SELECT 'a,b' AS x"
check "csv quotes" $'x\r\n"a,b"\r' "$OUT"

echo "SELECT 40+2 AS answer;" > "$WORK/script.sql"
"$VOSTREL" --profile "$PROFILE" --library "$LIB" sql - <"$WORK/script.sql" >"$WORK/o" 2>&1
check "reads standard input" $'answer\n42' "$(cat "$WORK/o")"

vos sql "SELEC 1"
check "an SQL error exits 1" 1 "$RC"
check "the error text is the console's" $'Execution error:\nSQLite Error: (1) near "SELEC": syntax error\n\nError while preparing the first statement of:\nSELEC 1' "$ERR"

# The third row fails: every format keeps the two before it on stdout.
fails_on_three="WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c LIMIT 5) SELECT x, CASE WHEN x = 3 THEN abs(-9223372036854775807 - 1) END AS y FROM c"
while IFS='|' read -r format expected; do
  vos sql --format "$format" "$fails_on_three"
  check "$format: an error after rows exits 1" 1 "$RC"
  check "$format: and leaves the rows before it" "$(printf '%b' "$expected")" "$OUT"
  check_contains "$format: and names the error" "integer overflow" "$ERR"
done <<'CASES'
tsv|x\ty\n1\t<null>\n2\t<null>
csv|x,y\r\n1,\r\n2,\r
json|{"columns":["x","y"],"rows":[[1,null],[2,null]
table|#  x  y\n-  -  ------\n1  1  <null>\n2  2  <null>
CASES

vos sql --limit 2 --status "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<5) SELECT x FROM c"
check "limit shows N rows" $'x\n1\n2' "$OUT"
check_contains "limit message" "[vostrel] Row limit (2 rows) for the Vostrel console exceeded." "$ERR"
check_contains "status line" "// 2 rows retrieved" "$ERR"

vos sql "CREATE TABLE t(a)"
check "a statement without columns prints nothing" "" "$OUT"

vos sql --format yaml "SELECT 1"
check "unknown format is bad usage" 2 "$RC"

vos --bogus sql "SELECT 1"
check "unknown option is bad usage" 2 "$RC"
