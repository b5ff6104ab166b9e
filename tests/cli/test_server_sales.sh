#!/usr/bin/env bash
# Four workstations sell the same goods on one PostgreSQL server at the same time, 100 sales
# each, from a stock of 150: exactly 150 sales succeed, the others are refused for want of
# stock, the stock ends at zero, never below, and every sale that succeeded is stored once.
# Runs against the server FERIX_TEST_PG names (tests/pg/start_cluster.sh starts one).
source "$(dirname "$0")/lib.sh" "$@"
[ -n "${FERIX_TEST_PG:-}" ] || { echo "SKIP: FERIX_TEST_PG is not set: no PostgreSQL server was started"; exit 77; }
command -v psql >/dev/null || { echo "SKIP: the psql program is not installed"; exit 77; }

schema="ferix_cli_$$"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$FERIX_TEST_PG options='-c search_path=$schema'" -c "$1"; }
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA $schema" || { echo "cannot make a schema"; exit 1; }
trap 'psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" -c "DROP SCHEMA $schema CASCADE" >/dev/null; rm -rf "$WORK"' EXIT

mkdir -p "$WORK/shop" && cd "$WORK/shop"
# The connection string comes on standard input: a password in it stays out of the process list.
server_init "$FERIX_TEST_PG options='-c search_path=$schema'" && RC=0 || RC=$?
OUT= ERR=
check "init --server made the folder" [ "$RC" = 0 ]
check "server.conf is the owner's alone" [ "$(stat -c %a Data/server.conf)" = 600 ]
check "no data files" [ ! -e Data/main_data.tdb -a ! -e Data/other_data.tdb ]
run init --server "$FERIX_TEST_PG"
check "a second init is refused" [ "$RC" = 1 ]
shop >/dev/null

run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,1.5\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
header='"customer": "华东电子", "department": "销售部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行"'
printf '{"number": "JH-START", %s, "lines": [{"code": "G1", "quantity": "150"}]}' "$header" >"$WORK/in.json"
run post purchase "$WORK/in.json"
check "stock of 150 bought" [ "$RC" = 0 ]

# The sanitizer pass (FERIX_TEST_LIGHT) tries 50 each: still more than the stock, in fewer runs.
tries=100
[ -n "${FERIX_TEST_LIGHT:-}" ] && tries=50
seller() { # seller P: $tries sales of one Pen, numbered XS-P<P>-<i>; "<number> <exit>" per line
    local p=$1 i rc
    for i in $(seq 1 $tries); do
        printf '{"number": "XS-P%s-%s", %s, "lines": [{"code": "G1", "quantity": "1", "price": "2"}]}' \
            "$p" "$i" "$header" >"$WORK/sale-$p-$i.json"
        "$CLI" --user admin --password '' post sale "$WORK/sale-$p-$i.json" >/dev/null \
            2>"$WORK/err-$p-$i" && rc=0 || rc=$?
        echo "XS-P$p-$i $rc"
    done >"$WORK/results-$p"
}
for p in 1 2 3 4; do seller $p & done
wait

cat "$WORK"/results-? >"$WORK/results"
sold=$(awk '$2 == 0' "$WORK/results" | wc -l)
refused=$(awk '$2 == 1' "$WORK/results" | wc -l)
RC=- OUT="$sold sold, $refused refused" ERR=$(awk '$2 != 0 && $2 != 1' "$WORK/results")
check "every sale was either stored or refused" [ $((sold + refused)) = $((4 * tries)) ]
check "exactly the stock was sold" [ "$sold" = 150 ]
for f in $(awk '$2 == 1 { print $1 }' "$WORK/results"); do
    p=${f#XS-P}; i=${p#*-}; p=${p%%-*}
    ERR=$(cat "$WORK/err-$p-$i")
    check "$f refused for want of stock" grep -q "库存不足" "$WORK/err-$p-$i"
done

ERR=
check "stock ends at zero" [ "$(sql "select Number from StockPile where ProductCode = 'G1'")" = 0 ]
awk '$2 == 0 { print $1 }' "$WORK/results" | sort >"$WORK/expected"
sql "select Bill_ID from EnterSale" | sort >"$WORK/stored"
sql "select Bill_ID from EnterSale_Detail" | sort >"$WORK/stored-lines"
OUT=$(diff "$WORK/expected" "$WORK/stored" | head -5)
check "the stored sales are exactly those that succeeded, each once" cmp -s "$WORK/expected" "$WORK/stored"
check "one line per stored sale" cmp -s "$WORK/expected" "$WORK/stored-lines"
run stock
check "ferix-cli reads the stock from the server" grep -q "G1" <<<"$OUT"

# Reversals racing sales: one workstation reverses 30 of the stored sales (each gives one Pen
# back) while two others try 25 more sales each. A sale succeeds only against units already
# given back: the stock ends at 30 less the sales made, never below zero.
head -30 "$WORK/expected" >"$WORK/to-reverse"
reverser() {
    local n rc
    while read -r n; do
        "$CLI" --user admin --password '' reverse sale "$n" >/dev/null 2>"$WORK/rerr-$n" && rc=0 || rc=$?
        echo "$n $rc"
    done <"$WORK/to-reverse" >"$WORK/reversed"
}
seller2() { # seller2 P: 25 sales numbered XS-Q<P>-<i>
    local p=$1 i rc
    for i in $(seq 1 25); do
        printf '{"number": "XS-Q%s-%s", %s, "lines": [{"code": "G1", "quantity": "1", "price": "2"}]}' \
            "$p" "$i" "$header" >"$WORK/q-$p-$i.json"
        "$CLI" --user admin --password '' post sale "$WORK/q-$p-$i.json" >/dev/null 2>/dev/null \
            && rc=0 || rc=$?
        echo "XS-Q$p-$i $rc"
    done >"$WORK/q-results-$p"
}
reverser &
seller2 1 &
seller2 2 &
wait
reversed=$(awk '$2 == 0' "$WORK/reversed" | wc -l)
sold2=$(awk '$2 == 0' "$WORK"/q-results-? | wc -l)
odd=$(cat "$WORK"/q-results-? | awk '$2 != 0 && $2 != 1')
stock=$(sql "select Number from StockPile where ProductCode = 'G1'")
RC=- OUT="$reversed reversed, $sold2 sold, stock $stock" ERR=$odd
check "every reversal went through" [ "$reversed" = 30 ]
check "every sale was either stored or refused" [ -z "$odd" ]
check "the stock is what was given back less what was sold" [ "$stock" = $((30 - sold2)) ]
check "never more sold than given back" [ "$sold2" -le 30 ]
check "one red-letter bill per reversal" \
    [ "$(sql "select count(*) from EnterSale where Bill_ID like 'XS-P%-H'")" = 30 ]
finish
