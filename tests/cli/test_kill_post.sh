#!/usr/bin/env bash
# ferix-cli post of a 5,000-line purchase, then of a 5,000-line transfer of those goods, each
# killed with SIGKILL at 20 random moments of its run: every time both data files pass the
# integrity check and hold the whole bill or none of it. FERIX_KILL_SEED picks other moments.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }
LINES=5000
ROUNDS=20

fresh kill
shop
run classes add 电子
check "class added" [ "$RC" = 0 ]
{
    printf 'Code,ProductName,ClassName,Unit,PriceIn\r\n'
    seq 1 $LINES | awk '{ printf "K%05d,Goods %d,电子,个,1.25\r\n", $1, $1 }'
} >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "5,000 goods imported" [ "$RC" = 0 ]
{
    printf '{"number": "JH-KILL", "date": "2026-12-07", "customer": "华东电子", "department": "采购部",'
    printf ' "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": ['
    seq 1 $LINES | awk '{ printf "%s{\"code\": \"K%05d\", \"quantity\": \"3\"}", ($1 > 1 ? "," : ""), $1 }'
    printf ']}\n'
} >"$WORK/bill.json"
cp -a "$WORK/kill" "$WORK/pristine"

{
    printf '{"number": "YK-KILL", "date": "2026-12-07", "warehouse": "一号仓库",'
    printf ' "to_warehouse": "二号仓库", "employee": "张三", "lines": ['
    seq 1 $LINES | awk '{ printf "%s{\"code\": \"K%05d\", \"quantity\": \"2\"}", ($1 > 1 ? "," : ""), $1 }'
    printf ']}\n'
} >"$WORK/transfer.json"

q() { sqlite3 -batch "$1" "$2" 2>&1; }
# state KIND: "none", "whole" or a description of what is wrong.
state() {
    local main=Data/main_data.tdb other=Data/other_data.tdb
    local im io h d s n t
    im=$(q $main "PRAGMA integrity_check")
    io=$(q $other "PRAGMA integrity_check")
    [ "$im" = ok ] || { echo "main file damaged: $im"; return; }
    [ "$io" = ok ] || { echo "other file damaged: $io"; return; }
    s=$(q $main "select count(*) from StockPile")
    n=$(q $main "select coalesce(sum(Number), 0) from StockPile")
    if [ "$1" = purchase ]; then
        h=$(q $main "select count(*) from EnterStock where Bill_ID = 'JH-KILL'")
        d=$(q $main "select count(*) from EnterStock_Detail where Bill_ID = 'JH-KILL'")
        if [ "$h.$d.$s.$n" = "0.0.0.0" ]; then echo none
        elif [ "$h.$d.$s.$n" = "1.$LINES.$LINES.$((LINES * 3))" ]; then echo whole
        else echo "partial bill: header $h, lines $d, stock rows $s, quantity $n"; fi
        return
    fi
    # A transfer leaves the total over all warehouses as it was, torn or not.
    d=$(q $main "select count(*) from YiKuDan where Bill_ID = 'YK-KILL'")
    t=$(q $main "select coalesce(sum(Number), 0) from StockPile where StoreHouse = '二号仓库'")
    if [ "$d.$s.$n.$t" = "0.$LINES.$((LINES * 3)).0" ]; then echo none
    elif [ "$d.$s.$n.$t" = "$LINES.$((LINES * 2)).$((LINES * 3)).$((LINES * 2))" ]; then echo whole
    else echo "partial transfer: lines $d, stock rows $s, quantity $n, in the target $t"; fi
}

# kill_rounds KIND FILE PRISTINE: one whole run first, whose length is the span the kills are
# spread over, then the killed runs, each on a copy of PRISTINE.
kill_rounds() {
    local kind=$1 file=$2 pristine=$3
    rm -rf "$WORK/full" && cp -a "$pristine" "$WORK/full" && cd "$WORK/full"
    local start span_ms
    start=$(date +%s%N)
    run post "$kind" "$file"
    span_ms=$((($(date +%s%N) - start) / 1000000))
    check "an undisturbed $kind succeeds" [ "$RC" = 0 ]
    check "an undisturbed $kind stores the whole bill" [ "$(state "$kind")" = whole ]
    echo "an undisturbed $kind takes $span_ms ms"

    local whole=0 none=0 torn=0 round delay pid result
    for round in $(seq 1 $ROUNDS); do
        rm -rf "$WORK/round" && cp -a "$pristine" "$WORK/round" && cd "$WORK/round"
        delay=$(( (RANDOM * 32768 + RANDOM) % (span_ms + 1) ))
        "$CLI" --user admin --password '' post "$kind" "$file" >/dev/null 2>&1 &
        pid=$!
        sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
        kill -KILL $pid 2>/dev/null
        wait $pid 2>/dev/null
        # A journal left behind: the kill came in the middle of writing.
        [ -e Data/main_data.tdb-journal ] && torn=$((torn + 1))
        result=$(state "$kind")
        case $result in
            whole) whole=$((whole + 1)) ;;
            none) none=$((none + 1)) ;;
        esac
        RC=$round OUT="killed after $delay ms" ERR=$result
        check "$kind round $round: whole bill or none, sound files" [ "$result" = whole -o "$result" = none ]
        # The program goes on working with the file as it was left.
        run stock
        check "$kind round $round: stock readable after the kill" [ "$RC" = 0 ]
    done
    echo "$kind kills: $whole left the whole bill, $none left none; $torn came while the bill was being written"
}

RANDOM=${FERIX_KILL_SEED:-20261207}
kill_rounds purchase "$WORK/bill.json" "$WORK/pristine"
# The purchased goods are what the transfer moves.
rm -rf "$WORK/stocked" && cp -a "$WORK/full" "$WORK/stocked"
kill_rounds transfer "$WORK/transfer.json" "$WORK/stocked"
finish
