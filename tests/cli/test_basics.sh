# init, login check, exit codes, the log listing and the output formats.
. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/empty" && cd "$WORK/empty"
run log
check "no program folder gives exit 4" [ "$RC" -eq 4 ]

fresh a
"$CLI" init 2>/dev/null && RC=0 || RC=$?
check "second init is refused with exit 1" [ "$RC" -eq 1 ]
check "init made the folders" [ -d Backup -a -d PrintView -a -d Temp -a -f Templates/temp_kucun_view.html -a -f Data/ferix_config.data ]
check "schema has the goods table" sh -c "sqlite3 Data/main_data.tdb .schema | grep -q 'CREATE TABLE ferix_product'"

OUT=$("$CLI" --user admin --password '%' log 2>"$WORK/err") && RC=0 || RC=$?
ERR=$(cat "$WORK/err")
check "wrong password gives exit 3" [ "$RC" -eq 3 ]
check "wrong password message" [ "$ERR" = "密码错误，请重新登陆！" ]

OUT=$(FERIX_USER=ADMIN FERIX_PASSWORD= "$CLI" log 2>"$WORK/err") && RC=0 || RC=$?
check "environment login works, names without case" [ "$RC" -eq 0 ]

sqlite3 Data/other_data.tdb "insert into Log(Event, User, Time) values('a,\"b\"', 'admin', '26-12-07 09:00:00')"
run log
check "tsv log listing" [ "$OUT" = "$(printf 'Event\tUser\tTime\na,"b"\tadmin\t26-12-07 09:00:00')" ]
run log extra
check "unexpected argument is wrong usage" [ "$RC" -eq 2 ]
OUT=$("$CLI" --user admin --password '' --format csv log 2>/dev/null | tr -d '\r')
check "csv quoting" [ "$OUT" = "$(printf 'Event,User,Time\n"a,""b""",admin,26-12-07 09:00:00')" ]
OUT=$("$CLI" --user admin --password '' --format json log 2>/dev/null)
check "json listing" [ "$OUT" = "$(printf '[\n {"Event": "a,\\"b\\"", "User": "admin", "Time": "26-12-07 09:00:00"}\n]')" ]

# A stored text that is not UTF-8 (a name written by another tool): tsv and csv hand the bytes on
# as stored, json shows each bad sequence as U+FFFD so that the output always parses.
sqlite3 Data/main_data.tdb "insert into ferix_product(Code, ProductName) values('G1', 'a' || X'C0AF' || 'b' || X'E4B8' || '\"')"
bad=$(printf 'a\300\257b\344\270"')
run goods list
check "tsv keeps the stored bytes" sh -c 'printf "%s" "$1" | LC_ALL=C grep -qF "$2"' - "$OUT" "	$bad	"
OUT=$("$CLI" --user admin --password '' --format csv goods list 2>/dev/null)
check "csv keeps the stored bytes" sh -c 'printf "%s" "$1" | LC_ALL=C grep -qF "$2"' - "$OUT" ",\"${bad%\"}\"\"\","
OUT=$("$CLI" --user admin --password '' --format json goods list 2>/dev/null)
check "json output parses" sh -c 'printf "%s" "$1" | PYTHONIOENCODING=utf-8:strict python3 -m json.tool >/dev/null' - "$OUT"
check "each bad sequence is U+FFFD" sh -c 'printf "%s" "$1" | python3 -c "$2"' - "$OUT" '
import json, sys
r = json.loads(sys.stdin.buffer.read().decode("utf-8"))
assert r[0]["Code"] == "G1" and r[0]["ProductName"] == "a\ufffd\ufffdb\ufffd\"", r'

run frobnicate
check "unknown command is usage error" [ "$RC" -eq 2 ]

echo "garbage" > Data/other_data.tdb
run log
check "damaged data file gives exit 4" [ "$RC" -eq 4 ]
check "damaged data file is left as it was" [ "$(cat Data/other_data.tdb)" = "garbage" ]
finish
