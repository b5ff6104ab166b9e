#!/usr/bin/env bash
# Workstations getting in each other's way on one PostgreSQL server: a workstation killed in the
# middle of a posting leaves all of its bill or nothing; bills whose numbers the program makes,
# posted at the same moment, all get numbers of their own; two sales locking the same two stock
# rows in opposite orders both go through; one transfer reversed by two workstations at once is
# reversed once. Runs against the server FERIX_TEST_PG names (tests/pg/start_cluster.sh).
source "$(dirname "$0")/lib.sh" "$@"
[ -n "${FERIX_TEST_PG:-}" ] || { echo "SKIP: FERIX_TEST_PG is not set: no PostgreSQL server was started"; exit 77; }
command -v psql >/dev/null || { echo "SKIP: the psql program is not installed"; exit 77; }

schema="ferix_cli_$$"
conn="$FERIX_TEST_PG options='-c search_path=$schema'"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$conn" -c "$1"; }
holder=
cleanup() {
    [ -n "$holder" ] && { exec 7>&-; wait "$holder" 2>/dev/null; }
    psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" -c "DROP SCHEMA $schema CASCADE" >/dev/null
    rm -rf "$WORK"
}
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA $schema" || { echo "cannot make a schema"; exit 1; }
trap cleanup EXIT

mkdir -p "$WORK/shop" && cd "$WORK/shop" || exit 1
server_init "$conn" >/dev/null || { echo "init --server failed"; exit 1; }
shop >/dev/null
run classes add 电子
{
    printf 'Code,ProductName,ClassName,Unit,PriceIn\r\n'
    for i in $(seq 1 30); do printf 'G%s,Goods %s,电子,个,2\r\n' "$i" "$i"; done
} >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "30 goods imported" [ "$RC" = 0 ]
header='"customer": "华东电子", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行"'
lines() { # lines QUANTITY CODE...: the "lines" member
    local q=$1 sep="" c; shift
    printf '"lines": ['
    for c in "$@"; do printf '%s{"code": "%s", "quantity": "%s", "price": "2"}' "$sep" "$c" "$q"; sep=', '; done
    printf ']'
}
all=$(seq -f 'G%g' 1 30)
# shellcheck disable=SC2086
printf '{"number": "JH-START", %s, %s}' "$header" "$(lines 100 $all)" >"$WORK/start.json"
run post purchase "$WORK/start.json"
check "100 of each goods item bought" [ "$RC" = 0 ]
stock() { sql "select string_agg(ProductCode || '=' || Number, ' ' order by Id) from StockPile"; }

# 1. Killed mid-posting. Another session holds the stock row of the last line's goods, so the
# purchase stops there with its header and 29 lines written; the workstation is killed.
before=$(stock)
mkfifo "$WORK/holder"
psql -X -q -A -t "$conn" <"$WORK/holder" >"$WORK/holder.out" 2>&1 &
holder=$!
exec 7>"$WORK/holder"
echo "BEGIN; SELECT Number FROM StockPile WHERE ProductCode = 'G30' FOR UPDATE;" >&7
# The row must be held before the workstation starts, or it may post the whole bill first.
held="select count(*) from pg_stat_activity where state = 'idle in transaction'
      and query like '%ProductCode = ''G30'' FOR UPDATE%'"
until [ "$(sql "$held")" = 1 ]; do sleep 0.05; done
# shellcheck disable=SC2086
printf '{"number": "JH-KILL", %s, %s}' "$header" "$(lines 5 $all)" >"$WORK/kill.json"
"$CLI" --user admin --password '' post purchase "$WORK/kill.json" >/dev/null 2>&1 &
victim=$!
waiting="select pid from pg_stat_activity where wait_event_type = 'Lock' and query ilike '%StockPile%'"
backend=
while [ -z "$backend" ] && kill -0 "$victim" 2>/dev/null; do backend=$(sql "$waiting"); done
RC=- OUT=$backend ERR=
check "the posting waits for the held stock row" [ -n "$backend" ]
kill -9 "$victim"
wait "$victim" 2>/dev/null
echo "COMMIT;" >&7
exec 7>&-
wait "$holder"
holder=
# The server ends the killed workstation's transaction when it finds the connection gone.
while [ -n "$backend" ] && [ -n "$(sql "select pid from pg_stat_activity where pid = $backend")" ]; do :; done
OUT=$(stock)
check "no header of the killed bill" [ "$(sql "select count(*) from EnterStock where Bill_ID = 'JH-KILL'")" = 0 ]
check "no line of the killed bill" [ "$(sql "select count(*) from EnterStock_Detail where Bill_ID = 'JH-KILL'")" = 0 ]
check "the stock is as it was" [ "$OUT" = "$before" ]
run post purchase "$WORK/kill.json"
check "posted again, the bill goes through" [ "$RC" = 0 -a "$OUT" = "JH-KILL" ]
check "all 30 lines stored" [ "$(sql "select count(*) from EnterStock_Detail where Bill_ID = 'JH-KILL'")" = 30 ]
check "every stock row grew by 5" [ "$(sql "select string_agg(distinct Number, ' ') from StockPile")" = 105 ]

# 2. Made numbers: four workstations post 10 purchases and 10 transfers each without numbers,
# at the same moments, so many made numbers are the same; every bill is stored under its own.
poster() { # poster P: "<kind> <exit> <number>" per bill
    local p=$1 i rc out
    printf '{%s, %s}' "$header" "$(lines 1 G1 G2)" >"$WORK/made-$p.json"
    printf '{"warehouse": "一号仓库", "to_warehouse": "二号仓库", "department": "仓储部", "employee": "李四", %s}' \
        "$(lines 1 G3)" >"$WORK/move-$p.json"
    for i in $(seq 1 10); do
        out=$("$CLI" --user admin --password '' post purchase "$WORK/made-$p.json" 2>>"$WORK/made-err-$p") && rc=0 || rc=$?
        echo "purchase $rc $out"
        out=$("$CLI" --user admin --password '' post transfer "$WORK/move-$p.json" 2>>"$WORK/made-err-$p") && rc=0 || rc=$?
        echo "transfer $rc $out"
    done >"$WORK/made-$p"
}
for p in 1 2 3 4; do poster $p & done
wait
cat "$WORK"/made-? >"$WORK/made"
RC=- OUT=$(awk '$2 != 0' "$WORK/made" | head -3) ERR=$(cat "$WORK"/made-err-?)
check "all 80 bills posted" [ "$(awk '$2 == 0' "$WORK/made" | wc -l)" = 80 ]
check "nothing said" [ -z "$ERR" ]
awk '$1 == "purchase" { print $3 }' "$WORK/made" | sort >"$WORK/made-purchases"
awk '$1 == "transfer" { print $3 }' "$WORK/made" | sort >"$WORK/made-transfers"
sql "select Bill_ID from EnterStock where Bill_ID like 'JH-%' and Bill_ID not in ('JH-START', 'JH-KILL')" | sort >"$WORK/stored-purchases"
sql "select distinct Bill_ID from YiKuDan" | sort >"$WORK/stored-transfers"
OUT=$(sort "$WORK/made-purchases" "$WORK/made-transfers" | uniq -d | head -3)
check "40 purchase numbers, all different" [ "$(sort -u "$WORK/made-purchases" | wc -l)" = 40 ]
check "40 transfer numbers, all different" [ "$(sort -u "$WORK/made-transfers" | wc -l)" = 40 ]
check "the purchases stored are those printed" cmp -s "$WORK/made-purchases" "$WORK/stored-purchases"
check "the transfers stored are those printed" cmp -s "$WORK/made-transfers" "$WORK/stored-transfers"
check "two lines per purchase, one row per transfer" \
    [ "$(sql "select count(*) from EnterStock_Detail where Bill_ID in (select Bill_ID from EnterStock where Bill_ID not in ('JH-START', 'JH-KILL')) union all select count(*) from YiKuDan")" = "80
40" ]
OUT=$(stock)
check "stock exact: G1, G2 145; G3 65 here and 40 there" \
    [ "$(sql "select string_agg(StoreHouse || ':' || ProductCode || '=' || Number, ' ' order by StoreHouse, ProductCode) from StockPile where ProductCode in ('G1', 'G2', 'G3')")" = "一号仓库:G1=145 一号仓库:G2=145 一号仓库:G3=65 二号仓库:G3=40" ]

# 3. Deadlocks: one workstation sells G4 then G5, the other G5 then G4, 15 times each at once.
seller() { # seller P CODE CODE
    local p=$1 i rc; shift
    printf '{%s, %s}' "$header" "$(lines 1 "$@")" >"$WORK/pair-$p.json"
    for i in $(seq 1 15); do
        "$CLI" --user admin --password '' post sale "$WORK/pair-$p.json" >/dev/null 2>>"$WORK/pair-err-$p" && rc=0 || rc=$?
        echo "$rc"
    done >"$WORK/pair-$p"
}
deadlocks() { sql "select deadlocks from pg_stat_database where datname = current_database()"; }
seller 1 G4 G5 &
seller 2 G5 G4 &
wait
RC=- OUT="deadlocks on the server so far: $(deadlocks)" ERR=$(cat "$WORK"/pair-err-?)
check "all 30 sales posted" [ "$(cat "$WORK"/pair-? | grep -c '^0$')" = 30 ]
check "nothing said" [ -z "$ERR" ]
check "stock exact: 105 less 30" \
    [ "$(sql "select string_agg(Number, ' ' order by ProductCode) from StockPile where ProductCode in ('G4', 'G5')")" = "75 75" ]
echo "$OUT"

# 4. One transfer reversed from two workstations at once, ten times over: each is reversed once.
head -10 "$WORK/made-transfers" >"$WORK/to-reverse"
reverser() {
    local n rc
    while read -r n; do
        "$CLI" --user admin --password '' reverse transfer "$n" >/dev/null 2>"$WORK/rev-err-$1-$n" && rc=0 || rc=$?
        echo "$n $rc"
    done <"$WORK/to-reverse" >"$WORK/rev-$1"
}
reverser 1 &
reverser 2 &
wait
RC=- OUT=$(cat "$WORK"/rev-?) ERR=
check "each transfer reversed by exactly one of the two" \
    [ "$(cat "$WORK"/rev-? | awk '$2 == 0' | wc -l)" = 10 ]
refusals=$(cat "$WORK"/rev-err-* | sort -u)
ERR=$refusals
check "the other was told it is reversed already" \
    [ "$(grep -c '已经红冲，不能重复红冲！' <<<"$refusals")" = 10 ]
check "one red row per reversed transfer" \
    [ "$(sql "select count(*) from YiKuDan where Bill_ID like '%-H'")" = 10 ]
check "G3 back: 75 here, 30 there" \
    [ "$(sql "select string_agg(Number, ' ' order by StoreHouse) from StockPile where ProductCode = 'G3'")" = "75 30" ]
finish
